// The console's page: the page texts of the engine's items on the simulated board, the error log
// it keeps, the unit rule, and what the table and the JSON line show of it.

#include "console_page.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <regex>
#include <sstream>

#include "console_options.h"
#include "console_table.h"
#include "engine_fixture.h"
#include "registry_store.h"

namespace {

const std::string DEG_C =
    " \xC2\xB0"
    "C";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ConsolePageTest : public EngineFixture {
  protected:
    void SetUp() override {
        EngineFixture::SetUp();
        UseSimBoardFile();
        engine = Start();
        page = std::make_unique<CConsolePage>(*engine, programDir, machine.notifier);
    }
    void Pass() {
        engine->UpdateAll();
        page->Update();
    }
    void StoreSetting(const std::string& name, const std::string& value) {
        CRegistryStore store;
        store.SetRoot(HKEY_CURRENT_USER);
        ASSERT_TRUE(store.SetString("SOFTWARE\\VORN\\HWM", name, value));
    }
    CConsolePage::ItemTexts Texts(int itemNo) {
        auto texts = page->TextsOf(*engine->FindItem(itemNo));
        EXPECT_TRUE(texts.has_value()) << "item " << itemNo;
        return texts.value_or(CConsolePage::ItemTexts{});
    }

    std::unique_ptr<CMonitorEngine> engine;
    std::unique_ptr<CConsolePage> page;
};

TEST_F(ConsolePageTest, ShowsThePageTextsOfTheItems) {
    page->Start(std::nullopt);
    Sim("set CPUTEMPERATURE 44.5");
    Sim("set SYSTEMPERATURE 70");
    Pass();
    CConsolePage::ItemTexts cpu = Texts(11);
    EXPECT_EQ(cpu.value, " 45" + DEG_C) << "44.5 rounds away from zero";
    EXPECT_EQ(cpu.limit, " 70" + DEG_C);
    EXPECT_EQ(cpu.status, "Normal");
    CConsolePage::ItemTexts system = Texts(13);
    EXPECT_EQ(system.value, " 70" + DEG_C);
    EXPECT_EQ(system.limit, " 55" + DEG_C);
    EXPECT_EQ(system.status, "Warning");
    EXPECT_EQ(page->WarningList(), "Temperature:\nSystem:  70 C");
    EXPECT_EQ(page->Banner(), "WARNING");
    EXPECT_EQ(page->StatusPage().CurrentWarningNames(), (std::vector<std::string>{"System"}));
}

TEST_F(ConsolePageTest, SecondProcessorFanIsNotAvailableOnOneProcessor) {
    machine.processors = 1;
    page->Start(std::nullopt);
    Pass();
    CSensorItem& fan2 = *engine->FindItem(17);
    ASSERT_EQ(fan2.GetCpuNo(), 2);
    EXPECT_FALSE(fan2.IsEnabled());
    CConsolePage::ItemTexts texts = Texts(17);
    EXPECT_EQ(texts.value, "N/A");
    EXPECT_EQ(texts.limit, "N/A");
    EXPECT_EQ(texts.status, "N/A");
}

TEST_F(ConsolePageTest, JsonLineAddsTheStatusTexts) {
    page->Start(std::nullopt);
    Sim("set CPUFAN0 stall");
    Pass();
    nlohmann::json j = nlohmann::json::parse(JsonReport(*engine, page.get()));
    const nlohmann::json& fan = j["items"][13];
    EXPECT_EQ(fan["name"], "CPU Fan");
    EXPECT_EQ(fan["valueText"], "    0 RPM");
    EXPECT_EQ(fan["limitText"], "  800 RPM");
    EXPECT_EQ(fan["statusText"], "Warning");
    EXPECT_EQ(j["warningItems"], "Fan:\nCPU Fan:     0 RPM");
    EXPECT_EQ(j["warningText"], "WARNING");
    // The fields the engine's JSON line has stay as they were.
    EXPECT_EQ(fan["alarm"], true);
    EXPECT_EQ(fan["value"], 0);
    EXPECT_EQ(j["globalBeep"], true);
}

TEST_F(ConsolePageTest, TableShowsThePageRowsBannerAndWarningList) {
    page->Start(std::nullopt);
    Sim("set SYSTEMPERATURE 70");
    Sim("set CPUFAN0 stall");
    Pass();
    std::string table = ConsoleTable(*engine, "TITLE", page.get());
    EXPECT_EQ(table.find('<'), std::string::npos) << table;
    EXPECT_TRUE(std::regex_search(
        table, std::regex("\n13  System +70" + DEG_C + "  55" + DEG_C + " +Warning\n")))
        << table;
    EXPECT_NE(
        table.find("\nWARNING\n  Temperature:\n  System:  70 C\n\n  Fan:\n  CPU Fan:     0 RPM\n"),
        std::string::npos)
        << table;
    EXPECT_NE(table.find("Global beep: on"), std::string::npos);
}

TEST_F(ConsolePageTest, ErrorLogIsWrittenWhenTheRegistrySaysTrue) {
    StoreSetting("ErrorLog", "TRUE");
    page->Start(std::nullopt);
    EXPECT_TRUE(page->ErrorLog().IsOn());
    Sim("set SYSTEMPERATURE 70");
    Pass();
    Pass();
    std::string log = ReadFile(programDir + "/Error.log");
    EXPECT_EQ(log.rfind("[ErrorLog]\n", 0), 0u) << log;
    EXPECT_NE(log.find(" Warning:=Temperature:    System:  70 C\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("Warning:", log.find("Warning:") + 1), std::string::npos)
        << "the same warning set is written once";
}

TEST_F(ConsolePageTest, LogErrorsSwitchIsStoredLikeRecord) {
    StoreSetting("ErrorLog", "TRUE");
    page->Start(false);
    EXPECT_FALSE(page->ErrorLog().IsOn());
    EXPECT_NE(ReadFile(HivePath()).find("\"ErrorLog\"=\"FALSE\""), std::string::npos);
    Sim("set SYSTEMPERATURE 70");
    Pass();
    EXPECT_FALSE(std::filesystem::exists(programDir + "/Error.log"));

    CConsolePage again(*engine, programDir, machine.notifier);
    again.Start(true);
    EXPECT_NE(ReadFile(HivePath()).find("\"ErrorLog\"=\"TRUE\""), std::string::npos);
    engine->UpdateAll();
    again.Update();
    EXPECT_TRUE(std::filesystem::exists(programDir + "/Error.log"));
}

TEST_F(ConsolePageTest, UnitIsReadAfterTheFirstUpdate) {
    StoreSetting("UNIT", "F");
    page->Start(std::nullopt);
    Sim("set SYSTEMPERATURE 70");
    Pass();
    EXPECT_EQ(Texts(13).value, " 70" + DEG_C);
    Pass();
    EXPECT_EQ(Texts(13).value,
              "158 \xC2\xB0"
              "F");
    EXPECT_EQ(Texts(13).limit,
              "131 \xC2\xB0"
              "F");
    EXPECT_EQ(page->WarningList(), "Temperature:\nSystem: 158 F");
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

}  // namespace
