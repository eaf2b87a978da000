#include "w83627ehf_model.h"

#include <gtest/gtest.h>

using namespace sim_ehf;

namespace {

constexpr int CPUFAN0 = 1;
constexpr int CPU_TEMPERATURE = 0;
constexpr int SYS_TEMPERATURE = 2;

}  // namespace

TEST(W83627ehfModel, BankSelectKeepsTheOtherBitsAndMovesOnlyTheWindow) {
    CW83627ehfModel chip;
    EXPECT_EQ(chip.ReadRegister(0x4E), 0x80);
    chip.WriteRegister(0x0E, 0x11);
    chip.WriteRegister(0x4E, 0x85);
    EXPECT_EQ(chip.Bank(), 5);
    EXPECT_EQ(chip.ReadRegister(0x4E), 0x85);  // the bank select is in every bank
    EXPECT_EQ(chip.ReadRegister(0x0E), 0x11);  // outside 0x50..0x5F nothing is banked
    chip.WriteRegister(0x5E, 0x55);
    chip.WriteRegister(0x4E, 0x83);
    EXPECT_EQ(chip.ReadRegister(0x5E), 0x00);
    chip.WriteRegister(0x5E, 0x33);
    chip.WriteRegister(0x4E, 0x05);
    EXPECT_EQ(chip.ReadRegister(0x5E), 0x55);
    EXPECT_EQ(chip.Read({3, 0x5E}), 0x33);
    EXPECT_EQ(chip.Bank(), 5);
}

TEST(W83627ehfModel, ReadingsAndStatusAreReadOnly) {
    CW83627ehfModel chip;
    chip.SetVoltageInput(0, 1.248);
    chip.Write({0, 0x20}, 0x12);
    EXPECT_EQ(chip.Read({0, 0x20}), 156);
    chip.SetTemperatureInput(CPU_TEMPERATURE, 71.5);
    chip.Write({1, 0x50}, 3);
    chip.Write({1, 0x51}, 0);
    EXPECT_EQ(chip.Read({1, 0x50}), 71);
    EXPECT_EQ(chip.Read({1, 0x51}), 0x80);
    // Bank 5 0x51 is a voltage, bank 0 0x51 a plain register.
    chip.Write({0, 0x51}, 0x42);
    EXPECT_EQ(chip.Read({0, 0x51}), 0x42);
    const uint8_t status = chip.Read({4, 0x59});
    chip.Write({4, 0x59}, static_cast<uint8_t>(~status));
    EXPECT_EQ(chip.Read({4, 0x59}), status);
}

TEST(W83627ehfModel, VoltageAlarmIsACountOutsideTheWindow) {
    CW83627ehfModel chip;
    chip.Write({0, 0x2B}, 0xA0);
    chip.Write({0, 0x2C}, 0x90);
    struct Case {
        int count;
        bool alarm;
    };
    for (const Case c : {Case{0xA0, false}, Case{0xA1, true}, Case{0x90, false}, Case{0x8F, true},
                         Case{0x98, false}}) {
        chip.SetVoltageInput(0, c.count * VOLTS_PER_COUNT);
        EXPECT_EQ(chip.InAlarm(0), c.alarm) << c.count;
        EXPECT_EQ(chip.Read({4, 0x59}) & 1, c.alarm ? 1 : 0) << c.count;
    }
}

TEST(W83627ehfModel, TemperatureAlarmHoldsUntilBelowTheHysteresis) {
    CW83627ehfModel chip;
    chip.Write({1, 0x55}, 70);  // limit 70.5
    chip.Write({1, 0x56}, 0x80);
    chip.Write({1, 0x53}, 65);  // hysteresis 65.0
    chip.Write({1, 0x54}, 0x00);
    const int pin = *FindPin("CPUTEMPERATURE");
    struct Step {
        double celsius;
        bool alarm;
    };
    const Step steps[] = {{60, false}, {70.5, false}, {71, true},  {68, true},
                          {65, true},  {64.5, false}, {70, false}, {75, true}};
    for (const Step& s : steps) {
        chip.SetTemperatureInput(CPU_TEMPERATURE, s.celsius);
        EXPECT_EQ(chip.InAlarm(pin), s.alarm) << s.celsius;
    }
    // Raising the limit does not end the alarm; only falling below the hysteresis does.
    chip.Write({1, 0x55}, 90);
    EXPECT_TRUE(chip.InAlarm(pin));
    chip.Write({1, 0x53}, 80);
    EXPECT_FALSE(chip.InAlarm(pin));
}

TEST(W83627ehfModel, SystemTemperatureComparesWholeDegrees) {
    CW83627ehfModel chip;
    chip.Write({0, 0x39}, 55);
    chip.Write({0, 0x3A}, 50);
    const int pin = *FindPin("SYSTEMPERATURE");
    chip.SetTemperatureInput(SYS_TEMPERATURE, 55.5);
    EXPECT_EQ(chip.Read({0, 0x27}), 55);
    EXPECT_FALSE(chip.InAlarm(pin));
    chip.SetTemperatureInput(SYS_TEMPERATURE, 56);
    EXPECT_TRUE(chip.InAlarm(pin));
    chip.SetTemperatureInput(SYS_TEMPERATURE, 50.5);
    EXPECT_TRUE(chip.InAlarm(pin));
    chip.SetTemperatureInput(SYS_TEMPERATURE, 49.5);
    EXPECT_FALSE(chip.InAlarm(pin));
}

TEST(W83627ehfModel, FanAlarmIsACountAboveTheLimitCount) {
    CW83627ehfModel chip;
    chip.SetFanDivisorCode(CPUFAN0, 3);
    const int pin = *FindPin("CPUFAN0");
    struct Case {
        uint8_t limit;
        double rpm;
        bool alarm;
    };
    const Case cases[] = {
        {210, 804, false},  {210, 790, true},  {210, 0, true}, {210, 3000, false},
        {255, 0, false},    {255, 500, false}, {0, 0, false},  {0, 3000, false},
        {135, 1250, false}, {134, 1250, true},
    };
    for (const Case& c : cases) {
        chip.Write({0, 0x3C}, c.limit);
        chip.SetFanInput(CPUFAN0, c.rpm);
        EXPECT_EQ(chip.InAlarm(pin), c.alarm) << int(c.limit) << " " << c.rpm;
    }
}

TEST(W83627ehfModel, DivisorBitsSpreadOverThreeRegisters) {
    // Per fan: the register bits of divisor code bits 0, 1, 2 and the count register.
    struct Bit {
        SReg reg;
        int bit;
    };
    struct Fan {
        int index;
        Bit bits[3];
        SReg count;
    };
    const Fan fans[] = {
        {0, {{{0, 0x47}, 4}, {{0, 0x47}, 5}, {{0, 0x5D}, 5}}, {0, 0x28}},
        {1, {{{0, 0x47}, 6}, {{0, 0x47}, 7}, {{0, 0x5D}, 6}}, {0, 0x29}},
        {2, {{{0, 0x4B}, 6}, {{0, 0x4B}, 7}, {{0, 0x5D}, 7}}, {0, 0x2A}},
        {3, {{{0, 0x59}, 0}, {{0, 0x59}, 1}, {{0, 0x4C}, 7}}, {0, 0x3F}},
        {4, {{{0, 0x59}, 2}, {{0, 0x59}, 3}, {{0, 0x59}, 7}}, {5, 0x53}},
    };
    const uint8_t countsAt1250[8] = {255, 255, 255, 135, 68, 34, 17, 8};
    for (const Fan& f : fans) {
        for (int code = 0; code < 8; ++code) {
            CW83627ehfModel chip;
            chip.SetFanInput(f.index, 1250);
            for (int b = 0; b < 3; ++b) {
                if ((code >> b) & 1) {
                    const SReg r = f.bits[b].reg;
                    chip.Write(r, static_cast<uint8_t>(chip.Read(r) | (1 << f.bits[b].bit)));
                }
            }
            EXPECT_EQ(chip.FanDivisorCode(f.index), code) << f.index;
            EXPECT_EQ(chip.Read(f.count), countsAt1250[code])
                << "fan " << f.index << " code " << code;
        }
    }
}

TEST(W83627ehfModel, BeepingNeedsAnAlarmItsBeepBitAndGlobalBeep) {
    CW83627ehfModel chip;
    chip.Write({0, 0x2B}, 0xA0);
    chip.Write({0, 0x2C}, 0x90);
    chip.SetVoltageInput(0, 0xB0 * VOLTS_PER_COUNT);
    EXPECT_FALSE(chip.IsBeeping());
    chip.Write({0, 0x56}, 0x01);
    EXPECT_FALSE(chip.IsBeeping());
    chip.Write({0, 0x57}, 0x80);
    EXPECT_TRUE(chip.IsBeeping());
    chip.Write({0, 0x56}, 0xFE);
    EXPECT_FALSE(chip.IsBeeping());
    chip.Write({0, 0x56}, 0x01);
    chip.SetVoltageInput(0, 0x98 * VOLTS_PER_COUNT);
    EXPECT_FALSE(chip.IsBeeping());
}

namespace {

// CPUFAN0 in thermal cruise on the CPU temperature: target 50, tolerance 3, stop 40, start 200.
CW83627ehfModel CruisingChip(bool keepMinimum, uint8_t duty) {
    CW83627ehfModel chip;
    chip.Write({0, 0x04}, 0x10);
    chip.Write({0, 0x06}, 50);
    chip.Write({0, 0x07}, 0x30);
    chip.Write({0, 0x09}, 40);
    chip.Write({0, 0x0B}, 200);
    chip.Write({0, 0x12}, keepMinimum ? 0x10 : 0x00);
    chip.Write({0, 0x03}, duty);
    return chip;
}

}  // namespace

TEST(W83627ehfModel, CruiseMovesTheDutyOneStepOutsideTheBand) {
    struct Case {
        double celsius;
        uint8_t dutyBefore;
        bool keepMinimum;
        uint8_t dutyAfter;
    };
    const Case cases[] = {
        {60, 100, true, 101},                           // hot: up
        {60, 200, true, 200},                           // at the start value already
        {60, 250, true, 200},                           // above the range: back into it
        {60, 0, false, 200},                            // a stopped fan restarts at its start value
        {50, 100, true, 100},                           // in the band: holds
        {53, 100, true, 100},                           // the band includes its edges
        {53.5, 100, true, 101}, {46.5, 100, true, 99},  // cold: down
        {40, 40, true, 40},                             // at the stop value, kept turning
        {40, 40, false, 0},                             // at the stop value, stops
        {40, 0, false, 0},      {50, 0, false, 0},      // a stopped fan in the band stays stopped
        {50, 0, true, 40},                              // unless its flag keeps the minimum
        {50, 20, true, 40},
    };
    for (const Case& c : cases) {
        CW83627ehfModel chip = CruisingChip(c.keepMinimum, c.dutyBefore);
        chip.SetTemperatureInput(CPU_TEMPERATURE, c.celsius);
        chip.StepFanControl();
        EXPECT_EQ(chip.FanControl(CPUFAN0).duty, c.dutyAfter)
            << c.celsius << " C, duty " << int(c.dutyBefore) << ", keep " << c.keepMinimum;
    }
}

TEST(W83627ehfModel, ManualFansKeepTheirDuty) {
    CW83627ehfModel chip = CruisingChip(true, 100);
    chip.Write({0, 0x04}, 0x00);
    chip.SetTemperatureInput(CPU_TEMPERATURE, 90);
    for (int i = 0; i < 10; ++i)
        chip.StepFanControl();
    EXPECT_EQ(chip.FanControl(CPUFAN0).duty, 100);
}

TEST(W83627ehfModel, FanControlFieldsComeFromTheirRegisters) {
    CW83627ehfModel chip;
    chip.Write({0, 0x62}, 0x5C);  // CPUFAN1: mode 1, output type 1, tolerance 12
    chip.Write({0, 0x63}, 0xC5);  // target 0x45 (bit 7 is not part of it)
    chip.Write({0, 0x07}, 0xA3);  // SYSFAN's tolerance 3, CPUFAN0's 10
    chip.Write({0, 0x64}, 33);
    chip.Write({0, 0x65}, 222);
    chip.Write({0, 0x12}, 0x40);
    chip.Write({0, 0x61}, 77);
    const SFanControlState s = chip.FanControl(3);
    EXPECT_EQ(s.mode, 1);
    EXPECT_EQ(s.outputType, 1);
    EXPECT_EQ(s.target, 0x45);
    EXPECT_EQ(s.tolerance, 12);
    EXPECT_EQ(s.stop, 33);
    EXPECT_EQ(s.start, 222);
    EXPECT_TRUE(s.keepMinimum);
    EXPECT_EQ(s.duty, 77);
    EXPECT_EQ(chip.FanControl(CPUFAN0).tolerance, 10);
    EXPECT_FALSE(chip.FanControl(CPUFAN0).keepMinimum);
}
