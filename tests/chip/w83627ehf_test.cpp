#include "w83627ehf.h"

#include <gtest/gtest.h>

#include "chip_fixture.h"

using Log = std::vector<std::string>;

namespace {
struct W83627EHFTest : ChipFixture {
    CW83627EHF chip{io};
    W83627EHFTest() { io.ClearLog(); }
};
}  // namespace

TEST_F(W83627EHFTest, LookupPinIsExactAndCaseSensitive) {
    struct Case {
        const char* name;
        int result;
        uint8_t reg, bank;
    };
    const Case cases[] = {
        {"VBAT", 1, 0x51, 5},           {"vbat", -300, 0xEE, 0xEE},
        {"CPUTEMPERATURE", 1, 0x50, 1}, {"AUXTEMPERATURE", 1, 0x50, 2},
        {"AUXFAN1", 1, 0x53, 5},        {"VCORE ", -300, 0xEE, 0xEE},
        {"", -300, 0xEE, 0xEE},         {"VCOREX", -300, 0xEE, 0xEE},
    };
    for (const auto& c : cases) {
        uint8_t pb[2] = {0xEE, 0xEE};
        EXPECT_EQ(chip.LookupPin(c.name, pb), c.result) << c.name;
        EXPECT_EQ(pb[0], c.reg) << c.name;
        EXPECT_EQ(pb[1], c.bank) << c.name;
    }
    EXPECT_TRUE(io.Log().empty());
}

TEST_F(W83627EHFTest, RejectedPinsReportTheirCodeWithoutPortAccess) {
    double d = 0;
    int rpm = 0;
    uint8_t b = 0;
    struct Case {
        int expected;
        std::function<int()> call;
    };
    const Case cases[] = {
        {ERR_NOT_VOLTAGE_PIN, [&] { return chip.ReadVoltage(0x27, &d, 1, false); }},
        {ERR_NOT_VOLTAGE_PIN, [&] { return chip.SetVoltageLimits(0x53, 1, 0, 1, false); }},
        {ERR_NOT_TEMP_PIN, [&] { return chip.ReadTemperature(0x20, &d, 0); }},
        {ERR_NOT_TEMP_PIN, [&] { return chip.SetTemperatureLimits(0x51, 1, 0, 5); }},
        {ERR_NOT_FAN_PIN, [&] { return chip.ReadFanSpeed(0x20, &rpm); }},
        {ERR_NOT_FAN_PIN, [&] { return chip.SetFanLimit(0x00, 1000); }},
        {ERR_NOT_FAN_PIN, [&] { return chip.ReadFanCount(0x50, &b); }},
    };
    for (const auto& c : cases) {
        io.ClearLog();
        EXPECT_EQ(c.call(), c.expected);
        EXPECT_EQ(LastChipErrorText(), "#Error: " + std::to_string(c.expected) + ", ");
        EXPECT_TRUE(io.Log().empty());
    }
}

TEST_F(W83627EHFTest, VoltageReadingsAndLimitsConvertThroughTheDivider) {
    regs.Set(0, 0x20, 175);  // 1.400 V
    regs.Set(5, 0x51, 200);  // 1.600 V before a divider of 0.5
    regs.Set(0, 0x26, 100);  // negative rail
    double v = 0;
    ASSERT_EQ(chip.ReadVoltage(0x20, &v, 1.0, false), 1);
    EXPECT_DOUBLE_EQ(v, 175 * 0.008);
    EXPECT_EQ(io.RegisterLog(), (Log{"R 4E=00", "W 4E=00", "R 20=AF"}));
    ASSERT_EQ(chip.ReadVoltage(0x51, &v, 0.5, false), 1);
    EXPECT_DOUBLE_EQ(v, 200 * 0.008 / 0.5);
    EXPECT_EQ(regs.Get(0, 0x4E) & 7, 5) << "bank 5 stays selected";
    ASSERT_EQ(chip.ReadVoltage(0x26, &v, 1.0, true), 1);
    EXPECT_DOUBLE_EQ(v, (100 * 16 * 0.001 - 2.9000000000000004) * 5.142857142857143);
}

TEST_F(W83627EHFTest, VoltageLimitRegistersHighThenLow) {
    ASSERT_EQ(chip.SetVoltageLimits(0x22, 3.6, 3.0, 0.5, false), 1);
    EXPECT_EQ(io.RegisterLog(), (Log{"R 4E=00", "W 4E=00", "W 2F=E1", "W 30=BB"}));
    io.ClearLog();
    ASSERT_EQ(chip.SetVoltageLimits(0x52, 1.2, 1.0, 1.0, false), 1);
    EXPECT_EQ(io.RegisterLog(), (Log{"R 4E=00", "W 4E=05", "W 58=96", "W 59=7D"}));
    double hi = 0, lo = 0;
    ASSERT_EQ(chip.ReadVoltageLimits(0x52, &hi, &lo, 1.0, false), 1);
    EXPECT_DOUBLE_EQ(hi, 150 * 0.008);
    EXPECT_DOUBLE_EQ(lo, 125 * 0.008);
}

TEST_F(W83627EHFTest, OutOfRangeLimitsClampToTheRegister) {
    struct Case {
        const char* name;
        std::function<int()> call;
        uint8_t bank, reg, expected;
    };
    const Case cases[] = {
        {"voltage over 2.04 V", [&] { return chip.SetVoltageLimits(0x20, 5.0, 1, 1, false); }, 0,
         0x2B, 255},
        {"negative voltage on a positive rail",
         [&] { return chip.SetVoltageLimits(0x20, 1, -1.0, 1, false); }, 0, 0x2C, 0},
        {"negative rail beyond its range",
         [&] { return chip.SetVoltageLimits(0x21, -20.0, -30.0, 1, true); }, 0, 0x2E, 0},
        {"temperature over 255", [&] { return chip.SetTemperatureLimits(0x27, 300, 60, 0); }, 0,
         0x39, 255},
        {"temperature below 0", [&] { return chip.SetTemperatureLimits(0x27, 70, -5, 0); }, 0, 0x3A,
         0},
        {"high half dropped when clamped",
         [&] { return chip.SetTemperatureLimits(0x50, 300.5, 60, 1); }, 1, 0x56, 0},
        {"fan limit of 1 rpm", [&] { return chip.SetFanLimit(0x28, 1); }, 0, 0x3B, 255},
        {"negative fan limit", [&] { return chip.SetFanLimit(0x28, -100); }, 0, 0x3B, 255},
        {"absurdly fast fan limit", [&] { return chip.SetFanLimit(0x28, 5000000); }, 0, 0x3B, 1},
    };
    for (const auto& c : cases) {
        regs.Set(c.bank, c.reg, 0x42);
        EXPECT_EQ(c.call(), 1) << c.name;
        EXPECT_EQ(regs.Get(c.bank, c.reg), c.expected) << c.name;
    }
}

TEST_F(W83627EHFTest, TemperatureLimitsWriteTheirRegistersInOrder) {
    ASSERT_EQ(chip.SetTemperatureLimits(0x50, 70.5, 65.0, 1), 1);
    EXPECT_EQ(io.RegisterLog(),
              (Log{"R 4E=00", "W 4E=01", "W 55=46", "W 56=80", "W 53=41", "W 54=80"}));
    io.ClearLog();
    ASSERT_EQ(chip.SetTemperatureLimits(0x27, 70.5, 65.0, 0), 1);
    EXPECT_EQ(io.RegisterLog(), (Log{"R 4E=01", "W 4E=00", "W 39=46", "W 3A=41"}));
    io.ClearLog();
    ASSERT_EQ(chip.SetTemperatureLimits(0x50, 70.0, 65.5, 2), 1);
    EXPECT_EQ(regs.Get(2, 0x54), 0) << "the low limit's own fraction is not looked at";
}

TEST_F(W83627EHFTest, TemperatureReadsWholeAndHalf) {
    struct Case {
        uint8_t pin, bank, whole, half;
        double celsius;
    };
    const Case cases[] = {
        {0x50, 1, 45, 0x80, 45.5},
        {0x50, 2, 45, 0x01, 45.5},
        {0x50, 1, 200, 0, 200.0},
        {0x27, 0, 38, 0xFF, 38.0},  // 0x27 has no half byte
    };
    for (const auto& c : cases) {
        regs.Set(c.bank, c.pin, c.whole);
        regs.Set(c.bank, 0x51, c.half);
        double t = -1;
        ASSERT_EQ(chip.ReadTemperature(c.pin, &t, c.bank), 1);
        EXPECT_DOUBLE_EQ(t, c.celsius);
    }
    regs.Set(1, 0x55, 80);
    regs.Set(1, 0x56, 0x80);
    regs.Set(1, 0x53, 75);
    regs.Set(1, 0x54, 0);
    double hi = 0, lo = 0;
    io.ClearLog();
    ASSERT_EQ(chip.ReadTemperatureLimits(0x50, &hi, &lo, 1), 1);
    EXPECT_EQ(hi, 80.5);
    EXPECT_EQ(lo, 75.0);
    EXPECT_EQ(io.RegisterLog(),
              (Log{"R 4E=00", "W 4E=01", "R 55=50", "R 56=80", "R 53=4B", "R 54=00"}));
}

TEST_F(W83627EHFTest, FanSpeedFromDivisorAndCount) {
    struct Case {
        const char* name;
        uint8_t pin, bank, count;
        uint8_t r47, r4b, r5d, r59, r4c;
        int result, rpm;
    };
    const Case cases[] = {
        {"divisor code 3", 0x28, 0, 135, 0x30, 0, 0, 0, 0, 1, 1250},
        {"stalled", 0x29, 0, 255, 0, 0, 0, 0, 0, 1, 0},
        {"count 0 leaves rpm", 0x2A, 0, 0, 0, 0, 0, 0, 0, 0, -7},
        {"code 4 from 0x5D bit 6", 0x29, 0, 100, 0, 0, 0x40, 0, 0, 1, 1350000 / 16 / 100},
        {"CPUFAN1 code 7", 0x3F, 0, 10, 0, 0, 0, 0x03, 0x80, 1, 1350000 / 128 / 10},
        {"AUXFAN1 code 5 in bank 5", 0x53, 5, 90, 0, 0, 0, 0x84, 0, 1, 1350000 / 32 / 90},
        {"AUXFAN0 code 2", 0x2A, 0, 50, 0, 0x80, 0, 0, 0, 1, 1350000 / 4 / 50},
    };
    for (const auto& c : cases) {
        regs.Set(0, 0x47, c.r47);
        regs.Set(0, 0x4B, c.r4b);
        regs.Set(0, 0x5D, c.r5d);
        regs.Set(0, 0x59, c.r59);
        regs.Set(0, 0x4C, c.r4c);
        regs.Set(c.bank, c.pin, c.count);
        int rpm = -7;
        EXPECT_EQ(chip.ReadFanSpeed(c.pin, &rpm), c.result) << c.name;
        EXPECT_EQ(rpm, c.rpm) << c.name;
    }
}

TEST_F(W83627EHFTest, FanLimitUsesTheDivisorBothWays) {
    regs.Set(0, 0x47, 0x30);  // SYSFAN divisor 8
    ASSERT_EQ(chip.SetFanLimit(0x28, 3000), 1);
    EXPECT_EQ(regs.Get(0, 0x3B), 1350000 / 3000 / 8);
    int rpm = 0;
    ASSERT_EQ(chip.ReadFanLimit(0x28, &rpm), 1);
    EXPECT_EQ(rpm, 1350000 / 8 / 56);
    io.ClearLog();
    EXPECT_EQ(chip.SetFanLimit(0x28, 0), 0);
    EXPECT_EQ(io.RegisterLog().size(), 4u) << "0 rpm: bank select and divisor reads only";
    EXPECT_EQ(regs.Get(0, 0x3B), 56);
    regs.Set(5, 0x5C, 0);
    rpm = 5;
    EXPECT_EQ(chip.ReadFanLimit(0x53, &rpm), 0);
    EXPECT_EQ(rpm, 5);
    ASSERT_EQ(chip.SetFanLimit(0x53, 6000), 1);
    EXPECT_EQ(regs.Get(5, 0x5C), 1350000 / 6000);
}

TEST_F(W83627EHFTest, BeepMasksAndTheBankSelectRegister) {
    regs.Set(0, 0x4E, 0x85);
    uint8_t b[4] = {0x11, 0x22, 0x33, 0xFF};
    ASSERT_EQ(chip.WriteBeepMasks(b), 1);
    EXPECT_EQ(io.RegisterLog(), (Log{"R 4E=85", "W 4E=80", "W 56=11", "W 57=22", "R 4E=80",
                                     "W 4E=30", "R 4E=30", "W 4E=34", "W 53=33"}));
    EXPECT_EQ(regs.Get(4, 0x53), 0x33);
    uint8_t r[4] = {};
    io.ClearLog();
    ASSERT_EQ(chip.ReadBeepMasks(r), 1);
    EXPECT_EQ(io.RegisterLog(), (Log{"R 4E=34", "W 4E=30", "R 56=11", "R 57=22", "R 4E=30",
                                     "R 4E=30", "W 4E=34", "R 53=33"}));
    EXPECT_EQ(r[0], 0x11);
    EXPECT_EQ(r[1], 0x22);
    EXPECT_EQ(r[2], 0x33);
    EXPECT_EQ(r[3], 0x30);
}

TEST_F(W83627EHFTest, WriteBeepMasksKeepsOnlyBeepAndBankBitsOf4E) {
    regs.ScriptReads(0x4E, {0x85, 0x85});
    uint8_t b[4] = {0, 0, 0, 0xFF};
    ASSERT_EQ(chip.WriteBeepMasks(b), 1);
    auto log = io.RegisterLog();
    ASSERT_GE(log.size(), 6u);
    EXPECT_EQ(log[4], "R 4E=85");
    EXPECT_EQ(log[5], "W 4E=35");
}

TEST_F(W83627EHFTest, SmiMasksStatusGlobalBeepAndSetUpWrites) {
    uint8_t m[4] = {1, 2, 3, 4};
    ASSERT_EQ(chip.WriteSmiMasks(m), 1);
    EXPECT_EQ(io.RegisterLog(), (Log{"R 4E=00", "W 4E=00", "W 43=01", "W 44=02", "W 46=03",
                                     "R 4E=00", "W 4E=04", "W 51=04"}));
    uint8_t back[4] = {};
    ASSERT_EQ(chip.ReadSmiMasks(back), 1);
    EXPECT_EQ(std::vector<uint8_t>(back, back + 4), (std::vector<uint8_t>{1, 2, 3, 4}));

    regs.Set(4, 0x59, 0xA0);
    regs.Set(4, 0x5A, 0x0B);
    regs.Set(4, 0x5B, 0xC0);
    uint8_t s[3] = {};
    ASSERT_EQ(chip.ReadRealTimeStatus(s), 1);
    EXPECT_EQ(std::vector<uint8_t>(s, s + 3), (std::vector<uint8_t>{0xA0, 0x0B, 0xC0}));

    regs.Set(0, 0x57, 0x15);
    ASSERT_EQ(chip.SetGlobalBeep(true), 1);
    EXPECT_EQ(regs.Get(0, 0x57), 0x95);
    ASSERT_EQ(chip.SetGlobalBeep(false), 1);
    EXPECT_EQ(regs.Get(0, 0x57), 0x15);

    regs.Set(4, 0x53, 0xFF);
    regs.Set(0, 0x47, 0x30);
    io.ClearLog();
    ASSERT_EQ(chip.WriteRegister0E(1), 1);
    ASSERT_EQ(chip.SetBank4Register53Bit5(false), 1);
    ASSERT_EQ(chip.SetRegister47Bit0(true), 1);
    EXPECT_EQ(io.RegisterLog(),
              (Log{"R 4E=00", "W 4E=00", "W 0E=01", "R 4E=00", "W 4E=04", "R 53=FF", "W 53=DF",
                   "R 4E=04", "W 4E=00", "R 47=30", "W 47=31"}));
}

TEST_F(W83627EHFTest, FanControlFieldsReadModifyWrite) {
    regs.Set(0, 0x04, 0xFF);
    ASSERT_EQ(chip.SetFanMode(0x28, 2), 1);
    EXPECT_EQ(regs.Get(0, 0x04), 0xFB);
    EXPECT_EQ(io.RegisterLog(), (Log{"R 4E=00", "W 4E=00", "R 04=FF", "W 04=FB"}));

    // Each fan's tolerance is its own: setting CPUFAN1's leaves SYSFAN's and CPUFAN0's in 0x07.
    regs.Set(0, 0x07, 0x3C);
    regs.Set(0, 0x62, 0x30);
    ASSERT_EQ(chip.SetFanTolerance(0x3F, 5), 1);
    EXPECT_EQ(regs.Get(0, 0x62), 0x35);
    EXPECT_EQ(regs.Get(0, 0x07), 0x3C);
    uint8_t tol = 0;
    ASSERT_EQ(chip.ReadFanTolerance(0x29, &tol), 1);
    EXPECT_EQ(tol, 3);
    ASSERT_EQ(chip.ReadFanTolerance(0x3F, &tol), 1);
    EXPECT_EQ(tol, 5);

    struct Case {
        const char* name;
        std::function<int()> call;
        uint8_t reg, before, after;
    };
    const Case cases[] = {
        {"AUXFAN0 mode", [&] { return chip.SetFanMode(0x2A, 1); }, 0x12, 0xFF, 0xFB},
        {"CPUFAN1 mode", [&] { return chip.SetFanMode(0x3F, 3); }, 0x62, 0x00, 0x30},
        {"CPUFAN0 output type", [&] { return chip.SetFanOutputType(0x29, 0); }, 0x04, 0xFF, 0xFD},
        {"CPUFAN1 output type", [&] { return chip.SetFanOutputType(0x3F, 1); }, 0x62, 0, 0x40},
        {"SYSFAN target", [&] { return chip.SetFanTarget(0x28, 127); }, 0x05, 0x80, 0x7F},
        {"AUXFAN0 tolerance", [&] { return chip.SetFanTolerance(0x2A, 15); }, 0x14, 0xA0, 0xAF},
        {"CPUFAN0 stop", [&] { return chip.SetFanStopValue(0x29, 0x40); }, 0x09, 0, 0x40},
        {"CPUFAN1 start", [&] { return chip.SetFanStartValue(0x3F, 0xC0); }, 0x65, 0, 0xC0},
        {"CPUFAN1 duty", [&] { return chip.SetFanDuty(0x3F, 0x99); }, 0x61, 0, 0x99},
        {"SYSFAN flag on", [&] { return chip.SetFanControlFlag(0x28, true); }, 0x12, 0x01, 0x21},
        {"CPUFAN1 flag off", [&] { return chip.SetFanControlFlag(0x3F, false); }, 0x12, 0xFF, 0xBF},
    };
    for (const auto& c : cases) {
        regs.Set(0, c.reg, c.before);
        EXPECT_EQ(c.call(), 1) << c.name;
        EXPECT_EQ(regs.Get(0, c.reg), c.after) << c.name;
    }
    regs.Set(0, 0x06, 0xD5);
    uint8_t target = 0;
    ASSERT_EQ(chip.ReadFanTarget(0x29, &target), 1);
    EXPECT_EQ(target, 0x55) << "bit 7 is masked off";
}

TEST_F(W83627EHFTest, OutOfRangeFanControlValuesDoNothingAfterTheBankSelect) {
    const std::function<int()> calls[] = {
        [&] { return chip.SetFanMode(0x28, 4); },
        [&] { return chip.SetFanOutputType(0x28, 2); },
        [&] { return chip.SetFanTarget(0x28, 130); },
        [&] { return chip.SetFanTolerance(0x28, 16); },
    };
    for (const auto& call : calls) {
        regs.Set(0, 0x4E, 0x05);
        io.ClearLog();
        EXPECT_EQ(call(), 0);
        EXPECT_EQ(io.RegisterLog(), (Log{"R 4E=05", "W 4E=00"}));
    }
}

TEST_F(W83627EHFTest, FanWithoutControlReturnsZeroAfterSelectingBankZero) {
    uint8_t v = 0x77;
    const std::function<int()> calls[] = {
        [&] { return chip.SetFanDuty(0x53, 1); },
        [&] { return chip.SetFanMode(0x53, 1); },
        [&] { return chip.SetFanOutputType(0x53, 0); },
        [&] { return chip.SetFanTarget(0x53, 40); },
        [&] { return chip.SetFanTolerance(0x53, 2); },
        [&] { return chip.SetFanStopValue(0x53, 1); },
        [&] { return chip.SetFanStartValue(0x53, 1); },
        [&] { return chip.ReadFanMode(0x53, &v); },
        [&] { return chip.ReadFanTarget(0x53, &v); },
        [&] { return chip.ReadFanTolerance(0x53, &v); },
        [&] { return chip.ReadFanStopValue(0x53, &v); },
        [&] { return chip.ReadFanStartValue(0x53, &v); },
    };
    for (const auto& call : calls) {
        regs.Set(0, 0x4E, 0x05);
        io.ClearLog();
        EXPECT_EQ(call(), 0);
        EXPECT_EQ(io.RegisterLog(), (Log{"R 4E=05", "W 4E=00"}));
    }
    EXPECT_EQ(v, 0x77);
    io.ClearLog();
    EXPECT_EQ(chip.SetFanControlFlag(0x53, true), 0);
    EXPECT_EQ(io.RegisterLog(), (Log{"R 4E=00", "W 4E=00", "R 12=00"}));
}

TEST_F(W83627EHFTest, MultiRegisterOperationsStopAtTheFirstFailure) {
    regs.Set(1, 0x55, 80);
    uint8_t hw = 0, hh = 0, lw = 0, lh = 0;
    io.FailAccess(7);  // the data read of 0x56, after bank select (4) and 0x55 (2) and an index
    EXPECT_EQ(chip.ReadTemperatureLimitsRaw(0x50, &hw, &hh, &lw, &lh, 1), ERR_PORT_READ);
    EXPECT_EQ(hw, 80);
    EXPECT_EQ(io.RegisterLog().back(), "I 56") << "nothing after the failed read";
    io.ClearFailures();
    io.ClearLog();
    io.FailPort(0x296, PortAccess::Out);
    uint8_t b[4] = {};
    EXPECT_EQ(chip.WriteBeepMasks(b), ERR_PORT_WRITE);
    EXPECT_EQ(io.RegisterLog(), (Log{"R 4E=01", "I 4E"}));
}
