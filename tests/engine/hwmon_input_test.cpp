// When a hwmon sensor's reading is an alarm: its value through the item's divider and offset,
// the item's own limits, and the kernel's alarm files for the kernel's own limits.

#include "hwmon_input.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "temp_dir.h"

namespace {

struct SAlarmCase {
    const char* name;
    int32_t type;
    double hiLimit, loLimit;  // the item's; bounds are 0..100 (fans 0..5000)
    const char* input;        // the kernel's text, in its units
    const char* max;          // nullptr: no such file
    const char* alarm;        // nullptr: no such file
    double factor, offset;
    bool expected;
};

TEST(HwmonInput, AlarmsFromLimitsAndTheKernel) {
    const SAlarmCase cases[] = {
        // Without alarm files the monitor compares with every limit the item's type has.
        {"voltage over", ITEM_VOLTAGE, 1.5, 1.0, "1600", nullptr, nullptr, 1, 0, true},
        {"voltage under", ITEM_VOLTAGE, 1.5, 1.0, "900", nullptr, nullptr, 1, 0, true},
        {"voltage inside", ITEM_VOLTAGE, 1.5, 1.0, "1200", nullptr, nullptr, 1, 0, false},
        {"limit at the bound is none", ITEM_VOLTAGE, 100, 0, "150000", nullptr, nullptr, 1, 0,
         false},
        {"temperature has no low limit", ITEM_TEMPERATURE, 80, 60, "-128000", nullptr, nullptr, 1,
         0, false},
        {"temperature over", ITEM_TEMPERATURE, 80, 80, "80500", nullptr, nullptr, 1, 0, true},
        {"fan under", ITEM_FAN, 0, 600, "550", nullptr, nullptr, 1, 0, true},
        {"fan without a limit", ITEM_FAN, 0, 0, "0", nullptr, nullptr, 1, 0, false},
        // Scaled: 2.0 V behind a 1/6 divider, minus 0.05, is 11.95 V, under 12.
        {"scaled under", ITEM_VOLTAGE, 13.2, 12, "2000", nullptr, nullptr, 1.0 / 6, -0.05, true},
        // With alarm files, the kernel's own limit is the kernel's to judge: a chip's unset
        // limit under a healthy reading raises nothing, and the kernel's alarm always counts.
        {"kernel's limit, no alarm", ITEM_VOLTAGE, 2.04, 0, "3392", "2040", "0", 1, 0, false},
        {"kernel's alarm", ITEM_VOLTAGE, 2.04, 0, "1000", "2040", "1", 1, 0, true},
        // A limit the user chose is the monitor's to judge.
        {"user's limit over", ITEM_VOLTAGE, 3.0, 0, "3392", "2040", "0", 1, 0, true},
        {"user's limit inside", ITEM_VOLTAGE, 3.5, 0, "3392", "2040", "0", 1, 0, false},
    };
    for (const SAlarmCase& c : cases) {
        SCOPED_TRACE(c.name);
        CTempDir dir;
        SHwmonDevice device;
        device.Name = "chip";
        device.Identity = "devices/platform/chip.0";
        SHwmonChannel channel;
        channel.Kind = c.type == ITEM_VOLTAGE       ? EHwmonKind::Voltage
                       : c.type == ITEM_TEMPERATURE ? EHwmonKind::Temperature
                                                    : EHwmonKind::Fan;
        channel.Channel = "x1";
        channel.InputPath = dir.PathOf("x1_input");
        ASSERT_TRUE(dir.WriteFile("x1_input", std::string(c.input) + "\n"));
        if (c.max != nullptr) {
            channel.MaxPath = dir.PathOf("x1_max");
            ASSERT_TRUE(dir.WriteFile("x1_max", std::string(c.max) + "\n"));
        }
        if (c.alarm != nullptr) {
            channel.AlarmPaths.push_back(dir.PathOf("x1_alarm"));
            ASSERT_TRUE(dir.WriteFile("x1_alarm", std::string(c.alarm) + "\n"));
        }
        SensorItemConfig item;
        item.ItemType = c.type;
        item.HiLimit = c.hiLimit;
        item.LoLimit = c.loLimit;
        item.HiBound = c.type == ITEM_FAN ? 5000 : 100;
        item.LoBound = 0;
        item.Factor = c.factor;
        item.Offset = c.offset;

        const CHwmonInput input(device, channel);
        double value = 0;
        bool alarm = !c.expected;
        ASSERT_EQ(input.Read(item, &value, &alarm), 0);
        EXPECT_EQ(alarm, c.expected);
    }
}

TEST(HwmonInput, AFailedReadSetsNothing) {
    CTempDir dir;
    SHwmonChannel channel;
    channel.InputPath = dir.PathOf("in0_input");
    const CHwmonInput input(SHwmonDevice{}, channel);
    SensorItemConfig item;
    item.ItemType = ITEM_VOLTAGE;
    item.Factor = 1;
    double value = 7;
    bool alarm = true;
    EXPECT_EQ(input.Read(item, &value, &alarm), ENOENT);
    ASSERT_TRUE(dir.WriteFile("in0_input", ""));
    EXPECT_EQ(input.Read(item, &value, &alarm), ENODATA) << "a disk asleep";
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(alarm);
}

}  // namespace
