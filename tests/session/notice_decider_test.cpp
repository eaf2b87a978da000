// The desktop notifications a run of passes calls for, from made-up snapshots.

#include "notice_decider.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t PASS_MS = 2000;

SItemSnapshot Temperature(int32_t no, const std::string& name, double value, bool alarm) {
    SItemSnapshot item;
    item.itemNo = no;
    item.name = name;
    item.type = ITEM_TEMPERATURE;
    item.unit = "°C";
    item.value = value;
    item.hiLimit = 70;
    item.enabled = true;
    item.alarm = alarm;
    item.lastReadUnixMs = 1;
    return item;
}

// A run of passes two seconds apart over three temperatures; `alarms` names which are in
// warning, "-" is a pass in which the chip answered nothing, "s" one with the second stale.
class NoticeRun {
  public:
    std::vector<SDesktopNotice> Pass(const std::string& alarms, int powerOffIn = -1) {
        SPassSnapshot pass;
        pass.pass = ++m_pass;
        pass.unixTimeMs = static_cast<int64_t>(m_pass) * PASS_MS;
        pass.chipAnswered = alarms != "-";
        pass.statusRead = pass.chipAnswered;
        const char* names[] = {"CPU", "SYSTIN", "AUXTIN"};
        for (int i = 0; i < 3; ++i) {
            const bool on = alarms.find(static_cast<char>('0' + i)) != std::string::npos;
            pass.items.push_back(Temperature(i, names[i], on ? 75 : 40, on));
        }
        pass.items[1].stale = alarms == "s";
        pass.items[0].powerOffIn = powerOffIn;
        return m_decider.Decide(pass);
    }
    // The notices of `count` equal passes, in order.
    std::vector<SDesktopNotice> Passes(int count, const std::string& alarms) {
        std::vector<SDesktopNotice> all;
        for (int i = 0; i < count; ++i)
            for (SDesktopNotice& n : Pass(alarms))
                all.push_back(std::move(n));
        return all;
    }

  private:
    CNoticeDecider m_decider;
    uint64_t m_pass = 0;
};

constexpr int CALM_PASSES = CNoticeDecider::CALM_MS / PASS_MS;

TEST(NoticeDecider, AWarningNamesTheSensorItsReadingAndItsLimit) {
    NoticeRun run;
    EXPECT_TRUE(run.Pass("").empty());
    const auto notices = run.Pass("0");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], (SDesktopNotice{ENoticeSlot::Alarm, false, "CPU in warning",
                                          "CPU: 75 °C, limit 70 °C", ENoticeUrgency::Normal}));
}

TEST(NoticeDecider, ManyChangesInOnePassAreOneNotificationWithTheNewestFirst) {
    NoticeRun run;
    run.Pass("1");
    const auto notices = run.Pass("012");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].summary, "3 sensors in warning");
    EXPECT_EQ(notices[0].body,
              "CPU: 75 °C, limit 70 °C\nAUXTIN: 75 °C, limit 70 °C\nSYSTIN: 75 °C, limit 70 °C");
}

TEST(NoticeDecider, AFlappingSensorIsOneWarningAndOneBackToNormalAfterTheCalm) {
    NoticeRun run;
    EXPECT_EQ(run.Pass("0").size(), 1u);
    // In and out of warning, never calm for long: nothing more.
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(run.Passes(CALM_PASSES - 1, "").empty() && run.Pass("0").empty()) << i;
    // Calm long enough: back to normal, once.
    const auto calm = run.Passes(CALM_PASSES + 5, "");
    ASSERT_EQ(calm.size(), 1u);
    EXPECT_EQ(calm[0].summary, "All sensors back to normal");
    EXPECT_EQ(calm[0].slot, ENoticeSlot::Alarm);
    // And a new warning is told again.
    EXPECT_EQ(run.Pass("0").size(), 1u);
}

TEST(NoticeDecider, ReadingsThatStopAreToldOnceWhenTheyLastAndWhenTheyComeBack) {
    struct Case {
        const char* name;
        std::vector<std::string> passes;
        std::vector<std::string> summaries;
    };
    const Case cases[] = {
        {"one bad pass is not told", {"-", "", "s", ""}, {}},
        {"stopped", {"-", "-", "-", "-"}, {"No readings"}},
        {"stale, then none", {"s", "s", "s", "-", "-"}, {"Stale readings", "No readings"}},
        {"none, then stale", {"-", "-", "s", "s", "-"}, {"No readings"}},
    };
    for (const Case& c : cases) {
        NoticeRun run;
        std::vector<std::string> summaries;
        for (const std::string& p : c.passes)
            for (const SDesktopNotice& n : run.Pass(p)) {
                EXPECT_EQ(n.slot, ENoticeSlot::Readings) << c.name;
                summaries.push_back(n.summary);
            }
        EXPECT_EQ(summaries, c.summaries) << c.name;
        const auto back = run.Passes(CALM_PASSES + 2, "");
        if (c.summaries.empty()) {
            EXPECT_TRUE(back.empty()) << c.name;
        } else {
            ASSERT_EQ(back.size(), 1u) << c.name;
            EXPECT_EQ(back[0].summary, "Readings are back") << c.name;
        }
    }
}

TEST(NoticeDecider, TheStaleNoticeNamesTheSensors) {
    NoticeRun run;
    run.Pass("s");
    const auto notices = run.Pass("s");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].body, "1 sensor was not read; the values shown are older: SYSTIN.");
}

TEST(NoticeDecider, TheCountdownIsCriticalReplacedAsItCountsAndWithdrawnWhenCancelled) {
    NoticeRun run;
    auto notices = run.Pass("0", 10);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[1], (SDesktopNotice{ENoticeSlot::PowerOff, false, "Power-off in 10 s",
                                          "CPU: 75 °C, limit 70 °C\nThe computer is switched off "
                                          "unless the reading returns within its limit.",
                                          ENoticeUrgency::Critical}));
    notices = run.Pass("0", 8);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].summary, "Power-off in 8 s");
    EXPECT_TRUE(run.Pass("0", 8).empty());
    notices = run.Pass("", -1);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].slot, ENoticeSlot::PowerOff);
    EXPECT_TRUE(notices[0].withdraw);
    EXPECT_TRUE(run.Pass("").empty());
}

}  // namespace
