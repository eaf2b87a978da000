// The two-second pass on the simulated board with a fake clock: alarms from the chip, readings,
// the 20-second power-off rule, and the engine's start and end steps.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine_fixture.h"

namespace {

struct PassTest : EngineFixture {
    // One pass, then the clock moves on by the timer period.
    void Pass(CMonitorEngine& engine) {
        engine.UpdateAll();
        machine.AdvanceSeconds(2);
    }
    bool ReadRegister(const std::string& reg) {
        for (const std::string& e : io.RegisterLog()) {
            if (e.rfind("R " + reg + "=", 0) == 0)
                return true;
        }
        return false;
    }
};

TEST_F(PassTest, AlarmAndReadingsFollowTheChip) {
    UseSimBoardFile();
    auto engine = Start();
    Sim("set VCORE 1.35");
    Sim("set CPUFAN0 stall");
    ASSERT_TRUE(engine->UpdateAll());
    EXPECT_FALSE(engine->FindItem(1)->IsAlarm());
    EXPECT_NEAR(engine->FindItem(1)->GetValue(), 1.35, 0.008);
    EXPECT_TRUE(engine->FindItem(14)->IsAlarm());
    EXPECT_EQ(engine->FindItem(14)->GetValue(), 0);

    Sim("set VCORE 1.7");
    Sim("release CPUFAN0");
    Sim("set CPUFAN0 2250");
    ASSERT_TRUE(engine->UpdateAll());
    EXPECT_TRUE(engine->FindItem(1)->IsAlarm());
    EXPECT_FALSE(engine->FindItem(14)->IsAlarm());
    EXPECT_NEAR(engine->FindItem(14)->GetValue(), 2250, 30);
    EXPECT_NEAR(engine->FindItem(6)->GetValue(), -12, 0.2) << "negative rail";
    EXPECT_NEAR(engine->FindItem(2)->GetValue(), 12, 0.1) << "through its divider";
}

TEST_F(PassTest, PowerOffAfterTwentySecondsOfAlarm) {
    UseSimBoardFile();
    auto engine = Start();
    CSensorItem* cpu = engine->FindItem(11);
    ASSERT_TRUE(cpu->IsShutdownEnabled());
    Sim("set CPUTEMPERATURE 82.5");

    for (int pass = 1; pass <= 10; ++pass) {
        Pass(*engine);
        ASSERT_TRUE(cpu->IsAlarm()) << pass;
        EXPECT_EQ(machine.powerOff.requests, 0) << "pass " << pass << ": 18 s at pass 10";
    }
    EXPECT_EQ(cpu->ShutdownSecondsLeft(), 0) << "20 s have passed since the first alarm pass";
    Pass(*engine);
    EXPECT_EQ(machine.powerOff.requests, 1) << "pass 11";
    Pass(*engine);
    EXPECT_EQ(machine.powerOff.requests, 2) << "asked again on every pass while it stands";

    // A clear pass restarts the count.
    Sim("set CPUTEMPERATURE 40");
    Pass(*engine);
    EXPECT_FALSE(cpu->IsAlarm());
    EXPECT_EQ(cpu->GetAlarmSince(), 0);
    Sim("set CPUTEMPERATURE 82.5");
    for (int pass = 1; pass <= 10; ++pass)
        Pass(*engine);
    EXPECT_EQ(machine.powerOff.requests, 2);
    Pass(*engine);
    EXPECT_EQ(machine.powerOff.requests, 3);
}

TEST_F(PassTest, AlarmClearedAtPassElevenDoesNotPowerOff) {
    UseSimBoardFile();
    auto engine = Start();
    Sim("set CPUTEMPERATURE 82.5");
    for (int pass = 1; pass <= 10; ++pass)
        Pass(*engine);
    Sim("set CPUTEMPERATURE 40");
    Pass(*engine);
    EXPECT_EQ(machine.powerOff.requests, 0);
}

// Each engine reaches the chip only through the port it was given: two engines on two boards
// in one process each read their own.
TEST_F(PassTest, TwoEnginesOnTwoPortsReadTheirOwnBoards) {
    UseSimBoardFile();
    std::string error;
    auto otherBoard = LoadTestBoard([this] { return simNow; }, &error);
    ASSERT_TRUE(otherBoard) << error;
    CSimPortIo otherIo;
    otherIo.Attach(otherBoard.get());
    auto engine = Start();
    CMonitorEngine other(machine, otherIo);
    ASSERT_TRUE(other.Initialize());
    Sim("set VCORE 1.35");
    ASSERT_EQ(otherBoard->Execute("set VCORE 1.1").substr(0, 3), "OK\n");

    otherIo.ClearLog();
    ASSERT_TRUE(engine->UpdateAll());
    EXPECT_TRUE(otherIo.Log().empty()) << "the first engine's pass touched the other port";
    io.ClearLog();
    ASSERT_TRUE(other.UpdateAll());
    EXPECT_TRUE(io.Log().empty()) << "the other engine's pass touched the first port";
    EXPECT_NEAR(engine->FindItem(1)->GetValue(), 1.35, 0.008);
    EXPECT_NEAR(other.FindItem(1)->GetValue(), 1.1, 0.008);
}

TEST_F(PassTest, ShutdownSwitchAndTheSettersRestartTheCount) {
    UseSimBoardFile();
    auto engine = Start();
    CSensorItem* cpu = engine->FindItem(11);
    Sim("set CPUTEMPERATURE 82.5");
    for (int pass = 1; pass <= 10; ++pass)
        Pass(*engine);
    cpu->SetEnabled(true);
    EXPECT_EQ(cpu->ShutdownSecondsLeft(), -1);
    for (int pass = 1; pass <= 10; ++pass)
        Pass(*engine);
    EXPECT_EQ(machine.powerOff.requests, 0);
    EXPECT_EQ(cpu->ShutdownSecondsLeft(), 0) << "due on the next pass";

    // Items without the shutdown switch are never timed.
    CSensorItem* chipset = engine->FindItem(12);
    Sim("set AUXTEMPERATURE 75");
    for (int pass = 1; pass <= 12; ++pass)
        Pass(*engine);
    EXPECT_TRUE(chipset->IsAlarm());
    EXPECT_EQ(chipset->GetAlarmSince(), 0);
}

TEST_F(PassTest, OnlyPlatformsWithAPowerOffAreAsked) {
    struct Case {
        uint32_t platform, major, minor;
        int requests;
    };
    const Case cases[] = {
        {VER_PLATFORM_LINUX, 6, 1, 1},
        {VER_PLATFORM_WIN32_NT, 5, 1, 1},        // XP
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 1},  // 98
        {VER_PLATFORM_WIN32_NT, 4, 0, 0},        // NT 4: nothing, on every pass
    };
    UseSimBoardFile();
    for (const Case& c : cases) {
        machine.os.platform = c.platform;
        machine.os.major = c.major;
        machine.os.minor = c.minor;
        machine.powerOff.requests = 0;
        std::filesystem::remove(HivePath());
        auto engine = Start();
        Sim("set CPUTEMPERATURE 82.5");
        for (int pass = 1; pass <= 11; ++pass)
            Pass(*engine);
        EXPECT_EQ(machine.powerOff.requests, c.requests) << c.platform << " " << c.major;
        Sim("release CPUTEMPERATURE");
    }
}

TEST_F(PassTest, DisabledItemIsNotReadButItsAlarmFollowsTheChip) {
    UseSimBoardFile();
    EditBoard("ITEM1", "Enable", "0");
    EditBoard("ITEM1", "ShutDownEnable", "1");
    auto engine = Start();
    Sim("set VCORE 1.8");
    io.ClearLog();
    for (int pass = 1; pass <= 12; ++pass)
        Pass(*engine);
    CSensorItem* vcore = engine->FindItem(1);
    EXPECT_TRUE(vcore->IsAlarm());
    EXPECT_FALSE(ReadRegister("20")) << "VCORE's reading register";
    EXPECT_TRUE(ReadRegister("21")) << "the next item is read";
    EXPECT_EQ(vcore->GetValue(), 0);
    EXPECT_EQ(machine.powerOff.requests, 0);
}

TEST_F(PassTest, UnknownPinDoesNotStopThePass) {
    UseTestBoard("unknown_pin.ini");
    bool ok = true;
    auto engine = Start(&ok);
    EXPECT_FALSE(ok) << "the start reports the item it could not bind";
    ASSERT_EQ(engine->Items().size(), 3u);
    EXPECT_FALSE(engine->FindItem(2)->IsBound());
    EXPECT_EQ(engine->SettingsSource(), CMonitorEngine::ESettingsSource::BoardFile);
    EXPECT_TRUE(Hive().KeyExists(ItemKey(3))) << "the other items' settings were saved";
    CW83627EHF chip{io};
    double hi = 0, lo = 0;
    ASSERT_EQ(chip.ReadTemperatureLimits(0x50, &hi, &lo, 1), 1);
    EXPECT_EQ(hi, 70) << "the item after the bad one got its limits";

    Sim("set CPUTEMPERATURE 82.5");
    Sim("set VCORE 1.35");
    for (int pass = 1; pass <= 11; ++pass)
        Pass(*engine);
    EXPECT_FALSE(engine->FindItem(2)->IsAlarm());
    EXPECT_TRUE(engine->FindItem(3)->IsAlarm()) << "alarms after the bad item still update";
    EXPECT_NEAR(engine->FindItem(3)->GetValue(), 82.5, 0.01);
    EXPECT_EQ(machine.powerOff.requests, 1) << "power-off protection still works";
}

TEST_F(PassTest, FailedStatusReadKeepsFlagsButReadsValues) {
    UseSimBoardFile();
    auto engine = Start();
    Sim("set CPUFAN0 stall");
    ASSERT_TRUE(engine->UpdateAll());
    ASSERT_TRUE(engine->FindItem(14)->IsAlarm());

    Sim("release CPUFAN0");
    Sim("set CPUFAN0 2000");
    // Access 1 of the pass is the status read's bank-select read: the status read fails with
    // a negative result and everything after it works.
    io.ClearLog();
    io.FailAccess(1);
    EXPECT_TRUE(engine->UpdateAll());
    io.ClearFailures();
    EXPECT_TRUE(engine->FindItem(14)->IsAlarm()) << "flags of the last good read";
    EXPECT_NEAR(engine->FindItem(14)->GetValue(), 2000, 30) << "values are still read";
}

TEST_F(PassTest, EmptyTableReadsOnlyTheStatus) {
    UseTestBoard("two_rails.ini");
    EditBoard("GLOBAL", "Total_Item_Count", "0");
    auto engine = Start();
    ASSERT_TRUE(engine->Items().empty());
    io.ClearLog();
    ASSERT_TRUE(engine->UpdateAll());
    std::vector<std::string> log = io.RegisterLog();
    std::vector<std::string> reads;
    for (const std::string& e : log) {
        if (e[0] == 'R' && e.substr(2, 2) != "4E")
            reads.push_back(e.substr(0, 4));
    }
    EXPECT_EQ(reads, (std::vector<std::string>{"R 59", "R 5A", "R 5B"}));
}

TEST_F(PassTest, StartMasksSmiAndTheEndRestoresIt) {
    UseSimBoardFile();
    CW83627EHF chip{io};
    const uint8_t original[4] = {0x12, 0x00, 0x30, 0x00};
    ASSERT_EQ(chip.WriteSmiMasks(original), 1);
    {
        auto engine = Start();
        uint8_t m[4] = {};
        ASSERT_EQ(chip.ReadSmiMasks(m), 1);
        EXPECT_EQ(m[0], 0xFF);
        EXPECT_EQ(m[1], 0xEF);
        EXPECT_EQ(m[2], 0x37);
        EXPECT_EQ(m[3], 0x13);
    }
    uint8_t m[4] = {};
    ASSERT_EQ(chip.ReadSmiMasks(m), 1);
    EXPECT_TRUE(std::equal(m, m + 4, original));
    EXPECT_TRUE(machine.notifier.messages.empty());
}

TEST_F(PassTest, FailedRestoreIsShownAndUnreadMasksAreNotWritten) {
    UseSimBoardFile();
    {
        auto engine = Start();
        Sim("fault port 0x296 write");
    }
    Sim("fault off");
    EXPECT_EQ(machine.notifier.messages, std::vector<std::string>{"VORNPILOT: Can't restore SMI!"});

    // The masks could not be read at start: nothing is written back at the end.
    machine.notifier.messages.clear();
    Sim("fault port 0x296 read");
    bool ok = true;
    auto engine = Start(&ok);
    Sim("fault off");
    EXPECT_FALSE(ok);
    EXPECT_TRUE(engine->Items().empty());
    io.ClearLog();
    engine.reset();
    EXPECT_TRUE(io.Log().empty());
    EXPECT_TRUE(machine.notifier.messages.empty());
}

// A value the board file does not give as a whole number ("7e4" is read as 7, a CPU limit of
// 0.007 °C) keeps its reading rule but never arms the power-off: not on a first start, whose
// settings come from the file, nor over saved settings that had ShutDown on.
TEST_F(PassTest, ABoardFileTypingSlipNeverPowersOff) {
    for (const bool saved : {false, true}) {
        SCOPED_TRACE(saved ? "over saved settings" : "first start");
        std::filesystem::remove(HivePath());
        UseSimBoardFile();
        if (saved)
            Start().reset();
        EditBoard("ITEM11", "HiLimit", "7e4");
        auto engine = Start();
        const auto& problems = engine->BoardFileProblems();
        auto said = [&](const std::string& text) {
            return std::any_of(problems.begin(), problems.end(), [&](const std::string& p) {
                return p.find(text) != std::string::npos;
            });
        };
        EXPECT_TRUE(said("[ITEM11] HiLimit: \"7e4\" is not a whole number; read as 7"));
        EXPECT_TRUE(said("[ITEM11] ShutDownEnable: "));
        CSensorItem* cpu = engine->FindItem(11);
        EXPECT_FALSE(cpu->IsShutdownEnabled());
        Sim("set CPUTEMPERATURE 82.5");
        for (int pass = 1; pass <= 15; ++pass)
            Pass(*engine);
        EXPECT_TRUE(cpu->IsAlarm());
        EXPECT_EQ(machine.powerOff.requests, 0);
        Sim("release CPUTEMPERATURE");
    }
}

// An item the board file gets wrong (a factor of 0, an unknown type) is named, listed and never
// read, and the others are programmed as ever, the global beep included.
TEST_F(PassTest, AnItemTheBoardFileGetsWrongIsSkippedAndTheRestProgrammed) {
    UseSimBoardFile();
    EditBoard("ITEM2", "Factor", "0");
    EditBoard("ITEM3", "ItemType", "7");
    auto engine = Start();
    const auto& problems = engine->BoardFileProblems();
    auto said = [&](const std::string& text) {
        return std::any_of(problems.begin(), problems.end(),
                           [&](const std::string& p) { return p.find(text) != std::string::npos; });
    };
    EXPECT_TRUE(said("[ITEM2] Factor: 0 would make every reading infinite; the item is not read"));
    EXPECT_TRUE(said("[ITEM3] ItemType: 7 is not 1 (voltage), 2 (temperature) or 3 (fan)"));
    EXPECT_NE(engine->StartProblem(), EStartProblem::SettingsRefused);
    EXPECT_EQ(engine->SettingsSource(), CMonitorEngine::ESettingsSource::BoardFile);
    EXPECT_TRUE(engine->GetGlobalBeepEnable()) << "the global beep of the board file is on";
    EXPECT_EQ(engine->Items().size(), 18u);
    EXPECT_FALSE(engine->FindItem(2)->IsBound());
    EXPECT_FALSE(engine->FindItem(3)->IsBound());
    Pass(*engine);
    EXPECT_FALSE(engine->FindItem(2)->IsValueFresh()) << "never read, never infinite";
    EXPECT_TRUE(engine->FindItem(1)->IsValueFresh());
    EXPECT_TRUE(engine->FindItem(11)->IsValueFresh());
}

TEST_F(PassTest, EngineRestoresEveryFan) {
    UseSimBoardFile();
    CW83627EHF chip{io};
    uint8_t before = 0;
    ASSERT_EQ(chip.ReadFanMode(0x29, &before), 1);
    auto engine = Start();
    ASSERT_TRUE(engine->FindItem(14)->SetSmartFan(before != 1));
    EXPECT_TRUE(engine->RestoreFanControl());
    uint8_t after = 9;
    ASSERT_EQ(chip.ReadFanMode(0x29, &after), 1);
    EXPECT_EQ(after, before);
}

}  // namespace

namespace {
// One pass reads the 3 status registers and, per enabled item, its reading: a voltage one
// register, a temperature at 0x50 two (whole and half degree) and at 0x27 one, a fan three
// (two divisor registers and the count). Bank selects come on top.
TEST_F(PassTest, RegistersReadInOnePass) {
    UseSimBoardFile();
    EditBoard("ITEM5", "Enable", "0");
    auto engine = Start();
    engine->UpdateAll();
    io.ClearLog();
    ASSERT_TRUE(engine->UpdateAll());
    size_t expected = 3;
    for (const auto& item : engine->Items()) {
        if (!item->IsEnabled())
            continue;
        switch (item->GetItemType()) {
            case ITEM_VOLTAGE:
                expected += 1;
                break;
            case ITEM_TEMPERATURE:
                expected += item->GetPinRegister() == 0x50 ? 2 : 1;
                break;
            case ITEM_FAN:
                expected += 3;
                break;
        }
    }
    std::vector<std::string> log = io.RegisterLog();
    size_t reads = std::count_if(log.begin(), log.end(), [](const std::string& e) {
        return e[0] == 'R' && e.substr(2, 2) != "4E";
    });
    EXPECT_EQ(reads, expected);
    EXPECT_EQ(expected, 3u + 9 + 5 + 15);
    RecordProperty("port_accesses_per_pass", static_cast<int>(io.Log().size()));
}
}  // namespace
