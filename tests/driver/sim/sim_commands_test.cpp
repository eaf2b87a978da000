#include "sim_commands.h"

#include <gtest/gtest.h>

#include <random>

#include "sim_test_util.h"

TEST(SimCommands, BadCommandsAnswerErr1WithAMessage) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    struct Case {
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        {"", "no command"},
        {"   ", "no command"},
        {"bogus", "unknown command 'bogus'"},
        {"STATUS", "unknown command 'STATUS'"},
        {"status now", "status takes no arguments"},
        {"beeping loud", "beeping takes no arguments"},
        {"get", "usage: get <pin>"},
        {"get VCORE VIN0", "usage: get <pin>"},
        {"get vcore", "unknown pin 'vcore'; pins are VCORE VIN0"},
        {"set", "usage: set <pin> <value>"},
        {"set VCORE", "usage: set <pin> <value>"},
        {"set NOPE 1", "unknown pin 'NOPE'"},
        {"set VCORE abc", "VCORE: 'abc' is not a number"},
        {"set VCORE 1,2", "VCORE: '1,2' is not a number"},
        {"set VCORE nan", "VCORE: 'nan' is not a number"},
        {"set VCORE inf", "VCORE: 'inf' is not a number"},
        {"set VCORE stall", "VCORE: 'stall' is not a number"},
        {"set VCORE -0.5", "VCORE is no negative rail"},
        {"set VCORE 3", "VCORE: 3 V is outside what the input measures (0.000 .. 2.040 V)"},
        {"set VIN2 -20", "VIN2: -20 V is outside what the input measures"},
        {"set CPUTEMPERATURE 128", "CPUTEMPERATURE: 128 C is outside what the sensor reads"},
        {"set CPUTEMPERATURE -129", "outside what the sensor reads (-128.0 .. 127.5 C)"},
        {"set SYSFAN -1", "SYSFAN: rpm cannot be negative"},
        {"set SYSFAN 200000", "SYSFAN: 200000 rpm is faster than divisor 8 can count"},
        {"set SYSFAN fast", "SYSFAN: 'fast' is not a number or stall"},
        {"release", "usage: release <pin>|all"},
        {"release NOPE", "unknown pin 'NOPE'"},
        {"fault", "usage: fault port"},
        {"fault port 296", "usage: fault port"},
        {"fault port xyz on", "fault port: 'xyz' is not a hex port"},
        {"fault port 10000 on", "fault port: '10000' is not a hex port"},
        {"fault port 0x on", "fault port: '0x' is not a hex port"},
        {"fault port 296 maybe", "'maybe' is none of on, read, write, off"},
        {"fault rate 2", "fault rate: '2' is not a number from 0 to 1"},
        {"fault rate -0.1", "is not a number from 0 to 1"},
        {"fault rate half", "is not a number from 0 to 1"},
    };
    for (const Case& c : cases) {
        const std::string reply = rig.board->Execute(c.line);
        EXPECT_EQ(reply.rfind("ERR 1\n", 0), 0u) << c.line << " -> " << reply;
        EXPECT_NE(reply.find(c.message), std::string::npos) << c.line << " -> " << reply;
        EXPECT_EQ(reply.back(), '\n') << c.line;
    }
    // Nothing above changed the board.
    EXPECT_EQ(rig.Command("fault off"), "no faults\n");
    EXPECT_NE(rig.Command("status").find("faults:      none"), std::string::npos);
}

TEST(SimCommands, GetPrintsValueAndRegisterCount) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    struct Case {
        const char* set;
        const char* get;
        const char* reply;
    };
    const Case cases[] = {
        {"set VCORE 1.25", "get VCORE", "1.250 156\n"},
        {"set VIN0 12", "get VIN0", "12.000 225\n"},
        {"set VIN2 -12", "get VIN2", "-12.000 35\n"},
        {"set VIN3 +5e-1", "get VIN3", "0.500 187\n"},
        {"set CPUTEMPERATURE 71.5", "get CPUTEMPERATURE", "71.5 71 128\n"},
        {"set AUXTEMPERATURE 40", "get AUXTEMPERATURE", "40.0 40 0\n"},
        {"set SYSTEMPERATURE 44.5", "get SYSTEMPERATURE", "44.5 44\n"},
        {"set CPUFAN0 1250", "get CPUFAN0", "1250 135\n"},
        {"set CPUFAN1 stall", "get CPUFAN1", "0 255\n"},
        {"set AUXFAN1 0", "get AUXFAN1", "0 255\n"},
        {"set SYSFAN 500", "get SYSFAN", "500 255\n"},
    };
    for (const Case& c : cases) {
        const std::string held = rig.Command(c.set);
        EXPECT_NE(held.find("held: "), std::string::npos) << held;
        EXPECT_EQ(rig.Command(c.get), c.reply) << c.set;
    }
}

TEST(SimCommands, ReleaseHandsTheInputBackToTheBoard) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    rig.Command("set VCORE 1.1");
    rig.Command("set SYSFAN stall");
    EXPECT_EQ(rig.Command("release VCORE"), "VCORE released\n");
    EXPECT_EQ(rig.Command("get VCORE"), "1.350 169\n");
    EXPECT_EQ(rig.Command("get SYSFAN"), "0 255\n");
    EXPECT_EQ(rig.Command("release all"), "every input released\n");
    rig.RunFor(30);
    EXPECT_EQ(rig.Command("get SYSFAN"), "1440 117\n");
}

TEST(SimCommands, BeepingFollowsAlarmsOfBeepingInputs) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    EXPECT_EQ(rig.Command("beeping"), "silent\n");
    rig.Command("set VAVCC 4");  // in alarm, but its beep bit is off
    EXPECT_EQ(rig.Command("beeping"), "silent\n");
    rig.Command("set VCORE 1.8");
    EXPECT_EQ(rig.Command("beeping"), "beeping\n");
    EXPECT_TRUE(rig.board->IsBeeping());
    rig.Command("release VCORE");
    EXPECT_EQ(rig.Command("beeping"), "silent\n");
}

TEST(SimCommands, StatusShowsEveryInputAndTheBoardState) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    rig.Command("set VCORE 1.8");
    rig.Command("set CPUTEMPERATURE 71.5");
    rig.Command("fault port 296 read");
    rig.Command("fault rate 0.25");
    const std::string status = rig.Command("status");
    for (const char* pin : {"VCORE", "VIN0", "VAVCC", "V3VCC", "VIN1", "VIN2", "VIN3", "VSB",
                            "VBAT", "VIN4", "CPUTEMPERATURE", "AUXTEMPERATURE", "SYSTEMPERATURE",
                            "SYSFAN", "CPUFAN0", "AUXFAN0", "CPUFAN1", "AUXFAN1"}) {
        EXPECT_NE(status.find(std::string("\n") + pin + " "), std::string::npos) << pin;
    }
    EXPECT_NE(
        status.find(
            "VCORE               1.800 V       225     1.200 V     1.504 V  ALARM  on    held"),
        std::string::npos)
        << status;
    EXPECT_NE(
        status.find(
            "CPUTEMPERATURE       71.5 C   71/0x80      65.0 C      70.0 C  ALARM  on    held"),
        std::string::npos)
        << status;
    EXPECT_NE(
        status.find(
            "SYSFAN             1440 rpm       117     803 rpm           -  -      off   live"),
        std::string::npos)
        << status;
    EXPECT_NE(status.find("CPUFAN0     8  cruise  "), std::string::npos) << status;
    EXPECT_NE(status.find("global beep: on\n"), std::string::npos);
    EXPECT_NE(status.find("beeping:     yes\n"), std::string::npos);
    EXPECT_NE(status.find("faults:      ports 0x296 read; rate 0.25\n"), std::string::npos)
        << status;
}

TEST(SimCommands, HelpListsTheCommandsAndPins) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    const std::string help = rig.Command("help");
    for (const char* word : {"status", "get <pin>", "set <pin> <value>", "release", "fault port",
                             "fault rate", "fault off", "beeping", "AUXFAN1"}) {
        EXPECT_NE(help.find(word), std::string::npos) << word;
    }
}

TEST(SimCommands, RandomLinesNeverBreakTheBoard) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    const char* words[] = {
        "set",   "get",   "release", "fault", "port",          "rate",  "on",
        "off",   "read",  "write",   "VCORE", "SYSFAN",        "stall", "1e308",
        "-1e-9", "0x296", "FFFF",    "all",   "status",        "",      "\xff\xfe",
        "71.5",  "nan",   "beeping", "help",  "CPUTEMPERATURE"};
    std::mt19937 rng(99);
    for (int i = 0; i < 3000; ++i) {
        std::string line;
        const int count = static_cast<int>(rng() % 5);
        for (int w = 0; w < count; ++w) {
            if (w)
                line += ' ';
            line += words[rng() % std::size(words)];
        }
        const std::string reply = rig.board->Execute(line);
        const bool ok = reply.rfind("OK\n", 0) == 0;
        const bool err = reply.rfind("ERR 1\n", 0) == 0;
        EXPECT_TRUE(ok || err) << line << " -> " << reply;
    }
    rig.Command("fault off");
    rig.Command("release all");
    uint32_t v = 0;
    EXPECT_TRUE(rig.board->ReadPort(0x296, 1, &v));
}

TEST(SimCommands, TemperaturesShowTheTenthBelowLikeTheChipCuts) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    struct Case {
        const char* value;
        const char* reply;
    };
    for (const Case c : {Case{"38.99", "38.9 38 128\n"}, Case{"44.3", "44.3 44 0\n"},
                         Case{"-0.25", "-0.3 255 128\n"}, Case{"127.5", "127.5 127 128\n"}}) {
        rig.Command(std::string("set CPUTEMPERATURE ") + c.value);
        EXPECT_EQ(rig.Command("get CPUTEMPERATURE"), c.reply) << c.value;
    }
}

// The chip answers its identification registers as the W83627EHF does, and can be told to
// answer as another chip; `chip` also counts the register writes it has had.
TEST(SimCommands, ChipIdentificationAnswersAndPretends) {
    SSimRig rig;
    ASSERT_TRUE(rig.board);
    EXPECT_EQ(rig.Read(0, 0x58), 0x88);
    rig.Write(0x4E, 0x80);
    EXPECT_EQ(rig.Read(0x4F), 0x5C) << "high byte while bit 7 of 0x4E is set";
    rig.Write(0x4E, 0x00);
    EXPECT_EQ(rig.Read(0x4F), 0xA3) << "low byte while it is clear";
    rig.Write(0x4F, 0x00);
    rig.Write(0, 0x58, 0x00);
    EXPECT_EQ(rig.Read(0x4F), 0xA3) << "identification registers are read-only";
    EXPECT_EQ(rig.Read(0, 0x58), 0x88);
    auto writes = [&](const std::string& reply) {
        return std::stoull(reply.substr(reply.find(" writes ") + 8));
    };
    const std::string before = rig.Command("chip");
    EXPECT_EQ(before.rfind("vendor 0x5CA3 chip 0x88 writes ", 0), 0u) << before;
    rig.Write(0x0E, 1);
    rig.Write(0x4F, 1);
    const std::string pretending = rig.Command("chip 0x5CA3 c1");
    EXPECT_EQ(pretending.rfind("vendor 0x5CA3 chip 0xC1 writes ", 0), 0u) << pretending;
    EXPECT_EQ(writes(pretending), writes(before) + 2) << "every data-port write counts";
    EXPECT_EQ(rig.Read(0, 0x58), 0xC1);
    for (const char* bad : {"chip 1x 2", "chip 0x5CA3 0x100", "chip 0x5CA3"})
        EXPECT_EQ(rig.board->Execute(bad).rfind("ERR 1\nusage: chip", 0), 0u) << bad;
}
