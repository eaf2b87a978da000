#include "chip_conversions.h"

#include <gtest/gtest.h>

TEST(ChipConversions, VoltageLimitRoundTripTruncates) {
    struct Case {
        double volts, factor;
        bool negative;
        uint8_t count;
    };
    const Case cases[] = {
        {1.6, 1.0, false, 200},  {3.3, 0.5, false, 206},  {12.0, 0.148, false, 221},
        {-12.0, 1.0, true, 35},  {-5.0, 1.0, true, 120},  {0.0, 1.0, false, 0},
        {2.05, 1.0, false, 255}, {100.0, 1.0, true, 255}, {-100.0, 1.0, true, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CountFromVolts(c.volts, c.factor, c.negative), c.count) << c.volts;
    }
    for (int raw = 0; raw < 256; ++raw) {
        double v = VoltsFromCount(static_cast<uint8_t>(raw), 0.5, false);
        EXPECT_NEAR(LimitVoltsFromCount(static_cast<uint8_t>(raw), 0.5, false), v, 1e-12);
    }
}

TEST(ChipConversions, FanCountsAndDuties) {
    EXPECT_EQ(FanDivisor(0), 1);
    EXPECT_EQ(FanDivisor(7), 128);
    EXPECT_EQ(RpmFromCount(135, 8), 1250);
    struct LimitCase {
        int rpm, divisor;
        uint8_t count;
    };
    const LimitCase limits[] = {{3000, 8, 56},  {1, 2, 255},     {2647, 2, 255},
                                {2648, 2, 254}, {2000000, 1, 1}, {-1, 1, 255}};
    for (const auto& c : limits)
        EXPECT_EQ(LimitCountFromRpm(c.rpm, c.divisor), c.count) << c.rpm;

    struct DutyCase {
        int percent;
        uint8_t duty;
        int back;
    };
    const DutyCase duties[] = {{50, 128, 51}, {100, 255, 100}, {0, 0, 1}, {120, 255, 100}};
    for (const auto& c : duties) {
        EXPECT_EQ(DutyFromPercent(c.percent), c.duty) << c.percent;
        EXPECT_EQ(PercentFromDuty(c.duty), c.back) << c.percent;
    }
    EXPECT_EQ(DutyFromPercent(PercentFromDuty(128)), 130) << "the percent round trip";
    EXPECT_EQ(DutyFromPercent(PercentFromDuty(0)), 2);
}

TEST(ChipConversions, TemperatureBytes) {
    EXPECT_EQ(WholeDegrees(70.9), 70);
    EXPECT_EQ(WholeDegrees(-0.5), 0);
    EXPECT_EQ(WholeDegrees(255.5), 255);
    EXPECT_EQ(CelsiusFromBytes(45, 0x01), 45.5);
    EXPECT_EQ(CelsiusFromBytes(45, 0), 45.0);
}
