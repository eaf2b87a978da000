// Sensor items against a bare register file: binding, limits, beep bits, alarm bits, settings.

#include "sensor_item.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "chip_fixture.h"
#include "fake_machine.h"
#include "item_binding.h"

namespace {

SensorItemConfig Record(const char* pin, int32_t type) {
    SensorItemConfig c;
    c.Name = pin;
    c.PinName = pin;
    c.ItemNo = 1;
    c.ItemType = type;
    c.Factor = 1;
    c.Enable = true;
    c.BeepEnable = true;
    c.CpuNo = 1;
    return c;
}

struct SensorItemTest : ChipFixture {
    CFakeMachine machine;

    bool Logged(const std::string& entry) const {
        auto log = io.RegisterLog();
        return std::find(log.begin(), log.end(), entry) != log.end();
    }
};

TEST_F(SensorItemTest, NotBoundUntilBind) {
    SensorItemConfig c = Record("VBAT", ITEM_VOLTAGE);
    CSensorItem item(&c, machine, io);
    EXPECT_EQ(item.GetPinRegister(), 0);
    EXPECT_EQ(item.GetPinBank(), 0);
    EXPECT_FALSE(item.IsBound());
    ASSERT_TRUE(item.Bind());
    EXPECT_EQ(item.GetPinRegister(), 0x51);
    EXPECT_EQ(item.GetPinBank(), 5);
}

TEST_F(SensorItemTest, BindingOfEveryPin) {
    struct Case {
        const char* pin;
        uint8_t reg, bank;
        ItemBits bits;
    };
    const Case cases[] = {
        {"VCORE", 0x20, 0, {0, 0, 0, 0}},
        {"VIN0", 0x21, 0, {0, 1, 0, 1}},
        {"VAVCC", 0x22, 0, {0, 2, 0, 2}},
        {"V3VCC", 0x23, 0, {0, 3, 0, 3}},
        {"VIN1", 0x24, 0, {1, 0, 1, 0}},
        {"VIN2", 0x25, 0, {1, 1, 2, 5}},
        {"VIN3", 0x26, 0, {1, 2, 2, 4}},
        {"SYSTEMPERATURE", 0x27, 0, {0, 4, 0, 4}},
        {"SYSFAN", 0x28, 0, {0, 6, 0, 6}},
        {"CPUFAN0", 0x29, 0, {0, 7, 0, 7}},
        {"AUXFAN0", 0x2A, 0, {1, 3, 1, 3}},
        {"CPUFAN1", 0x3F, 0, {3, 4, 1, 2}},
        {"CPUTEMPERATURE", 0x50, 1, {0, 5, 0, 5}},
        {"AUXTEMPERATURE", 0x50, 2, {1, 5, 1, 5}},
        {"VSB", 0x50, 5, {2, 0, 2, 0}},
        {"VBAT", 0x51, 5, {2, 1, 2, 1}},
        {"VIN4", 0x52, 5, {2, 3, 2, 3}},
        {"AUXFAN1", 0x53, 5, {3, 5, 2, 7}},
    };
    for (const Case& c : cases) {
        SensorItemConfig r = Record(c.pin, ITEM_VOLTAGE);
        CSensorItem item(&r, machine, io);
        ASSERT_TRUE(item.Bind()) << c.pin;
        EXPECT_EQ(item.GetPinRegister(), c.reg) << c.pin;
        EXPECT_EQ(item.GetPinBank(), c.bank) << c.pin;

        // The status bit alone raises the alarm; every other bit leaves it off.
        uint8_t s[3] = {0xFF, 0xFF, 0xFF};
        s[c.bits.statusByte] &= static_cast<uint8_t>(~(1u << c.bits.statusBit));
        EXPECT_TRUE(item.UpdateAlarmFromStatus(s));
        EXPECT_FALSE(item.IsAlarm()) << c.pin;
        uint8_t only[3] = {0, 0, 0};
        only[c.bits.statusByte] = static_cast<uint8_t>(1u << c.bits.statusBit);
        EXPECT_TRUE(item.UpdateAlarmFromStatus(only));
        EXPECT_TRUE(item.IsAlarm()) << c.pin;

        // SetBeepBit changes that one bit of the masks.
        regs.Set(0, 0x56, 0);
        regs.Set(0, 0x57, 0);
        regs.Set(4, 0x53, 0);
        regs.Set(0, 0x4E, 0);
        ASSERT_TRUE(item.SetBeepBit(true)) << c.pin;
        uint8_t b[4] = {};
        CW83627EHF chip{io};
        ASSERT_EQ(chip.ReadBeepMasks(b), 1);
        uint8_t expected[4] = {0, 0, 0, 0};
        expected[c.bits.beepByte] = static_cast<uint8_t>(1u << c.bits.beepBit);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(b[i], expected[i]) << c.pin << " byte " << i;
        EXPECT_EQ(b[3] & 0x30, expected[3]) << c.pin;
        ASSERT_TRUE(item.SetBeepBit(false));
        ASSERT_EQ(chip.ReadBeepMasks(b), 1);
        EXPECT_EQ(b[0] | b[1] | b[2] | (b[3] & 0x30), 0) << c.pin;
    }
}

TEST_F(SensorItemTest, UnknownPinIsListedButHasNoBits) {
    SensorItemConfig c = Record("CPUTEMP", ITEM_TEMPERATURE);
    CSensorItem item(&c, machine, io);
    EXPECT_FALSE(item.Bind());
    EXPECT_EQ(item.GetName(), "CPUTEMP") << "settings are copied before the lookup";
    io.ClearLog();
    EXPECT_FALSE(item.SetBeepBit(true));
    EXPECT_TRUE(io.Log().empty()) << "nothing written";
    uint8_t s[3] = {0xFF, 0xFF, 0xFF};
    EXPECT_FALSE(item.UpdateAlarmFromStatus(s));
    EXPECT_FALSE(item.IsAlarm());
    EXPECT_FALSE(item.ReadValue());
}

TEST_F(SensorItemTest, FanValueIsItsRpm) {
    regs.Set(0, 0x47, 0x30);  // SYSFAN divisor code 3: 8
    regs.Set(0, 0x28, 75);    // 1350000 / 8 / 75 = 2250 rpm
    SensorItemConfig c = Record("SYSFAN", ITEM_FAN);
    CSensorItem fan(&c, machine, io);
    ASSERT_TRUE(fan.Bind());
    ASSERT_TRUE(fan.ReadValue());
    EXPECT_EQ(fan.GetValue(), 2250.0);

    regs.Set(0, 0x20, 150);  // 1.2 V
    SensorItemConfig v = Record("VCORE", ITEM_VOLTAGE);
    CSensorItem volt(&v, machine, io);
    ASSERT_TRUE(volt.Bind());
    ASSERT_TRUE(volt.ReadValue());
    EXPECT_DOUBLE_EQ(volt.GetValue(), 150 * 0.008);
}

TEST_F(SensorItemTest, FanFieldsOfOtherTypesAreZero) {
    SensorItemConfig c = Record("VCORE", ITEM_VOLTAGE);
    c.SmartFanSupport = c.SmartFanEnable = true;
    c.TargetTemp = c.ToleranceTemp = c.StartCtrl = c.StopCtrl = 50;
    CSensorItem item(&c, machine, io);
    ASSERT_TRUE(item.Bind());
    EXPECT_FALSE(item.GetSmartFanSupport());
    EXPECT_FALSE(item.GetSmartFanEnable());
    EXPECT_EQ(
        item.GetTargetTemp() + item.GetToleranceTemp() + item.GetStartCtrl() + item.GetStopCtrl(),
        0);
    EXPECT_FALSE(item.Config().SmartFanEnable);
    EXPECT_FALSE(item.SetSmartFan(true)) << "no fan control for a voltage";
}

TEST_F(SensorItemTest, SettersRestartTheTimingAndBeepFlagLeavesTheChip) {
    SensorItemConfig c = Record("VCORE", ITEM_VOLTAGE);
    c.ShutDownEnable = true;
    CSensorItem item(&c, machine, io);
    ASSERT_TRUE(item.Bind());
    uint8_t s[3] = {1, 0, 0};
    item.UpdateAlarmFromStatus(s);
    item.UpdateItem();
    ASSERT_NE(item.GetAlarmSince(), 0);
    item.SetEnabled(true);
    EXPECT_EQ(item.GetAlarmSince(), 0) << "unchanged value, timing restarted all the same";
    item.UpdateItem();
    ASSERT_NE(item.GetAlarmSince(), 0);
    item.SetShutdownEnabled(true);
    EXPECT_EQ(item.GetAlarmSince(), 0);

    io.ClearLog();
    item.SetBeepFlag(false);
    EXPECT_FALSE(item.IsBeepEnabled());
    EXPECT_FALSE(item.Config().BeepEnable);
    EXPECT_TRUE(io.Log().empty());
}

TEST_F(SensorItemTest, FanLimitsReachTheChipAsTheLowLimitOnly) {
    regs.Set(0, 0x47, 0x30);  // SYSFAN divisor 8
    SensorItemConfig c = Record("SYSFAN", ITEM_FAN);
    CSensorItem fan(&c, machine, io);
    ASSERT_TRUE(fan.Bind());
    io.ClearLog();
    ASSERT_TRUE(fan.SetLimits(4000, 3000));
    EXPECT_EQ(regs.Get(0, 0x3B), 1350000 / 3000 / 8);
    std::vector<std::string> writes;
    for (const std::string& e : io.RegisterLog()) {
        if (e[0] == 'W' && e.substr(2, 2) != "4E")
            writes.push_back(e);
    }
    EXPECT_EQ(writes, std::vector<std::string>{"W 3B=38"}) << "only the count for 3000 rpm";
    double hi = 0, lo = 0;
    fan.GetLimits(&hi, &lo);
    EXPECT_EQ(hi, 4000);
    EXPECT_EQ(lo, 3000);

    regs.Set(0, 0x3B, 100);  // 1350000 / 8 / 100 = 1687 rpm
    ASSERT_TRUE(fan.ReadLimits());
    fan.GetLimits(&hi, &lo);
    EXPECT_EQ(hi, 1687);
    EXPECT_EQ(lo, 1687);
    EXPECT_EQ(fan.Config().HiLimit, 1687);
}

TEST_F(SensorItemTest, SetLimitsSuccessRule) {
    regs.Set(0, 0x47, 0x30);
    SensorItemConfig c = Record("SYSFAN", ITEM_FAN);
    CSensorItem fan(&c, machine, io);
    ASSERT_TRUE(fan.Bind());
    struct Case {
        const char* name;
        double lo;
        bool failWrites;
        bool ok;
        uint8_t count;
    };
    const Case cases[] = {
        {"0 rpm: no fan alarm", 0, false, true, 255},
        {"0.9 rpm truncates to 0", 0.9, false, true, 255},
        {"negative rpm: no fan alarm", -50, false, true, 255},
        {"an ordinary limit", 1500, false, true, 112},
        {"a failed write is a failure", 1500, true, false, 0xEE},
        {"a failed write at 0 rpm too", 0, true, false, 0xEE},
    };
    for (const Case& k : cases) {
        regs.Set(0, 0x3B, 0xEE);
        if (k.failWrites)
            io.FailPort(CHIP_DATA_PORT, PortAccess::Out);
        EXPECT_EQ(fan.SetLimits(k.lo, k.lo), k.ok) << k.name;
        io.ClearFailures();
        EXPECT_EQ(regs.Get(0, 0x3B), k.count) << k.name;
        double hi = 0, lo = 0;
        fan.GetLimits(&hi, &lo);
        EXPECT_EQ(lo, k.lo) << k.name << ": stored whatever the chip said";
    }
    SensorItemConfig other = Record("VCORE", 7);
    CSensorItem odd(&other, machine, io);
    ASSERT_TRUE(odd.Bind());
    EXPECT_FALSE(odd.SetLimits(1, 0)) << "a type no operation handles";
    EXPECT_FALSE(odd.ReadValue());
    EXPECT_FALSE(odd.ReadLimits());
}

TEST_F(SensorItemTest, ApplySettingsForms) {
    SensorItemConfig file = Record("VCORE", ITEM_VOLTAGE);
    file.HiLimit = 1.6;
    file.LoLimit = 1.0;
    CSensorItem item(&file, machine, io);
    ASSERT_TRUE(item.Bind());

    SensorItemConfig saved = file;
    saved.Enable = false;
    saved.BeepEnable = true;
    saved.ShutDownEnable = true;
    regs.Set(0, 0x56, 0x01);
    ASSERT_TRUE(item.ApplySettings(saved));
    EXPECT_EQ(regs.Get(0, 0x56) & 1, 0) << "a disabled item's beep bit is cleared";
    EXPECT_TRUE(item.IsBeepEnabled()) << "the registry form keeps the user's flag";
    EXPECT_FALSE(item.IsEnabled());
    EXPECT_TRUE(item.IsShutdownEnabled());

    file.Enable = false;  // the board-file form reads the record the item came from
    ASSERT_TRUE(item.ApplySettings());
    EXPECT_FALSE(item.IsBeepEnabled()) << "the board-file form clears it";
    EXPECT_EQ(regs.Get(0, 0x2B), 200) << "1.6 V high limit";
    EXPECT_EQ(regs.Get(0, 0x2C), 125) << "1.0 V low limit";

    file.Enable = true;
    ASSERT_TRUE(item.ApplySettings());
    EXPECT_EQ(regs.Get(0, 0x56) & 1, 1);
    EXPECT_TRUE(item.IsEnabled());
    EXPECT_TRUE(item.Config().BeepEnable);

    item.SetShutdownEnabled(true);
    io.FailPort(CHIP_DATA_PORT, PortAccess::Out);
    saved.Enable = true;
    saved.ShutDownEnable = false;
    EXPECT_FALSE(item.ApplySettings(saved));
    io.ClearFailures();
    EXPECT_TRUE(item.IsShutdownEnabled()) << "a failed limit write stops before the switches";
}

TEST_F(SensorItemTest, SecondProcessorItemOnOneProcessor) {
    machine.processors = 1;
    regs.Set(0, 0x57, 0x20);  // AUXTEMPERATURE beep bit
    regs.Set(2, 0x55, 33);
    SensorItemConfig c = Record("AUXTEMPERATURE", ITEM_TEMPERATURE);
    c.CpuNo = 2;
    c.HiLimit = 70;
    c.LoLimit = 65;
    CSensorItem item(&c, machine, io);
    ASSERT_TRUE(item.Bind());
    EXPECT_FALSE(item.IsSecondCpuPresent());
    EXPECT_FALSE(item.IsEnabled());
    EXPECT_FALSE(item.IsBeepEnabled());
    EXPECT_EQ(regs.Get(0, 0x57) & 0x20, 0);
    regs.Set(0, 0x57, 0x20);
    ASSERT_TRUE(item.ApplySettings(c));
    EXPECT_EQ(regs.Get(2, 0x55), 33) << "no limits written";
    EXPECT_EQ(regs.Get(0, 0x57) & 0x20, 0);
    EXPECT_FALSE(item.IsEnabled());

    machine.processors = 2;
    CSensorItem two(&c, machine, io);
    ASSERT_TRUE(two.Bind());
    EXPECT_TRUE(two.IsSecondCpuPresent());
    EXPECT_TRUE(two.IsEnabled());
    ASSERT_TRUE(two.ApplySettings(c));
    EXPECT_EQ(regs.Get(2, 0x55), 70);
}

TEST_F(SensorItemTest, DisabledItemIsNeitherReadNorTimed) {
    SensorItemConfig c = Record("VCORE", ITEM_VOLTAGE);
    c.Enable = false;
    c.ShutDownEnable = true;
    CSensorItem item(&c, machine, io);
    ASSERT_TRUE(item.Bind());
    uint8_t s[3] = {1, 0, 0};
    ASSERT_TRUE(item.UpdateAlarmFromStatus(s));
    EXPECT_TRUE(item.IsAlarm()) << "the alarm still follows the chip";
    io.ClearLog();
    EXPECT_TRUE(item.UpdateItem());
    EXPECT_TRUE(io.Log().empty());
    EXPECT_EQ(item.GetAlarmSince(), 0);
    EXPECT_EQ(item.ShutdownSecondsLeft(), -1);
}

}  // namespace
