// One contract for both ways to the chip, raw registers and the kernel's hwmon driver: an item
// reads the same value from the same chip state, its limits reach the chip as the same counts,
// alarms come from the chip, and FanPilot switches the chip's own control on and puts back what
// it found.

#include <gtest/gtest.h>

#include "chip_way_test_support.h"
#include "fake_machine.h"
#include "pin_table.h"
#include "sensor_item.h"

namespace {

template <typename Way>
class ChipWayContract : public ::testing::Test {
  protected:
    CSensorItem& Item(const std::string& pinName, int32_t type, double factor = 1,
                      bool negative = false) {
        auto config = std::make_unique<SensorItemConfig>();
        config->Name = pinName;
        config->PinName = pinName;
        config->ItemNo = static_cast<int32_t>(items.size()) + 1;
        config->ItemType = type;
        config->Factor = factor;
        config->Negative = negative;
        config->Enable = true;
        config->CpuNo = 1;
        configs.push_back(std::move(config));
        items.push_back(
            std::make_unique<CSensorItem>(configs.back().get(), machine, way.Access().NewChip()));
        EXPECT_TRUE(items.back()->Bind()) << pinName;
        return *items.back();
    }
    static uint8_t Pin(const char* name) { return PinRegister(*FindPin(name)); }
    static uint8_t Bank(const char* name) { return PinBank(*FindPin(name)); }

    Way way;
    CFakeMachine machine;
    std::vector<std::unique_ptr<SensorItemConfig>> configs;
    std::vector<std::unique_ptr<CSensorItem>> items;
};

using Ways = ::testing::Types<CRawWay, CKernelWay>;
class WayNames {
  public:
    template <typename T>
    static std::string GetName(int) {
        return std::is_same_v<T, CRawWay> ? "Raw" : "Kernel";
    }
};
TYPED_TEST_SUITE(ChipWayContract, Ways, WayNames);

TYPED_TEST(ChipWayContract, SameReadings) {
    // Voltages, the kernel's doubled inputs (VAVCC, VBAT) and a negative rail among them.
    const struct {
        const char* pin;
        uint8_t count;
        double factor;
        bool negative;
    } volts[] = {{"VCORE", 150, 1, false},   {"VAVCC", 206, 0.5, false}, {"VBAT", 101, 0.5, false},
                 {"VIN4", 255, 0.25, false}, {"VIN3", 120, 1, true},     {"VIN1", 0, 1, false}};
    for (const auto& c : volts) {
        this->way.PutVoltage(this->Pin(c.pin), c.count);
        CSensorItem& item = this->Item(c.pin, ITEM_VOLTAGE, c.factor, c.negative);
        ASSERT_TRUE(item.ReadValue()) << c.pin;
        EXPECT_DOUBLE_EQ(item.GetValue(), VoltsFromCount(c.count, c.factor, c.negative)) << c.pin;
    }
    const struct {
        const char* pin;
        uint8_t whole;
        bool half;
        double celsius;
    } temps[] = {{"SYSTEMPERATURE", 41, false, 41},
                 {"CPUTEMPERATURE", 55, true, 55.5},
                 {"AUXTEMPERATURE", 200, false, 200}};
    for (const auto& c : temps) {
        this->way.PutTemperature(this->Pin(c.pin), this->Bank(c.pin), c.whole, c.half);
        CSensorItem& item = this->Item(c.pin, ITEM_TEMPERATURE);
        ASSERT_TRUE(item.ReadValue()) << c.pin;
        EXPECT_DOUBLE_EQ(item.GetValue(), c.celsius) << c.pin;
    }
    const struct {
        const char* pin;
        uint8_t count;
        int rpm;
    } fans[] = {{"SYSFAN", 135, 10000}, {"CPUFAN1", 225, 6000}, {"AUXFAN1", 255, 0}};
    for (const auto& c : fans) {
        this->way.PutFan(this->Pin(c.pin), c.count);
        CSensorItem& item = this->Item(c.pin, ITEM_FAN);
        ASSERT_TRUE(item.ReadValue()) << c.pin;
        EXPECT_EQ(item.GetValue(), c.rpm) << c.pin;
    }
}

TYPED_TEST(ChipWayContract, LimitsReachTheChip) {
    const struct {
        const char* pin;
        double factor, hi, lo;
    } volts[] = {{"VCORE", 1, 1.6, 1.2}, {"VAVCC", 0.5, 3.6, 3.0}, {"VSB", 0.5, 5.5, 4.5}};
    for (const auto& c : volts) {
        CSensorItem& item = this->Item(c.pin, ITEM_VOLTAGE, c.factor);
        ASSERT_TRUE(item.SetLimits(c.hi, c.lo)) << c.pin;
        uint8_t high = 0, low = 0;
        this->way.VoltageLimits(this->Pin(c.pin), &high, &low);
        EXPECT_EQ(high, CountFromVolts(c.hi, c.factor, false)) << c.pin;
        EXPECT_EQ(low, CountFromVolts(c.lo, c.factor, false)) << c.pin;
        ASSERT_TRUE(item.ReadLimits());
        double hi = 0, lo = 0;
        item.GetLimits(&hi, &lo);
        EXPECT_DOUBLE_EQ(hi, LimitVoltsFromCount(high, c.factor, false)) << c.pin;
    }
    const struct {
        const char* pin;
        double hi, lo;
        std::array<uint8_t, 4> chip;  // high whole, high half, low whole, low half
    } temps[] = {{"SYSTEMPERATURE", 70, 65, {70, 0, 65, 0}},
                 {"CPUTEMPERATURE", 70.5, 65, {70, 0x80, 65, 0x80}},
                 {"AUXTEMPERATURE", 60, 55, {60, 0, 55, 0}}};
    for (const auto& c : temps) {
        CSensorItem& item = this->Item(c.pin, ITEM_TEMPERATURE);
        ASSERT_TRUE(item.SetLimits(c.hi, c.lo)) << c.pin;
        EXPECT_EQ(this->way.TemperatureLimits(this->Pin(c.pin), this->Bank(c.pin)), c.chip)
            << c.pin;
    }
    CSensorItem& fan = this->Item("CPUFAN0", ITEM_FAN);
    ASSERT_TRUE(fan.SetLimits(9000, 6000));
    EXPECT_EQ(this->way.FanLimitCount(this->Pin("CPUFAN0")), 225);
    // No low limit: the slowest count, which no fan is ever under.
    ASSERT_TRUE(fan.SetLimits(9000, 0));
    EXPECT_EQ(this->way.FanLimitCount(this->Pin("CPUFAN0")), 255);
}

TYPED_TEST(ChipWayContract, AlarmsComeFromTheChip) {
    const char* pins[] = {"VCORE",          "VIN2",    "CPUTEMPERATURE",
                          "AUXTEMPERATURE", "CPUFAN0", "AUXFAN1"};
    const int32_t types[] = {ITEM_VOLTAGE,     ITEM_VOLTAGE, ITEM_TEMPERATURE,
                             ITEM_TEMPERATURE, ITEM_FAN,     ITEM_FAN};
    for (size_t i = 0; i < std::size(pins); ++i)
        this->Item(pins[i], types[i]);
    for (const char* pin : {"VIN2", "AUXTEMPERATURE", "AUXFAN1"})
        this->way.PutAlarm(this->Pin(pin), this->Bank(pin));

    uint8_t s[3] = {0, 0, 0};
    ASSERT_GE(this->way.Access().NewChip()->ReadRealTimeStatus(s), 1);
    const bool expected[] = {false, true, false, true, false, true};
    for (size_t i = 0; i < std::size(pins); ++i) {
        ASSERT_TRUE(this->items[i]->UpdateAlarmFromStatus(s)) << pins[i];
        EXPECT_EQ(this->items[i]->IsAlarm(), expected[i]) << pins[i];
    }
}

TYPED_TEST(ChipWayContract, FanPilotOnAndRestored) {
    for (const char* pin : {"SYSFAN", "AUXFAN0", "CPUFAN1"}) {
        const SFanState found{false, 40, 2, 128, 64, 200};
        this->way.PutFanControl(this->Pin(pin), found);
        CSensorItem& fan = this->Item(pin, ITEM_FAN);

        SensorItemConfig on = *this->configs.back();
        on.SmartFanEnable = true;
        on.TargetTemp = 55;
        on.ToleranceTemp = 3;
        on.StartCtrl = 100;
        on.StopCtrl = 35;
        ASSERT_TRUE(fan.ApplyFanControl(on)) << pin;
        SFanState pilot = this->way.FanControl(this->Pin(pin));
        EXPECT_TRUE(pilot.automatic) << pin;
        EXPECT_EQ(pilot.target, 55) << pin;
        EXPECT_EQ(pilot.tolerance, 3) << pin;
        EXPECT_EQ(pilot.start, 255) << pin;
        EXPECT_EQ(pilot.stop, 89) << pin;

        // What was found comes back through the percent round trip; manual means full duty.
        ASSERT_TRUE(fan.RestoreFanControl()) << pin;
        EXPECT_EQ(this->way.FanControl(this->Pin(pin)), (SFanState{false, 40, 2, 130, 66, 255}))
            << pin;
    }
    // AUXFAN1 has no fan control on either way.
    CSensorItem& aux = this->Item("AUXFAN1", ITEM_FAN);
    EXPECT_FALSE(aux.SetSmartFan(true));
}

}  // namespace
