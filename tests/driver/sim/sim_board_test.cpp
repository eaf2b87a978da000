#include "sim_board.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "sim_test_util.h"

TEST(SimBoard, IndexPortLatchesAndDataPortFollowsTheBank) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    ASSERT_TRUE(rig.board->WritePort(0x295, 1, 0x4E));
    uint32_t v = 0;
    ASSERT_TRUE(rig.board->ReadPort(0x295, 1, &v));
    EXPECT_EQ(v, 0x4Eu);
    ASSERT_TRUE(rig.board->ReadPort(0x296, 1, &v));
    EXPECT_EQ(v & 0x07, 0u);
    EXPECT_EQ(v & 0x80, 0x80u);
    rig.SelectBank(5);
    EXPECT_EQ(rig.Read(0x4E) & 0x87, 0x85);
    rig.SelectBank(0x0B);  // only the low three bits select
    EXPECT_EQ(rig.Read(0x4E) & 0x87, 0x83);
    rig.Command("set CPUTEMPERATURE 41");
    rig.Command("set AUXTEMPERATURE 52.5");
    EXPECT_EQ(rig.Read(1, 0x50), 41);
    EXPECT_EQ(rig.Read(2, 0x50), 52);
    EXPECT_EQ(rig.Read(2, 0x51), 0x80);
    EXPECT_EQ(rig.Read(1, 0x51), 0x00);
}

TEST(SimBoard, WiderAccessesSplitIntoBytesLowPortFirst) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    // Word write at 0x295: index 0x4E from the low byte, then 0x81 into it.
    ASSERT_TRUE(rig.board->WritePort(0x295, 2, 0x814E));
    uint32_t v = 0;
    ASSERT_TRUE(rig.board->ReadPort(0x295, 2, &v));
    EXPECT_EQ(v, 0x814Eu);
    ASSERT_TRUE(rig.board->ReadPort(0x295, 4, &v));
    EXPECT_EQ(v, 0xFFFF814Eu);
    ASSERT_TRUE(rig.board->ReadPort(0x294, 4, &v));
    EXPECT_EQ(v, 0xFF814EFFu);
    EXPECT_EQ(rig.Read(0x4E), 0x81);
    // A dword write touches the two chip ports and drops the rest.
    ASSERT_TRUE(rig.board->WritePort(0x295, 4, 0xAABB800Eu));
    EXPECT_EQ(rig.Read(0x0E), 0x80);
}

TEST(SimBoard, UnmodelledPortsReadAllOnesAndAcceptWrites) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    const struct {
        uint16_t port;
        uint8_t size;
        uint32_t value;
    } cases[] = {
        {0x70, 1, 0xFF}, {0xE1, 2, 0xFFFF}, {0x80, 4, 0xFFFFFFFF}, {0xFFFF, 4, 0xFFFFFFFF}};
    for (const auto& c : cases) {
        uint32_t v = 0;
        EXPECT_TRUE(rig.board->WritePort(c.port, c.size, 0x12));
        EXPECT_TRUE(rig.board->ReadPort(c.port, c.size, &v));
        EXPECT_EQ(v, c.value) << std::hex << c.port;
    }
    uint32_t v = 0;
    EXPECT_FALSE(rig.board->ReadPort(0x295, 3, &v));
    EXPECT_FALSE(rig.board->WritePort(0x295, 0, 0));
    EXPECT_FALSE(rig.board->ReadPort(0x295, 1, nullptr));
}

TEST(SimBoard, StartsAsTheBiosLeftIt) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    EXPECT_EQ(rig.Read(0, 0x57) & 0x80, 0x80);   // global beep on
    EXPECT_EQ((rig.Read(0, 0x04) >> 4) & 3, 1);  // CPUFAN0 in thermal cruise
    EXPECT_EQ(rig.Read(0, 0x12) & 0x10, 0x10);   // and kept turning
    EXPECT_EQ((rig.Read(0, 0x04) >> 2) & 3, 0);  // SYSFAN manual
    EXPECT_EQ(rig.Read(0, 0x06), 50);
    EXPECT_EQ(rig.Read(0, 0x56) & 0x01, 0x01);  // VCORE beeps
    EXPECT_EQ(rig.Read(0, 0x2B), 188);          // VCORE high 1.50 V
    EXPECT_EQ(rig.Read(0, 0x2C), 150);          // VCORE low 1.20 V
    EXPECT_EQ(rig.Read(0, 0x3C), 210);          // CPUFAN0 limit 800 rpm at divisor 8
    EXPECT_EQ(rig.Read(0, 0x47) & 0xC0, 0xC0);
    EXPECT_EQ(rig.Read(0, 0x5D) & 0x40, 0x00);
    EXPECT_FALSE(rig.board->IsBeeping());
}

TEST(SimBoard, SensibleLimitsKeepADriftingBoardQuiet) {
    SSimRig rig(true);
    ASSERT_TRUE(rig.board);
    rig.board->SetSeed(7);
    for (int i = 0; i < 120; ++i) {
        rig.RunFor(5);
        ASSERT_EQ(rig.Read(4, 0x59), 0) << "at " << rig.now;
        ASSERT_EQ(rig.Read(4, 0x5A), 0) << "at " << rig.now;
        ASSERT_EQ(rig.Read(4, 0x5B), 0) << "at " << rig.now;
    }
}

TEST(SimBoard, StatusBitsFollowThePinTable) {
    struct Case {
        const char* pin;
        const char* value;  // outside the pin's limits
        uint8_t statusReg;
        int bit;
    };
    const Case cases[] = {
        {"VCORE", "1.8", 0x59, 0},
        {"VIN0", "9", 0x59, 1},
        {"VAVCC", "3.9", 0x59, 2},
        {"V3VCC", "2", 0x59, 3},
        {"VIN1", "6", 0x5A, 0},
        {"VIN2", "-14", 0x5B, 5},
        {"VIN3", "-4", 0x5B, 4},
        {"SYSTEMPERATURE", "60", 0x59, 4},
        {"SYSFAN", "stall", 0x59, 6},
        {"CPUFAN0", "700", 0x59, 7},
        {"AUXFAN0", "stall", 0x5A, 3},
        {"CPUFAN1", "stall", 0x5A, 2},
        {"CPUTEMPERATURE", "80.5", 0x59, 5},
        {"AUXTEMPERATURE", "61", 0x5A, 5},
        {"VSB", "4", 0x5B, 0},
        {"VBAT", "2.2", 0x5B, 1},
        {"VIN4", "1.5", 0x5B, 3},
        {"AUXFAN1", "stall", 0x5B, 7},
    };
    for (const Case& c : cases) {
        SSimRig rig;
        ASSERT_TRUE(rig.board);
        rig.Command(std::string("set ") + c.pin + " " + c.value);
        for (uint8_t reg : {0x59, 0x5A, 0x5B}) {
            const uint8_t expected = reg == c.statusReg ? static_cast<uint8_t>(1 << c.bit) : 0;
            EXPECT_EQ(rig.Read(4, reg), expected)
                << c.pin << " register 0x" << std::hex << int(reg);
        }
    }
}

TEST(SimBoard, BeepBitsFollowThePinTable) {
    struct Case {
        const char* pin;
        const char* value;
        uint8_t bank;
        uint8_t beepReg;
        int bit;
    };
    const Case cases[] = {
        {"VCORE", "1.8", 0, 0x56, 0},
        {"VIN0", "9", 0, 0x56, 1},
        {"VAVCC", "3.9", 0, 0x56, 2},
        {"V3VCC", "2", 0, 0x56, 3},
        {"VIN1", "6", 0, 0x57, 0},
        {"VIN2", "-14", 0, 0x57, 1},
        {"VIN3", "-4", 0, 0x57, 2},
        {"SYSTEMPERATURE", "60", 0, 0x56, 4},
        {"SYSFAN", "stall", 0, 0x56, 6},
        {"CPUFAN0", "stall", 0, 0x56, 7},
        {"AUXFAN0", "stall", 0, 0x57, 3},
        {"CPUFAN1", "stall", 0, 0x4E, 4},
        {"CPUTEMPERATURE", "80", 0, 0x56, 5},
        {"AUXTEMPERATURE", "61", 0, 0x57, 5},
        {"VSB", "4", 4, 0x53, 0},
        {"VBAT", "2.2", 4, 0x53, 1},
        {"VIN4", "1.5", 4, 0x53, 3},
        {"AUXFAN1", "stall", 0, 0x4E, 5},
    };
    for (const Case& c : cases) {
        SSimRig rig;
        ASSERT_TRUE(rig.board);
        // Every beep mask off, global beep on.
        rig.Write(0, 0x56, 0x00);
        rig.Write(0, 0x57, 0x80);
        rig.Write(4, 0x53, 0x00);
        rig.SelectBank(0);
        rig.Write(0x4E, 0x00);
        rig.Command(std::string("set ") + c.pin + " " + c.value);
        EXPECT_EQ(rig.Command("beeping"), "silent\n") << c.pin;
        const uint8_t old = rig.Read(c.bank, c.beepReg);
        rig.Write(c.bank, c.beepReg, static_cast<uint8_t>(old | (1 << c.bit)));
        EXPECT_EQ(rig.Command("beeping"), "beeping\n") << c.pin;
        rig.Write(0, 0x57, rig.Read(0, 0x57) & 0x7F);
        EXPECT_EQ(rig.Command("beeping"), "silent\n") << c.pin << " without global beep";
    }
}

TEST(SimBoard, HeldValuesReadBackExactlyUnderDriftAndTime) {
    SSimRig rig(true);
    ASSERT_TRUE(rig.board);
    rig.Command("set VCORE 1.248");
    rig.Command("set VIN2 -12.034");
    rig.Command("set CPUTEMPERATURE 71.5");
    rig.Command("set SYSTEMPERATURE 44.5");
    rig.Command("set CPUFAN0 1250");
    rig.Command("set SYSFAN stall");
    for (int i = 0; i < 20; ++i) {
        rig.RunFor(30);
        EXPECT_EQ(rig.Read(0, 0x20), 156);
        EXPECT_EQ(rig.Read(0, 0x25), 35);
        EXPECT_EQ(rig.Read(1, 0x50), 71);
        EXPECT_EQ(rig.Read(1, 0x51), 0x80);
        EXPECT_EQ(rig.Read(0, 0x27), 44);
        EXPECT_EQ(rig.Read(0, 0x29), 135);  // divisor code 3: 1350000 / 8 / 135 = 1250 rpm
        EXPECT_EQ(rig.Read(0, 0x28), 255);
        EXPECT_EQ(rig.Command("get VCORE"), "1.248 156\n");
        EXPECT_EQ(rig.Command("get CPUTEMPERATURE"), "71.5 71 128\n");
    }
}

TEST(SimBoard, DriftWandersNearNominalAndStopsWhenSwitchedOff) {
    SSimRig rig(true);
    ASSERT_TRUE(rig.board);
    int lowest = 255, highest = 0;
    for (int i = 0; i < 400; ++i) {
        rig.RunFor(1);
        const int count = rig.Read(0, 0x21);  // VIN0, +12 V: count 225
        lowest = std::min(lowest, count);
        highest = std::max(highest, count);
    }
    EXPECT_LT(lowest, highest);
    EXPECT_GE(lowest, 223);
    EXPECT_LE(highest, 227);
    rig.board->SetDrift(false);
    for (int i = 0; i < 50; ++i) {
        rig.RunFor(1);
        EXPECT_EQ(rig.Read(0, 0x21), 225);
    }
}

TEST(SimBoard, SameSeedSameRun) {
    auto run = [](uint64_t seed) {
        SSimRig rig(true);
        rig.board->SetSeed(seed);
        std::ostringstream trace;
        for (int i = 0; i < 60; ++i) {
            rig.RunFor(0.7);
            trace << rig.Command("get VCORE") << rig.Command("get CPUTEMPERATURE")
                  << rig.Command("get CPUFAN0");
        }
        return trace.str();
    };
    EXPECT_EQ(run(11), run(11));
    EXPECT_NE(run(11), run(12));
}

TEST(SimBoard, ThermalCruiseHoldsTheTargetUnderAFakeClock) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    auto expectSettled = [&](int target, int tolerance) {
        rig.RunFor(900);
        for (int i = 0; i < 60; ++i) {
            rig.RunFor(5);
            const int whole = rig.Read(1, 0x50);
            EXPECT_GE(whole, target - tolerance) << "at " << rig.now;
            EXPECT_LE(whole, target + tolerance) << "at " << rig.now;
        }
    };
    expectSettled(50, 3);
    // A new target through the fan-control registers, as the monitor writes it.
    rig.Write(0, 0x06, 60);
    expectSettled(60, 3);
    // A hot spell: the fan speeds up, and settles back once released.
    rig.Command("set CPUTEMPERATURE 75");
    rig.RunFor(200);
    EXPECT_EQ(rig.Read(0, 0x03), 255);
    rig.Command("release CPUTEMPERATURE");
    expectSettled(60, 3);
}

TEST(SimBoard, ManualFansFollowTheirDutyAndTheirSensorsFollowThem) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    EXPECT_EQ(rig.Read(0, 0x28), 117);  // 60 % of 2400 rpm
    rig.Write(0, 0x01, 255);
    rig.RunFor(30);
    EXPECT_EQ(rig.Read(0, 0x28), 70);  // 2400 rpm
    const int cool = rig.Read(0, 0x27);
    rig.Write(0, 0x01, 0);
    rig.RunFor(600);
    EXPECT_EQ(rig.Read(0, 0x28), 255);
    EXPECT_GE(rig.Read(0, 0x27), 43);  // 28 + 16 with no air
    EXPECT_GT(rig.Read(0, 0x27), cool);
    EXPECT_NE(rig.Read(4, 0x59) & 0x40, 0);  // SYSFAN below its limit
}

TEST(SimBoard, AClockThatJumpsFarAheadCatchesUpInBoundedWork) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    rig.RunFor(1e9);
    EXPECT_GE(rig.Read(1, 0x50), 47);
    EXPECT_LE(rig.Read(1, 0x50), 53);
}

TEST(SimBoard, PortFaultsFailTheirRequestsAndTouchNothing) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    rig.Write(0x0E, 0x00);
    rig.Command("fault port 296 write");
    EXPECT_TRUE(rig.board->WritePort(0x295, 1, 0x0E));
    EXPECT_FALSE(rig.board->WritePort(0x296, 1, 0x55));
    uint32_t v = 0;
    EXPECT_TRUE(rig.board->ReadPort(0x296, 1, &v));
    EXPECT_EQ(v, 0u);
    EXPECT_FALSE(rig.board->WritePort(0x295, 2, 0x550E));  // the span covers 0x296
    rig.Command("fault port 0x295 read");
    v = 0x1234;
    EXPECT_FALSE(rig.board->ReadPort(0x295, 1, &v));
    EXPECT_EQ(v, 0x1234u);
    EXPECT_TRUE(rig.board->WritePort(0x295, 1, 0x0E));
    rig.Command("fault port 296 off");
    EXPECT_TRUE(rig.board->WritePort(0x296, 1, 0x55));
    rig.Command("fault off");
    EXPECT_EQ(rig.Read(0x0E), 0x55);
    rig.Command("fault port E4 on");
    EXPECT_FALSE(rig.board->ReadPort(0xE4, 1, &v));
    EXPECT_FALSE(rig.board->WritePort(0xE4, 1, 0));
    EXPECT_TRUE(rig.board->ReadPort(0xE0, 1, &v));
}

TEST(SimBoard, FaultRateFailsThatFractionOfRequests) {
    struct Case {
        const char* rate;
        int low;
        int high;
    };
    for (const Case c :
         {Case{"0", 0, 0}, Case{"0.25", 200, 300}, Case{"0.5", 440, 560}, Case{"1", 1000, 1000}}) {
        SSimRig rig;
        ASSERT_TRUE(rig.board);
        rig.board->SetSeed(3);
        rig.Command(std::string("fault rate ") + c.rate);
        int failed = 0;
        for (int i = 0; i < 1000; ++i) {
            uint32_t v = 0;
            if (!rig.board->ReadPort(0x296, 1, &v))
                ++failed;
        }
        EXPECT_GE(failed, c.low) << c.rate;
        EXPECT_LE(failed, c.high) << c.rate;
    }
}

TEST(SimBoard, MsrsModelled) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    uint64_t v = 0;
    ASSERT_TRUE(rig.board->ReadMsr(0x10, &v));
    const uint64_t t0 = v;
    rig.RunFor(1);
    ASSERT_TRUE(rig.board->ReadMsr(0x10, &v));
    EXPECT_EQ(v - t0, 2400000000u);
    ASSERT_TRUE(rig.board->WriteMsr(0x10, 1000));
    ASSERT_TRUE(rig.board->ReadMsr(0x10, &v));
    EXPECT_EQ(v, 1000u);

    ASSERT_TRUE(rig.board->ReadMsr(0x1B, &v));
    EXPECT_EQ(v, 0xFEE00900u);
    EXPECT_FALSE(rig.board->WriteMsr(0x1B, 0xFEE00901));  // reserved bit
    ASSERT_TRUE(rig.board->WriteMsr(0x1B, 0xFED00800));
    ASSERT_TRUE(rig.board->ReadMsr(0x1B, &v));
    EXPECT_EQ(v, 0xFED00900u);  // the bootstrap bit is the processor's own

    rig.Command("set CPUTEMPERATURE 60");
    ASSERT_TRUE(rig.board->ReadMsr(0x19C, &v));
    EXPECT_EQ(v, 0x80000000u | (40u << 16));
    rig.Command("set CPUTEMPERATURE 100");
    ASSERT_TRUE(rig.board->ReadMsr(0x19C, &v));
    EXPECT_EQ(v & 3, 3u);
    rig.Command("set CPUTEMPERATURE 60");
    ASSERT_TRUE(rig.board->ReadMsr(0x19C, &v));
    EXPECT_EQ(v & 3, 2u);  // the log stays until cleared
    ASSERT_TRUE(rig.board->WriteMsr(0x19C, 0));
    ASSERT_TRUE(rig.board->ReadMsr(0x19C, &v));
    EXPECT_EQ(v & 3, 0u);

    ASSERT_TRUE(rig.board->WriteMsr(0x1A0, 0x1234));
    ASSERT_TRUE(rig.board->ReadMsr(0x1A0, &v));
    EXPECT_EQ(v, 0x1234u);
    ASSERT_TRUE(rig.board->ReadMsr(0x1A2, &v));
    EXPECT_EQ(v, 100u << 16);
    EXPECT_FALSE(rig.board->WriteMsr(0x1A2, 0));
    for (uint32_t msr : {0x0u, 0x11u, 0x198u, 0xC0000080u}) {
        EXPECT_FALSE(rig.board->ReadMsr(msr, &v)) << std::hex << msr;
        EXPECT_FALSE(rig.board->WriteMsr(msr, 0)) << std::hex << msr;
    }
}

TEST(SimBoard, LoadRefusesABadFileWithItsReason) {
    std::string error;
    EXPECT_EQ(CSimBoard::Load(std::string(VORN_TEST_DATA_DIR) + "/bad_key.simboard", &error),
              nullptr);
    EXPECT_NE(error.find("unknown key 'colour'"), std::string::npos) << error;
    EXPECT_EQ(CSimBoard::FromText("[board]\n", "inline", &error), nullptr);
    EXPECT_NE(error.find("inline"), std::string::npos) << error;
}

TEST(SimBoard, UnconnectedInputsReadZeroAndNeverAlarm) {
    SSimRig rig(false, std::string(VORN_TEST_DATA_DIR) + "/minimal.simboard");
    ASSERT_TRUE(rig.board);
    rig.RunFor(120);
    EXPECT_EQ(rig.Read(0, 0x20), 0);    // VCORE: nothing there
    EXPECT_EQ(rig.Read(0, 0x29), 255);  // CPUFAN0: no fan
    EXPECT_EQ(rig.Read(5, 0x52), 200);  // VIN4 at 1.6 V
    EXPECT_EQ(rig.Read(4, 0x59), 0);
    EXPECT_EQ(rig.Read(4, 0x5A), 0);
    EXPECT_EQ(rig.Read(4, 0x5B), 0);
}

TEST(SimBoard, PlainRegistersReadBackWhatWasWritten) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    // The monitor's start: SMI masks saved, more sources masked, three set-up writes.
    const uint8_t saved[4] = {rig.Read(0, 0x43), rig.Read(0, 0x44), rig.Read(0, 0x46),
                              rig.Read(4, 0x51)};
    rig.Write(0, 0x43, 0xFF);
    rig.Write(0, 0x44, saved[1] | 0xEF);
    rig.Write(0, 0x46, saved[2] | 0x07);
    rig.Write(4, 0x51, saved[3] | 0x13);
    rig.Write(0, 0x0E, 1);
    rig.Write(4, 0x53, rig.Read(4, 0x53) & ~0x20);
    rig.Write(0, 0x47, rig.Read(0, 0x47) | 0x01);
    EXPECT_EQ(rig.Read(0, 0x43), 0xFF);
    EXPECT_EQ(rig.Read(0, 0x44), saved[1] | 0xEF);
    EXPECT_EQ(rig.Read(0, 0x46), saved[2] | 0x07);
    EXPECT_EQ(rig.Read(4, 0x51), saved[3] | 0x13);
    EXPECT_EQ(rig.Read(0, 0x0E), 1);
    EXPECT_EQ(rig.Read(4, 0x53) & 0x20, 0);
    EXPECT_EQ(rig.Read(0, 0x47), 0xF1);  // divisor bits of SYSFAN and CPUFAN0 kept
    EXPECT_EQ(rig.Read(0, 0x28), 117);   // and so the count
    // Bank 4 0x53 is also a beep mask: its other bits still work.
    rig.Write(4, 0x53, 0x21);
    rig.Command("set VSB 4");
    EXPECT_TRUE(rig.board->IsBeeping());
    // An unused register anywhere keeps its byte.
    rig.Write(7, 0x5F, 0xA5);
    rig.Write(0, 0x7F, 0x5A);
    EXPECT_EQ(rig.Read(7, 0x5F), 0xA5);
    EXPECT_EQ(rig.Read(0, 0x7F), 0x5A);
    EXPECT_EQ(rig.Read(6, 0x5F), 0x00);
}
