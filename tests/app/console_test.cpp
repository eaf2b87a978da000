// The console front end's pieces: the command line, the JSON line and the table.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "console_options.h"
#include "console_table.h"
#include "engine_fixture.h"
#include "json_report.h"

namespace {

TEST(ConsoleOptions, CommandLines) {
    struct Case {
        std::vector<std::string> args;
        bool ok, console, once, json;
        int passes;
        bool tray;
    };
    const Case cases[] = {
        {{}, true, false, false, false, 0, false},
        {{"--console"}, true, true, false, false, 0, false},
        {{"--once", "--json"}, true, true, true, true, 0, false},
        {{"--json"}, true, true, false, true, 0, false},
        {{"--passes", "3"}, true, true, false, false, 3, false},
        {{"-s"}, true, false, false, false, 0, true},
        {{"-M", "--console"}, true, true, false, false, 0, true},
        {{"-sx"}, false, false, false, false, 0, false},
        {{"--passes"}, false, false, false, false, 0, false},
        {{"--passes", "0"}, false, false, false, false, 0, false},
        {{"--passes", "2x"}, false, false, false, false, 0, false},
        {{"--bogus"}, false, false, false, false, 0, false},
    };
    for (const Case& c : cases) {
        ConsoleOptions o;
        std::string error;
        std::string line;
        for (const auto& a : c.args)
            line += a + " ";
        ASSERT_EQ(ParseConsoleOptions(c.args, &o, &error), c.ok) << line;
        if (!c.ok) {
            EXPECT_FALSE(error.empty()) << line;
            continue;
        }
        EXPECT_EQ(o.console, c.console) << line;
        EXPECT_EQ(o.once, c.once) << line;
        EXPECT_EQ(o.json, c.json) << line;
        EXPECT_EQ(o.passes, c.passes) << line;
        EXPECT_EQ(o.startInTray, c.tray) << line;
    }
}

TEST(JsonText, StringsAndNumbers) {
    EXPECT_EQ(JsonString("CPU \"hot\" \\ 1"), "\"CPU \\\"hot\\\" \\\\ 1\"");
    EXPECT_EQ(JsonString("a\nb\x01"), "\"a\\u000ab\\u0001\"");
    EXPECT_EQ(JsonString("45 \xC2\xB0"
                         "C"),
              "\"45 \xC2\xB0"
              "C\"");
    EXPECT_EQ(JsonString("bad \xFF \xC3"), "\"bad \xEF\xBF\xBD \xEF\xBF\xBD\"");
    EXPECT_EQ(JsonString("\xED\xA0\x80"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"")
        << "a surrogate is not UTF-8";
    EXPECT_EQ(JsonNumber(1.5), "1.5");
    EXPECT_EQ(JsonNumber(2250), "2250");
    EXPECT_EQ(JsonNumber(-13.2), "-13.2");
    const double thousandths = 12600 * static_cast<double>(0.001f);
    EXPECT_EQ(JsonNumber(thousandths), "12.600000598467886");
    EXPECT_EQ(std::stod(JsonNumber(thousandths)), thousandths) << "reads back exactly";
    EXPECT_EQ(JsonNumber(std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(JsonNumber(std::nan("")), "null");
}

using ConsoleViewTest = EngineFixture;

TEST_F(ConsoleViewTest, JsonLineOfAPass) {
    UseSimBoardFile();
    auto engine = Start();
    Sim("set CPUFAN0 stall");
    Sim("set VCORE 1.35");
    engine->FindItem(2)->SetEnabled(false);
    ASSERT_TRUE(engine->UpdateAll());
    std::string line = JsonReport(*engine);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    nlohmann::json j = nlohmann::json::parse(line);
    ASSERT_EQ(j["items"].size(), 18u);
    EXPECT_EQ(j["globalBeep"], true);
    const nlohmann::json& vcore = j["items"][0];
    EXPECT_EQ(vcore["itemNo"], 1);
    EXPECT_EQ(vcore["name"], "CPU Core");
    EXPECT_EQ(vcore["type"], "voltage");
    EXPECT_EQ(vcore["pin"], "VCORE");
    EXPECT_EQ(vcore["enabled"], true);
    EXPECT_EQ(vcore["alarm"], false);
    EXPECT_EQ(vcore["beepEnable"], true);
    EXPECT_EQ(vcore["shutdownEnable"], false);
    EXPECT_NEAR(vcore["value"].get<double>(), 1.35, 0.008);
    EXPECT_NEAR(vcore["hiLimit"].get<double>(), 1.5, 0.008);
    EXPECT_NEAR(vcore["loLimit"].get<double>(), 1.2, 0.008);
    EXPECT_EQ(j["items"][1]["enabled"], false);
    EXPECT_EQ(j["items"][10]["type"], "temperature");
    EXPECT_EQ(j["items"][10]["shutdownEnable"], true);
    const nlohmann::json& fan = j["items"][13];
    EXPECT_EQ(fan["type"], "fan");
    EXPECT_EQ(fan["pin"], "CPUFAN0");
    EXPECT_EQ(fan["alarm"], true);
    EXPECT_EQ(fan["value"], 0);
    EXPECT_NEAR(fan["loLimit"].get<double>(), 800, 0.001);
    // Keys in the documented order.
    std::string first = line.substr(0, line.find('}'));
    const char* keys[] = {"itemNo",     "name",           "type",  "pin",     "enabled", "alarm",
                          "beepEnable", "shutdownEnable", "value", "hiLimit", "loLimit"};
    size_t at = 0;
    for (const char* k : keys) {
        size_t next = first.find(std::string("\"") + k + "\":", at);
        ASSERT_NE(next, std::string::npos) << k;
        at = next;
    }
}

TEST_F(ConsoleViewTest, TableShowsStatusAndCountdown) {
    UseSimBoardFile();
    auto engine = Start();
    engine->FindItem(3)->SetEnabled(false);
    Sim("set CPUTEMPERATURE 82.5");
    Sim("set VCORE 1.35");
    for (int pass = 0; pass < 4; ++pass) {
        engine->UpdateAll();
        machine.AdvanceSeconds(2);
    }
    ConsoleRow cpu = MakeConsoleRow(*engine->FindItem(11));
    EXPECT_EQ(cpu.number, "11");
    EXPECT_EQ(cpu.name, "CPU");
    EXPECT_EQ(cpu.value,
              "82.5 \xC2\xB0"
              "C");
    EXPECT_EQ(cpu.status, "Warning");
    EXPECT_EQ(cpu.note, "power-off in 12 s") << "four passes, 8 s, into the alarm";
    ConsoleRow core = MakeConsoleRow(*engine->FindItem(1));
    EXPECT_EQ(core.value, "1.35 V");
    EXPECT_EQ(core.limits, "1.20 V ~ 1.50 V");
    EXPECT_EQ(core.status, "Normal");
    EXPECT_EQ(core.note, "");
    ConsoleRow avcc = MakeConsoleRow(*engine->FindItem(3));
    EXPECT_EQ(avcc.status, "Disable");
    EXPECT_EQ(avcc.value, "-");
    EXPECT_EQ(MakeConsoleRow(*engine->FindItem(14)).limits, "min 800 rpm");
    EXPECT_EQ(MakeConsoleRow(*engine->FindItem(12)).limits,
              "max 60.0 \xC2\xB0"
              "C, clears at 55.0 \xC2\xB0"
              "C");

    std::string table = ConsoleTable(*engine, "TITLE");
    EXPECT_EQ(table.rfind("TITLE\n", 0), 0u);
    for (const auto& item : engine->Items())
        EXPECT_NE(table.find(item->GetName()), std::string::npos) << item->GetName();
    EXPECT_NE(table.find("11  CPU "), std::string::npos) << table;
    EXPECT_NE(table.find("power-off in 12 s"), std::string::npos);
    EXPECT_NE(table.find("Global beep: on"), std::string::npos);
}

}  // namespace
