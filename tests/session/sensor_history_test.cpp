// The run-long sensor history and the graph scale rule, fed with made-up passes.

#include <gtest/gtest.h>

#include <cmath>

#include "graph_scale.h"
#include "sensor_history.h"
#include "sensor_item_config.h"

namespace {

constexpr int64_t T0 = 1'700'000'000'000;  // a minute boundary
constexpr int64_t PASS_MS = 2000;

SPassSnapshot Pass(int64_t unixMs, double volts, bool read = true) {
    SPassSnapshot pass;
    pass.unixTimeMs = unixMs;
    SItemSnapshot item;
    item.name = "-12V";
    item.type = ITEM_VOLTAGE;
    item.enabled = true;
    item.value = volts;
    item.stale = !read;
    item.lastReadUnixMs = unixMs;
    pass.items.push_back(item);
    return pass;
}

TEST(GraphScale, OneStepOfNoiseIsASmallPartOfTheGraph) {
    struct SCase {
        const char* what;
        int32_t type;
        double low, high, loLimit, hiLimit, step;
        double mustShow;  // a value the scale includes
    };
    const SCase cases[] = {
        {"-12 V inside its window", ITEM_VOLTAGE, -12.05, -11.99, -13.2, -10.8, 0.06, -13.2},
        {"-12 V without limits", ITEM_VOLTAGE, -12.05, -11.99, 0, 0, 0.06, -12.05},
        {"CPU below its ceiling", ITEM_TEMPERATURE, 44, 45, 0, 60, 0.5, 60},
        {"temperature without limit", ITEM_TEMPERATURE, 44, 44.5, 0, 0, 0.5, 44},
        {"fan above its floor", ITEM_FAN, 2480, 2520, 1200, 0, 40, 1200},
        {"fan without floor", ITEM_FAN, 2480, 2520, 0, 0, 40, 2480},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.what);
        const SGraphScale s = GraphScale(c.type, c.low, c.high, c.loLimit, c.hiLimit);
        ASSERT_LT(s.low, s.high);
        EXPECT_LE(s.low, c.low);
        EXPECT_GE(s.high, c.high);
        EXPECT_LE(s.low, c.mustShow);
        EXPECT_GE(s.high, c.mustShow);
        // One step is at most a tenth of the height.
        EXPECT_LE(c.step / (s.high - s.low), 0.1);
    }
}

TEST(GraphScale, ReadingsFarOutsideTheLimitsStayOnTheGraph) {
    const SGraphScale s = GraphScale(ITEM_VOLTAGE, 2.0, 2.1, 3.1, 3.5);
    EXPECT_LE(s.low, 2.0);
    EXPECT_GE(s.high, 3.5);
    const SGraphScale none = GraphScale(ITEM_FAN, 1, 0, 0, 0);  // no readings at all
    EXPECT_LT(none.low, none.high);
}

TEST(SensorHistory, KeepsTheLastHourOfPassesAndMarksGaps) {
    CSensorHistory history;
    const int passes = 2000;  // more than an hour
    for (int i = 0; i < passes; ++i)
        history.Record(Pass(T0 + i * PASS_MS, -12.0 + (i % 2) * 0.06, i != passes - 2));
    const int64_t now = T0 + (passes - 1) * PASS_MS;
    ASSERT_TRUE(history.Has("Volt:-12V"));

    const auto tenMinutes = history.Series("Volt:-12V", 600'000, now);
    ASSERT_EQ(tenMinutes.size(), 301u);
    EXPECT_EQ(tenMinutes.back().unixMs, now);
    EXPECT_FALSE(tenMinutes[299].read);
    EXPECT_TRUE(tenMinutes.back().read);

    // The hour is all the fine ring holds: the oldest passes are gone.
    const auto hour = history.Series("Volt:-12V", 3'600'000, now);
    EXPECT_EQ(hour.size(), CSensorHistory::FINE_POINTS);
    EXPECT_EQ(hour.front().unixMs, now - (CSensorHistory::FINE_POINTS - 1) * PASS_MS);
}

TEST(SensorHistory, TwentyFourHoursInMinuteBucketsWithinBoundedMemory) {
    CSensorHistory history;
    const int64_t passes = 25 * 3600 / 2;  // more than a day
    for (int64_t i = 0; i < passes; ++i)
        history.Record(Pass(T0 + i * PASS_MS, -12.0 + (i % 2) * 0.06));
    const int64_t now = T0 + (passes - 1) * PASS_MS;
    const auto day = history.Series("Volt:-12V", 86'400'000, now);
    ASSERT_EQ(day.size(), CSensorHistory::BUCKETS);
    const SHistoryPoint& minute = day[day.size() / 2];
    EXPECT_TRUE(minute.read);
    EXPECT_FLOAT_EQ(minute.low, -12.0f);
    EXPECT_FLOAT_EQ(minute.high, -11.94f);
    EXPECT_NEAR(minute.value, -11.97, 0.001);
    EXPECT_EQ(minute.unixMs % CSensorHistory::BUCKET_MS, 0);
    EXPECT_LE(history.CapacityBytes(), 100u * 1024u);
}

}  // namespace
