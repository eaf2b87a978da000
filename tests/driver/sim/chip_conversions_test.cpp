#include "chip_conversions.h"

#include <gtest/gtest.h>

using namespace sim_ehf;

TEST(ChipConversions, VoltageCountsAt8mVThroughTheDivider) {
    struct Case {
        double volts;
        double divider;
        bool negative;
        uint8_t count;
    };
    const Case cases[] = {
        {1.248, 1.0, false, 156}, {1.25, 1.0, false, 156}, {1.252, 1.0, false, 157},
        {12.0, 0.15, false, 225}, {3.3, 0.5, false, 206},  {0.0, 1.0, false, 0},
        {2.04, 1.0, false, 255},  {2.5, 1.0, false, 255},  {-12.0, 1.0, true, 35},
        {-5.0, 1.0, true, 120},   {-14.9, 1.0, true, 0},   {6.0, 1.0, true, 254},
        {-24.0, 0.5, true, 35},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VoltageCount(c.volts, c.divider, c.negative), c.count)
            << c.volts << " V / " << c.divider << (c.negative ? " negative" : "");
    }
}

TEST(ChipConversions, CountsReadBackWithTheMonitorsFormulas) {
    EXPECT_DOUBLE_EQ(VoltsFromCount(156, 1.0, false), 156 * 0.008);
    EXPECT_DOUBLE_EQ(VoltsFromCount(225, 0.15, false), 225 * 0.008 / 0.15);
    EXPECT_DOUBLE_EQ(VoltsFromCount(35, 1.0, true),
                     (35 * 16 * 0.001 - 2.9000000000000004) * 5.142857142857143);
    // A reading converts back to the count it came from.
    for (int count = 0; count < 256; ++count) {
        for (bool negative : {false, true}) {
            const double volts = VoltsFromCount(static_cast<uint8_t>(count), 0.32, negative);
            EXPECT_EQ(VoltageCount(volts, 0.32, negative), count) << count << " " << negative;
        }
    }
}

TEST(ChipConversions, MeasurableRangeEndsHalfACountBeyondTheScale) {
    EXPECT_TRUE(VoltageMeasurable(0.0, 1.0, false));
    EXPECT_TRUE(VoltageMeasurable(2.043, 1.0, false));
    EXPECT_FALSE(VoltageMeasurable(2.044, 1.0, false));
    EXPECT_FALSE(VoltageMeasurable(-0.005, 1.0, false));
    EXPECT_TRUE(VoltageMeasurable(-14.0, 1.0, true));
    EXPECT_FALSE(VoltageMeasurable(-15.0, 1.0, true));
}

TEST(ChipConversions, TemperaturesTruncateToTheHalfDegreeBelow) {
    struct Case {
        double celsius;
        uint8_t whole;
        uint8_t half;
    };
    const Case cases[] = {
        {71.5, 71, 0x80},   {71.0, 71, 0x00},     {71.4, 71, 0x00},   {71.9, 71, 0x80},
        {0.0, 0, 0x00},     {-0.5, 0xFF, 0x80},   {-1.0, 0xFF, 0x00}, {127.5, 127, 0x80},
        {200.0, 127, 0x80}, {-128.0, 0x80, 0x00},
    };
    for (const Case& c : cases) {
        const STemperatureBytes b = TemperatureBytes(c.celsius);
        EXPECT_EQ(b.whole, c.whole) << c.celsius;
        EXPECT_EQ(b.half, c.half) << c.celsius;
    }
    EXPECT_EQ(TemperatureHalfUnits({70, 0x80}), 141);
    EXPECT_EQ(TemperatureHalfUnits({0xFF, 0x80}), -1);
    EXPECT_DOUBLE_EQ(CelsiusFromBytes({65, 0x00}), 65.0);
}

TEST(ChipConversions, FanCountsAreTheClockOverRpmTimesDivisor) {
    struct Case {
        double rpm;
        int code;
        uint8_t count;
    };
    const Case cases[] = {
        {1250, 3, 135},  {1250, 4, 68},   {1250, 7, 8},   {1250, 2, 255},
        {0, 3, 255},     {662, 3, 255},   {665, 3, 254},  {2400, 3, 70},
        {1350000, 0, 1}, {5000000, 0, 1}, {3000, 1, 225},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FanCount(c.rpm, FanDivisor(static_cast<uint8_t>(c.code))), c.count)
            << c.rpm << " rpm, code " << c.code;
    }
    EXPECT_EQ(FanRpmFromCount(135, 8), 1250);
    EXPECT_EQ(FanRpmFromCount(255, 8), 0);
    EXPECT_EQ(FanRpmFromCount(0, 8), 0);
    EXPECT_EQ(FanLimitCount(800, 8), 210);
    EXPECT_EQ(FanLimitCount(100, 8), 255);
    EXPECT_EQ(FanLimitCount(0, 8), 255);
}

TEST(ChipConversions, DutyAndPercentRoundAsTheMonitorDoes) {
    EXPECT_EQ(DutyFromPercent(50), 128);
    EXPECT_EQ(DutyFromPercent(100), 255);
    EXPECT_EQ(DutyFromPercent(0), 0);
    EXPECT_EQ(PercentFromDuty(0), 1);
    EXPECT_EQ(PercentFromDuty(255), 100);
    EXPECT_EQ(DutyFromPercent(PercentFromDuty(128)), 130);
}
