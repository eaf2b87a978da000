// The chip driver against the simulated board in-process: what the monitor writes into the
// chip must show up as the chip's own behaviour (readings, alarm bits, beeping, fan control).

#include <gtest/gtest.h>

#include <memory>

#include "sim_port_io.h"
#include "test_board.h"
#include "w83627ehf.h"

namespace {

class SimChip : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        board = LoadTestBoard([this] { return now; }, &error);
        ASSERT_TRUE(board) << error;
        io.Attach(board.get());
    }

    void Sim(const std::string& command) {
        std::string reply = board->Execute(command);
        ASSERT_EQ(reply.substr(0, 3), "OK\n") << command << ": " << reply;
    }

    bool StatusBit(int byte, int bit) {
        uint8_t s[3] = {};
        EXPECT_EQ(chip.ReadRealTimeStatus(s), 1);
        return (s[byte] >> bit) & 1;
    }

    double now = 0;
    std::unique_ptr<CSimBoard> board;
    CSimPortIo io;
    CW83627EHF chip{io};
};

}  // namespace

TEST_F(SimChip, VoltageReadingAndWindowAlarm) {
    Sim("set VCORE 1.25");
    double v = 0;
    ASSERT_EQ(chip.ReadVoltage(0x20, &v, 1.0, false), 1);
    EXPECT_NEAR(v, 1.25, 0.008);
    ASSERT_EQ(chip.SetVoltageLimits(0x20, 1.2, 1.0, 1.0, false), 1);
    EXPECT_TRUE(StatusBit(0, 0)) << "1.25 V is above a 1.2 V high limit";
    ASSERT_EQ(chip.SetVoltageLimits(0x20, 1.4, 1.1, 1.0, false), 1);
    EXPECT_FALSE(StatusBit(0, 0));
    Sim("set VIN2 -12.0");
    ASSERT_EQ(chip.ReadVoltage(0x25, &v, 1.0, true), 1);
    EXPECT_NEAR(v, -12.0, 0.1);
    ASSERT_EQ(chip.SetVoltageLimits(0x25, -11.0, -11.5, 1.0, true), 1);
    EXPECT_TRUE(StatusBit(2, 5)) << "VIN2 reports in the third status byte";
}

TEST_F(SimChip, TemperatureAlarmHoldsUntilBelowHysteresis) {
    ASSERT_EQ(chip.SetTemperatureLimits(0x50, 70, 65, 1), 1);
    struct Step {
        const char* value;
        bool alarm;
    };
    const Step steps[] = {
        {"60", false}, {"71.5", true}, {"66", true}, {"64", false}, {"69", false}};
    for (const auto& s : steps) {
        Sim(std::string("set CPUTEMPERATURE ") + s.value);
        EXPECT_EQ(StatusBit(0, 5), s.alarm) << s.value;
    }
    double t = 0;
    ASSERT_EQ(chip.ReadTemperature(0x50, &t, 1), 1);
    EXPECT_EQ(t, 69.0);
    Sim("set AUXTEMPERATURE 45.5");
    ASSERT_EQ(chip.ReadTemperature(0x50, &t, 2), 1);
    EXPECT_EQ(t, 45.5);
    Sim("set SYSTEMPERATURE 38");
    ASSERT_EQ(chip.ReadTemperature(0x27, &t, 0), 1);
    EXPECT_EQ(t, 38.0);
}

TEST_F(SimChip, FanSpeedLimitAndStall) {
    Sim("set SYSFAN 2000");
    int rpm = 0;
    ASSERT_EQ(chip.ReadFanSpeed(0x28, &rpm), 1);
    EXPECT_NEAR(rpm, 2000, 60);
    ASSERT_EQ(chip.SetFanLimit(0x28, 1500), 1);
    EXPECT_FALSE(StatusBit(0, 6));
    Sim("set SYSFAN stall");
    ASSERT_EQ(chip.ReadFanSpeed(0x28, &rpm), 1);
    EXPECT_EQ(rpm, 0);
    EXPECT_TRUE(StatusBit(0, 6));
    Sim("set AUXFAN1 3000");
    ASSERT_EQ(chip.ReadFanSpeed(0x53, &rpm), 1);
    EXPECT_NEAR(rpm, 3000, 150);
}

TEST_F(SimChip, BeepingFollowsMasksAndGlobalBeep) {
    uint8_t b[4] = {};
    ASSERT_EQ(chip.ReadBeepMasks(b), 1);
    b[0] |= 0x40;  // SYSFAN
    ASSERT_EQ(chip.WriteBeepMasks(b), 1);
    ASSERT_EQ(chip.SetFanLimit(0x28, 1500), 1);
    Sim("set SYSFAN stall");
    ASSERT_EQ(chip.SetGlobalBeep(true), 1);
    EXPECT_TRUE(board->IsBeeping());
    ASSERT_EQ(chip.SetGlobalBeep(false), 1);
    EXPECT_FALSE(board->IsBeeping());
    ASSERT_EQ(chip.SetGlobalBeep(true), 1);
    b[0] &= ~0x40;
    ASSERT_EQ(chip.WriteBeepMasks(b), 1);
    EXPECT_FALSE(board->IsBeeping());
}

TEST_F(SimChip, ManualDutyDrivesTheFan) {
    ASSERT_EQ(chip.SetFanMode(0x29, 0), 1);
    ASSERT_EQ(chip.SetFanDuty(0x29, 255), 1);
    now += 30;
    int full = 0, low = 0;
    ASSERT_EQ(chip.ReadFanSpeed(0x29, &full), 1);
    ASSERT_EQ(chip.SetFanDuty(0x29, 90), 1);
    now += 30;
    ASSERT_EQ(chip.ReadFanSpeed(0x29, &low), 1);
    EXPECT_GT(full, low + 500) << "full duty " << full << " rpm, low duty " << low << " rpm";
    uint8_t mode = 9;
    ASSERT_EQ(chip.ReadFanMode(0x29, &mode), 1);
    EXPECT_EQ(mode, 0);
}

TEST_F(SimChip, SetUpWritesAndSmiMasksReadBack) {
    uint8_t saved[4] = {};
    ASSERT_EQ(chip.ReadSmiMasks(saved), 1);
    uint8_t m[4] = {0xFF, static_cast<uint8_t>(saved[1] | 0xEF), static_cast<uint8_t>(saved[2] | 7),
                    static_cast<uint8_t>(saved[3] | 0x13)};
    ASSERT_EQ(chip.WriteSmiMasks(m), 1);
    uint8_t back[4] = {};
    ASSERT_EQ(chip.ReadSmiMasks(back), 1);
    EXPECT_EQ(std::vector<uint8_t>(back, back + 4), std::vector<uint8_t>(m, m + 4));
    ASSERT_EQ(chip.WriteRegister0E(1), 1);
    ASSERT_EQ(chip.SetBank4Register53Bit5(false), 1);
    ASSERT_EQ(chip.SetRegister47Bit0(true), 1);
    uint8_t r47 = 0;
    ASSERT_EQ(chip.SelectBank(0), 1);
    ASSERT_EQ(ReadChipRegister(io, 0x47, &r47), 1);
    EXPECT_EQ(r47 & 1, 1);
}
