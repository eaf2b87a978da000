// vornpilot-headless against a real vorn-iod on the simulated board: it shows a pass exactly as
// vornpilot --console does, as a table and as JSON, and shares the one copy a user may run.

#include <gtest/gtest.h>
#include <signal.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "daemon.h"
#include "monitor_environment.h"
#include "run_program.h"
#include "running_program.h"
#include "temp_dir.h"

namespace {

const std::string BIN = VORN_BIN_DIR;

// What differs between two runs of one program too: the clock.
std::string WithoutClock(const std::string& table) {
    const size_t title = table.find('\n');
    return title == std::string::npos ? table : table.substr(title);
}

void DropTimes(nlohmann::json& pass) {
    for (const char* key : {"time", "durationMs"})
        pass.erase(key);
    for (auto& item : pass["items"])
        item.erase("lastRead");
}

class HeadlessProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(m_daemon.Start(&error)) << error;
        m_env = MonitorEnvironment(m_daemon.RuntimeDir(), m_temp, "/bin/true");
        // Held inputs: the fans and temperatures of the board's thermal model stand still.
        for (const char* pin : {"CPUFAN0", "SYSFAN", "AUXFAN0", "CPUFAN1", "AUXFAN1"})
            Sim({"set", pin, "1500"});
        Sim({"set", "CPUTEMPERATURE", "82.5"});
        Sim({"set", "AUXTEMPERATURE", "40"});
        Sim({"set", "SYSTEMPERATURE", "35"});
    }

    void Sim(const std::vector<std::string>& words) {
        std::vector<std::string> argv = {BIN + "/vornsim"};
        argv.insert(argv.end(), words.begin(), words.end());
        ProgramResult r = RunProgram(argv, m_env);
        ASSERT_EQ(r.exitCode, 0) << words[0] << ": " << r.out << r.err;
    }
    ProgramResult Run(const std::vector<std::string>& argv) { return RunProgram(argv, m_env); }

    CTempDir m_temp;
    CDaemon m_daemon{{"--backend", "sim", "--no-drift"}};
    std::vector<std::string> m_env;
};

TEST_F(HeadlessProgramTest, ShowsAPassAsVornpilotConsoleDoes) {
    const std::vector<std::string> console = {BIN + "/vornpilot", "--console"};
    const std::vector<std::string> headless = {BIN + "/vornpilot-headless"};
    for (const std::vector<std::string>& view :
         std::vector<std::vector<std::string>>{{"--once"}, {"--once", "--json"}}) {
        const bool json = view.size() == 2;
        SCOPED_TRACE(json ? "json" : "table");
        std::vector<std::string> a = console, b = headless;
        a.insert(a.end(), view.begin(), view.end());
        b.insert(b.end(), view.begin(), view.end());
        const ProgramResult ra = Run(a);
        const ProgramResult rb = Run(b);
        ASSERT_EQ(ra.exitCode, 0) << ra.err;
        ASSERT_EQ(rb.exitCode, 0) << rb.err;
        EXPECT_EQ(rb.err, ra.err);
        if (json) {
            nlohmann::json pa = nlohmann::json::parse(ra.out);
            nlohmann::json pb = nlohmann::json::parse(rb.out);
            ASSERT_EQ(pb["items"].size(), 18u);
            EXPECT_EQ(pb["warningText"], "WARNING") << rb.out;
            DropTimes(pa);
            DropTimes(pb);
            EXPECT_EQ(pb.dump(1), pa.dump(1));
        } else {
            EXPECT_EQ(rb.out.rfind("VORNPILOT Hardware Monitor  -  board EHF-SIM  -  ", 0), 0u)
                << rb.out;
            EXPECT_NE(rb.out.find("power-off in "), std::string::npos) << rb.out;
            EXPECT_EQ(WithoutClock(rb.out), WithoutClock(ra.out));
        }
    }
}

TEST_F(HeadlessProgramTest, OneCopyPerUserWhicheverProgramRunsIt) {
    const std::vector<std::vector<std::string>> programs = {
        {BIN + "/vornpilot-headless", "--json"}, {BIN + "/vornpilot", "--console", "--json"}};
    for (size_t first = 0; first < programs.size(); ++first) {
        const auto& running = programs[first];
        const auto& second = programs[1 - first];
        SCOPED_TRACE(running[0]);
        CRunningProgram monitor(running, m_env);
        ASSERT_TRUE(monitor.WaitForOutput(
            [](const std::string& out) { return out.find('\n') != std::string::npos; }, 20000));
        std::vector<std::string> once = second;
        once.push_back("--once");
        ProgramResult r = Run(once);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("already running"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        monitor.Signal(SIGTERM);
        EXPECT_EQ(monitor.Finish(20000).exitCode, 0);
    }
}

TEST_F(HeadlessProgramTest, CommandLineWithoutAWindow) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* saysOut;
        const char* saysErr;
    };
    const Case cases[] = {
        {{"--help"}, 0, "Usage: vornpilot-headless", ""},
        {{"--window"}, 2, "", "there is no window here"},
        {{"--passes", "0"}, 2, "", "Usage: vornpilot-headless"},
        // The switches a window's command line may carry change nothing here.
        {{"--console", "-s", "--once", "--json"}, 0, "\"items\":[", ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv = {BIN + "/vornpilot-headless"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(c.args.front());
        ProgramResult r = Run(argv);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_NE(r.out.find(c.saysOut), std::string::npos) << r.out;
        EXPECT_NE(r.err.find(c.saysErr), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("--window"), std::string::npos) << "no window switch offered";
    }
}

}  // namespace
