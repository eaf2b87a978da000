// The console front end's pieces: the command line, and the JSON line and the table of a pass.

#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>
#include <optional>

#include "console_options.h"
#include "console_screen.h"
#include "console_table.h"
#include "json_report.h"
#include "pass_snapshot.h"
#include "plain_words_notifier.h"

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

// Every hwmon sensor as the items, for the window as for the console.
TEST(ConsoleOptions, HwmonSensorsBelongToEveryFrontEnd) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--hwmon-sensors"},
                                                 {"--window", "--hwmon-sensors"},
                                                 {"--hwmon-sensors", "--once"}}) {
        ConsoleOptions o;
        std::string error;
        ASSERT_TRUE(ParseConsoleOptions(args, &o, &error)) << error;
        EXPECT_TRUE(o.hwmonSensors);
        EXPECT_EQ(o.console, args.back() == "--once");
    }
}

TEST(ConsoleOptions, MetricsSwitchesAreCarriedForEveryFrontEnd) {
    ConsoleOptions o;
    std::string error;
    ASSERT_TRUE(
        ParseConsoleOptions({"--metrics-listen", ":9477", "--metrics-file", "/m.prom"}, &o, &error))
        << error;
    EXPECT_FALSE(o.console) << "the window takes them too";
    ASSERT_TRUE(o.metrics.listen);
    EXPECT_EQ(o.metrics.listen->host, "127.0.0.1");
    EXPECT_EQ(o.metrics.listen->port, 9477);
    EXPECT_EQ(o.metrics.file, "/m.prom");
    EXPECT_FALSE(ParseConsoleOptions({"--once", "--metrics-listen", "nowhere:1"}, &o, &error));
    EXPECT_NE(error.find("not an IPv4 address"), std::string::npos) << error;
    EXPECT_NE(ConsoleUsage().find("--metrics-listen ADDRESS:PORT"), std::string::npos);
}

TEST(ConsoleSensorOptions, RunAlone) {
    struct Case {
        std::vector<std::string> args;
        bool ok, list;
        std::string boardFile;
    };
    const Case cases[] = {
        {{"--list-sensors"}, true, true, ""},
        {{"--write-board-file", "/tmp/b.ini"}, true, false, "/tmp/b.ini"},
        {{"--write-board-file"}, false, false, ""},
        {{"--write-board-file", ""}, false, false, ""},
        {{"--list-sensors", "--json"}, false, false, ""},
        {{"--list-sensors", "--window"}, false, false, ""},
        {{"--list-sensors", "--hwmon-sensors"}, false, false, ""},
        {{"--write-board-file", "b.ini", "--metrics-file", "/m.prom"}, false, false, ""},
    };
    for (const Case& c : cases) {
        ConsoleOptions o;
        std::string error;
        ASSERT_EQ(ParseConsoleOptions(c.args, &o, &error), c.ok) << c.args[0] << c.args.size();
        if (!c.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(o.listSensors, c.list);
        EXPECT_EQ(o.writeBoardFile, c.boardFile);
        EXPECT_FALSE(o.console);
    }
}

TEST(ConsoleLogErrorsOption, CommandLines) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        std::optional<bool> logErrors;
    };
    const Case cases[] = {
        {{}, true, std::nullopt},
        {{"--log-errors", "on"}, true, true},
        {{"--log-errors", "off", "--once"}, true, false},
        {{"--log-errors"}, false, std::nullopt},
        {{"--log-errors", "yes"}, false, std::nullopt},
        {{"--log-errors", "ON"}, false, std::nullopt},
    };
    for (const Case& c : cases) {
        ConsoleOptions o;
        std::string error;
        ASSERT_EQ(ParseConsoleOptions(c.args, &o, &error), c.ok) << c.args.size();
        if (c.ok) {
            EXPECT_EQ(o.logErrors, c.logErrors);
            EXPECT_EQ(o.console, c.logErrors.has_value()) << "the switch runs the console";
        } else {
            EXPECT_NE(error.find("--log-errors"), std::string::npos) << error;
        }
    }
}

const std::string DEG_C =
    " \xC2\xB0"
    "C";

SItemSnapshot Snap(int32_t no, std::string name, int32_t type, std::string pin, double value,
                   double hi, double lo) {
    SItemSnapshot i;
    i.itemNo = no;
    i.name = std::move(name);
    i.type = type;
    i.pin = std::move(pin);
    i.unit = type == ITEM_VOLTAGE ? "V" : type == ITEM_FAN ? "rpm" : DEG_C.substr(1);
    i.value = value;
    i.hiLimit = hi;
    i.loLimit = lo;
    i.enabled = true;
    i.beepEnable = true;
    i.lastReadUnixMs = 1'765'000'000'000;
    return i;
}

// A pass with a CPU counting down to a power-off, a stalled fan, a stale rail, a disabled item
// and an item never read.
SPassSnapshot SamplePass() {
    SPassSnapshot p;
    p.pass = 7;
    p.unixTimeMs = 1'765'000'012'345;
    p.durationNs = 6'083'125;
    p.chipAnswered = true;
    p.statusRead = true;
    p.globalBeep = true;
    // The float reading of 1.352 V, as a pass gives it.
    p.items.push_back(
        Snap(1, "CPU Core", ITEM_VOLTAGE, "VCORE", 1.351999935783449, 1.5, 1.2000000476837158));
    p.items.push_back(Snap(2, "+12V", ITEM_VOLTAGE, "VIN0", 12.0, 13.2, 10.8));
    p.items[1].stale = true;
    p.items.push_back(Snap(3, "AVCC", ITEM_VOLTAGE, "VAVCC", 3.3, 3.63, 2.97));
    p.items[2].enabled = false;
    p.items.push_back(Snap(11, "CPU", ITEM_TEMPERATURE, "CPUTEMPERATURE", 82.5, 70, 65));
    p.items[3].alarm = true;
    p.items[3].shutdownEnable = true;
    p.items[3].powerOffIn = 12;
    p.items.push_back(Snap(14, "CPU Fan", ITEM_FAN, "CPUFAN0", 0, 0, 800));
    p.items[4].alarm = true;
    p.items.push_back(Snap(15, "System Fan", ITEM_FAN, "SYSFAN", 0, 0, 800));
    p.items[5].lastReadUnixMs = 0;
    p.items[5].stale = true;
    p.counts.passes = 7;
    p.counts.itemReadFailures = 3;
    return p;
}

TEST(ConsoleView, JsonLineOfAPass) {
    const SPassSnapshot pass = SamplePass();
    std::string line = JsonReport(pass);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    nlohmann::json j = nlohmann::json::parse(line);
    ASSERT_EQ(j["items"].size(), 6u);
    const nlohmann::json& vcore = j["items"][0];
    EXPECT_EQ(vcore["itemNo"], 1);
    EXPECT_EQ(vcore["name"], "CPU Core");
    EXPECT_EQ(vcore["type"], "voltage");
    EXPECT_EQ(vcore["pin"], "VCORE");
    EXPECT_EQ(vcore["enabled"], true);
    EXPECT_EQ(vcore["value"], 1.352) << "at the chip's resolution";
    EXPECT_EQ(vcore["loLimit"], 1.2);
    EXPECT_EQ(vcore["valueText"], "1.35 V");
    EXPECT_EQ(vcore["limitText"], "1.20V ~ 1.50V");
    EXPECT_EQ(vcore["statusText"], "Normal");
    EXPECT_EQ(vcore["unit"], "V");
    EXPECT_EQ(vcore["stale"], false);
    EXPECT_EQ(vcore["lastRead"], "2025-12-06T05:46:40.000Z");
    EXPECT_TRUE(vcore["powerOffIn"].is_null());
    EXPECT_EQ(j["items"][1]["stale"], true);
    EXPECT_EQ(j["items"][1]["value"], 12.0) << "a stale value is the last one read";
    EXPECT_EQ(j["items"][2]["statusText"], "Disable");
    const nlohmann::json& cpu = j["items"][3];
    EXPECT_EQ(cpu["valueText"], "83" + DEG_C) << "halves away from zero, no padding";
    EXPECT_EQ(cpu["limitText"], "70" + DEG_C);
    EXPECT_EQ(cpu["statusText"], "Warning");
    EXPECT_EQ(cpu["powerOffIn"], 12);
    EXPECT_EQ(j["items"][4]["valueText"], "0 RPM");
    EXPECT_EQ(j["items"][4]["limitText"], "800 RPM");
    EXPECT_TRUE(j["items"][5]["value"].is_null()) << "never read: no value";
    EXPECT_TRUE(j["items"][5]["lastRead"].is_null());
    EXPECT_EQ(j["items"][5]["valueText"], "-");

    EXPECT_EQ(j["globalBeep"], true);
    EXPECT_EQ(j["warningItems"], "Temperature:\nCPU: 83" + DEG_C + "\n\nFan:\nCPU Fan: 0 RPM");
    EXPECT_EQ(j["warningText"], "WARNING");
    EXPECT_EQ(j["pass"], 7);
    EXPECT_EQ(j["time"], "2025-12-06T05:46:52.345Z");
    EXPECT_EQ(j["durationMs"], 6.083);
    EXPECT_EQ(j["chipAnswered"], true);
    EXPECT_EQ(j["staleItems"], 2);
    ASSERT_EQ(j["problems"].size(), 1u);
    EXPECT_EQ(j["problems"][0],
              "2 readings failed in this pass; the values shown for them are older.");
    EXPECT_EQ(j["counts"]["passes"], 7);
    EXPECT_EQ(j["counts"]["itemReadFailures"], 3);

    // The keys the earlier versions printed come first, in their order.
    std::string first = line.substr(0, line.find('}'));
    const char* keys[] = {"itemNo",  "name",       "type",           "pin",       "enabled",
                          "alarm",   "beepEnable", "shutdownEnable", "value",     "hiLimit",
                          "loLimit", "valueText",  "limitText",      "statusText"};
    size_t at = 0;
    for (const char* k : keys) {
        size_t next = first.find(std::string("\"") + k + "\":", at);
        ASSERT_NE(next, std::string::npos) << k;
        at = next;
    }
}

// Names come from board files and the registry: whatever their bytes, the line is JSON that reads
// back as the name, with U+FFFD for each byte that is not UTF-8; numbers read back exactly.
TEST(ConsoleView, JsonLineKeepsAnyNameAndEveryNumberAtTheChipsResolution) {
    const std::string R = "\xEF\xBF\xBD";
    const struct {
        std::string name;
        std::string readBack;
    } names[] = {
        {"CPU \"hot\" \\ 1", "CPU \"hot\" \\ 1"},
        {"a\nb\x01\x7F", "a\nb\x01\x7F"},
        {"45" + DEG_C, "45" + DEG_C},
        {"bad \xFF \xC3", "bad " + R + " " + R},
        {"\xED\xA0\x80", R + R + R},  // a surrogate is not UTF-8
        {"\xE2\x82", R + R},          // cut short
    };
    const double thousandths = 12600 * static_cast<double>(0.001f);
    for (const auto& c : names) {
        SPassSnapshot pass;
        pass.items.push_back(Snap(1, c.name, ITEM_VOLTAGE, c.name, thousandths, 13.2, -1));
        pass.items.push_back(Snap(2, "Fan", ITEM_FAN, "CPUFAN0", 2250, 0, 800));
        pass.items[1].hiLimit = std::numeric_limits<double>::infinity();
        const std::string line = JsonReport(pass);
        EXPECT_EQ(line.find('\n'), std::string::npos);
        const nlohmann::json j = nlohmann::json::parse(line, nullptr, false);
        ASSERT_FALSE(j.is_discarded()) << line;
        EXPECT_EQ(j["items"][0]["name"], c.readBack) << line;
        EXPECT_EQ(j["items"][0]["pin"], c.readBack) << line;
        EXPECT_EQ(j["items"][0]["value"].get<double>(), 12.6)
            << "at the chip's resolution: " << line;
        EXPECT_NE(line.find("\"value\":2250,\"hiLimit\":null,\"loLimit\":800,"), std::string::npos)
            << "whole numbers without a fraction, infinity as null: " << line;
    }
}

TEST(ConsoleView, TableShowsRowsNotesBannerAndProblems) {
    SPassSnapshot pass = SamplePass();
    std::string table = ConsoleTable(pass, "TITLE");
    EXPECT_EQ(table.rfind("TITLE\n\n", 0), 0u);
    EXPECT_EQ(table.find('<'), std::string::npos) << table;
    const ConsoleRow cpu = MakeConsoleRow(pass.items[3], true);
    EXPECT_EQ(cpu.value, "83" + DEG_C);
    EXPECT_EQ(cpu.limits, "70" + DEG_C);
    EXPECT_EQ(cpu.status, "Warning");
    EXPECT_EQ(cpu.note, "power-off in 12 s");
    EXPECT_EQ(MakeConsoleRow(pass.items[1], true).note.rfind("stale, read at ", 0), 0u);
    EXPECT_EQ(MakeConsoleRow(pass.items[5], true).note, "not read");
    EXPECT_EQ(MakeConsoleRow(pass.items[5], true).value, "-");
    EXPECT_NE(table.find("\n 1  CPU Core     1.35 V  1.20V ~ 1.50V    Normal\n"), std::string::npos)
        << table;
    EXPECT_NE(table.find("\nWARNING\n  Temperature:\n  CPU: 83" + DEG_C +
                         "\n\n  Fan:\n  CPU Fan: 0 RPM\n"),
              std::string::npos)
        << table;
    EXPECT_NE(table.find("\n2 readings failed in this pass"), std::string::npos);
    EXPECT_NE(table.find("Global beep: on"), std::string::npos);

    // A monitor that cannot see does not say NORMAL.
    for (SItemSnapshot& item : pass.items)
        item.alarm = false;
    EXPECT_NE(ConsoleTable(pass, "T").find("\nSTALE\n"), std::string::npos);
    pass.chipAnswered = false;
    pass.statusRead = false;
    pass.globalBeep.reset();
    table = ConsoleTable(pass, "T");
    EXPECT_NE(table.find("Global beep: unknown"), std::string::npos);
    EXPECT_NE(table.find("\nNO READINGS\n"), std::string::npos);
    EXPECT_NE(table.find("The chip did not answer in this pass"), std::string::npos);
}

// Names come from files a user may have been handed: none of their bytes reach the terminal as
// a control, and nothing after them is cut off.
TEST(ConsoleView, NamesCannotCutTheTableOrDriveTheTerminal) {
    struct Case {
        std::string name;
        std::string shown;
    };
    const Case cases[] = {
        {std::string("CPU\0Core", 8), "CPU?Core"},
        {"Fan\x1b]0;owned\x07", "Fan?]0;owned?"},
        {"Rail\x1b[2J\r\n", "Rail?[2J??"},
        {"8-bit CSI \xC2\x9B"
         "31m",
         "8-bit CSI ?31m"},
        {"bare \x9B"
         "31m and \xFF",
         "bare ?31m and ?"},
        {"+12V \xC2\xB0 \xE2\x82\xAC", "+12V \xC2\xB0 \xE2\x82\xAC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        SPassSnapshot pass = SamplePass();
        pass.items[0].name = c.name;
        pass.items[0].alarm = true;
        const std::string table = ConsoleTable(pass, "board " + c.name);
        EXPECT_EQ(MakeConsoleRow(pass.items[0], true).name, c.shown);
        EXPECT_EQ(table.rfind("board " + c.shown + "\n", 0), 0u) << table;
        EXPECT_NE(table.find("  " + c.shown + ": 1.35 V\n"), std::string::npos) << table;
        EXPECT_NE(table.find("Global beep: on"), std::string::npos) << "the rest is still there";
        for (char ch : table)
            EXPECT_TRUE(ch == '\n' || static_cast<unsigned char>(ch) >= 0x20) << table;
    }
}

}  // namespace

TEST(PlainWords, TerseMessagesAreExplainedAndKeepTheirTextForTheLog) {
    const std::string said = PlainWords("Can't restore SMI!");
    EXPECT_EQ(said.rfind("The hardware monitor chip's alarm interrupts (SMI) could not be", 0), 0u)
        << said;
    EXPECT_TRUE(said.ends_with(" [Can't restore SMI!]")) << said;
    EXPECT_EQ(PlainWords("The error log cannot be written"), "The error log cannot be written");
}

// The lines of a frame, without the terminal's control sequences.
std::vector<std::string> FrameLines(const std::string& frame) {
    EXPECT_EQ(frame.rfind("\x1b[H", 0), 0u) << "drawn from the top left, in place";
    EXPECT_TRUE(frame.ends_with("\x1b[J")) << "what the last frame left below is cleared";
    std::vector<std::string> lines;
    const std::string body = frame.substr(3, frame.size() - 6);
    for (size_t at = 0; at < body.size();) {
        const size_t end = body.find("\x1b[K\n", at);
        EXPECT_NE(end, std::string::npos) << "every line clears the old one's rest";
        if (end == std::string::npos)
            break;
        lines.push_back(body.substr(at, end - at));
        at = end + 4;
    }
    return lines;
}

TEST(ConsoleScreen, LinesWrapAtWordsAndBlankLinesGoFirstWhenTheTerminalIsShort) {
    const std::string problem =
        "The chip did not answer in this pass: every value shown was read earlier, or not at all.";
    struct Case {
        const char* name;
        std::string text;
        STerminalSize size;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"fits", "Title\n\nNORMAL\n", {24, 80}, {"Title", "", "NORMAL"}},
        {"a long line wraps at a word, indented",
         problem + "\n",
         {24, 80},
         {"The chip did not answer in this pass: every value shown was read earlier, or",
          "    not at all."}},
        {"blank lines go before rows", "T\n\na\n\nb\n", {4, 80}, {"T", "a", "b"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FrameLines(ScreenFrame(c.text, "NORMAL", c.size)), c.lines) << c.name;
}
