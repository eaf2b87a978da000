// The real vornpilot against a real vorn-iod that stops answering while the monitor runs: stopped
// (SIGSTOP) and continued, killed and restarted, and refusing the chip's ports. Every pass ends
// before the next one's beat and begins on its own, what was not read is marked, a stop signal
// ends the monitor without waiting for the service, and it recovers by itself. (How many waits a
// pass or the ending spends on a hung service is counted on a fake clock in the session's test.)

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <thread>

#include "daemon.h"
#include "monitor_environment.h"
#include "pass_beat.h"
#include "run_program.h"
#include "running_program.h"
#include "temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
using nlohmann::json;

std::vector<json> JsonLines(const std::string& out) {
    std::vector<json> passes;
    std::stringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (in.eof())
            break;  // not complete yet
        passes.push_back(json::parse(line));
    }
    return passes;
}

std::string WithoutLeadingBlanks(const std::string& text) {
    return text.substr(std::min(text.find_first_not_of(' '), text.size()));
}

// The last pass printed without its items, for failure messages.
std::string LastLine(const std::string& out) {
    const std::vector<json> passes = JsonLines(out);
    if (passes.empty())
        return "(no pass printed)";
    json last = passes.back();
    last.erase("items");
    return last.dump();
}

int ReadPid(const std::string& path) {
    std::ifstream in(path);
    int pid = 0;
    in >> pid;
    return pid;
}

class StalledServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(daemon.Start(&error)) << error;
        env = MonitorEnvironment(daemon.RuntimeDir(), temp, "true");
    }
    void TearDown() override {
        if (daemon.IsRunning())
            ::kill(daemon.Pid(), SIGCONT);
        // A service the library started in place of a killed one.
        const int pid = ReadPid(daemon.PidFilePath());
        if (pid > 0 && pid != daemon.Pid())
            ::kill(pid, SIGTERM);
    }

    ProgramResult Sim(const std::vector<std::string>& words) {
        std::vector<std::string> argv = {std::string(VORN_BIN_DIR) + "/vornsim"};
        argv.insert(argv.end(), words.begin(), words.end());
        return RunProgram(argv, env);
    }
    std::vector<std::string> Vornpilot(std::vector<std::string> args) const {
        args.insert(args.begin(), std::string(VORN_BIN_DIR) + "/vornpilot");
        return args;
    }
    // Waits until the monitor has printed `count` passes in all; every pass printed.
    std::vector<json> Passes(CRunningProgram& monitor, size_t count) {
        monitor.WaitForOutput(
            [&](const std::string& out) { return JsonLines(out).size() >= count; },
            static_cast<int>(count) * 2000 + 5000);
        return JsonLines(monitor.Output());
    }
    // The passes after the first `from`, until one satisfies `done` (at most `limit` more).
    template <typename Done>
    std::vector<json> PassesUntil(CRunningProgram& monitor, size_t from, size_t limit, Done done) {
        for (size_t n = from + 1; n <= from + limit; ++n) {
            std::vector<json> all = Passes(monitor, n);
            if (all.size() < n)
                break;
            if (done(all.back()))
                return {all.begin() + static_cast<long>(from), all.end()};
        }
        ADD_FAILURE() << "no such pass within " << limit << " passes; the last:\n"
                      << LastLine(monitor.Output());
        return {};
    }
    // Every pass ends before the next one is due, and each began on its beat.
    static void ExpectEveryPassInRhythm(const std::vector<json>& passes) {
        for (const json& p : passes)
            EXPECT_LT(p["durationMs"].get<double>(), PASS_INTERVAL_MS) << p["pass"];
        for (size_t i = 1; i < passes.size(); ++i) {
            EXPECT_EQ(passes[i]["pass"].get<int>(), passes[i - 1]["pass"].get<int>() + 1);
        }
        EXPECT_EQ(PassOffItsBeat(passes), "");
    }

    CTempDir temp;
    CDaemon daemon{{"--backend", "sim", "--no-drift"}};
    std::vector<std::string> env;
};

TEST_F(StalledServiceTest, StoppedServiceIsShownStaleAndTheMonitorRecoversAndStopsAtOnce) {
    CRunningProgram monitor(Vornpilot({"--json"}), env);
    ASSERT_TRUE(monitor.Started());
    std::vector<json> start = Passes(monitor, 1);
    ASSERT_EQ(start.size(), 1u) << LastLine(monitor.Output());
    EXPECT_EQ(start[0]["chipAnswered"], true);
    EXPECT_EQ(start[0]["staleItems"], 0);

    ::kill(daemon.Pid(), SIGSTOP);
    std::vector<json> blind = PassesUntil(monitor, 1, 3, [](const json& p) {
        return p["chipAnswered"] == false && p["staleItems"] == 18;
    });
    ASSERT_FALSE(blind.empty());
    // Three more passes while the service stays stopped: each ends in about one wait.
    std::vector<json> stopped = Passes(monitor, blind.back()["pass"].get<size_t>() + 3);
    ExpectEveryPassInRhythm(stopped);
    const json& last = stopped.back();
    EXPECT_EQ(last["warningText"], "NO READINGS");
    EXPECT_EQ(last["items"][0]["stale"], true);
    EXPECT_NEAR(last["items"][0]["value"].get<double>(), 1.35, 0.01) << "the last value read";
    EXPECT_EQ(last["items"][0]["lastRead"], start[0]["items"][0]["lastRead"]);
    EXPECT_GE(last["counts"]["passesWithoutChip"].get<int>(), 3);

    ::kill(daemon.Pid(), SIGCONT);
    const size_t seen = JsonLines(monitor.Output()).size();
    std::vector<json> back = PassesUntil(monitor, seen, 2, [](const json& p) {
        return p["chipAnswered"] == true && p["staleItems"] == 0;
    });
    ASSERT_FALSE(back.empty()) << "recovered within one pass of the service's return";
    EXPECT_EQ(back.back()["warningText"], "NORMAL");

    // Stopped again: SIGTERM ends the monitor all the same. Waiting for the service would take
    // until it is continued, after the test; the ending's one short wait is far below the bound.
    ::kill(daemon.Pid(), SIGSTOP);
    Passes(monitor, JsonLines(monitor.Output()).size() + 1);
    const auto signalled = Clock::now();
    monitor.Signal(SIGTERM);
    ProgramResult r = monitor.Finish(10000);
    const auto took = Clock::now() - signalled;
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_LT(took, std::chrono::seconds(5))
        << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
    ExpectEveryPassInRhythm(JsonLines(r.out));
}

TEST_F(StalledServiceTest, KilledServiceIsRestartedAndTheMonitorRecovers) {
    CRunningProgram monitor(Vornpilot({"--json"}), env);
    ASSERT_EQ(Passes(monitor, 1).size(), 1u) << LastLine(monitor.Output());
    ::kill(daemon.Pid(), SIGKILL);
    daemon.Stop();  // reaps it

    std::vector<json> after = Passes(monitor, 2);
    ASSERT_EQ(after.size(), 2u);
    if (::geteuid() != 0) {
        // Nobody but root may start the service: here the system's service manager would.
        EXPECT_EQ(after[1]["chipAnswered"], false);
        std::string error;
        ASSERT_TRUE(daemon.Start(&error)) << error;
    }
    std::vector<json> back = PassesUntil(monitor, 1, 3, [](const json& p) {
        return p["chipAnswered"] == true && p["staleItems"] == 0;
    });
    ASSERT_FALSE(back.empty()) << LastLine(monitor.Output());
    ExpectEveryPassInRhythm(JsonLines(monitor.Output()));
    if (::geteuid() == 0) {
        const int restarted = ReadPid(daemon.PidFilePath());
        EXPECT_GT(restarted, 0) << "the library started the service again";
    }
    monitor.Signal(SIGTERM);
    EXPECT_EQ(monitor.Finish(10000).exitCode, 0);
}

TEST_F(StalledServiceTest, RefusedPortsMarkTheReadingsAndTheTableAgreesWithJson) {
    // The same readings seen twice, held so the fans' thermal model cannot move them between
    // the runs: the table shows the JSON's texts.
    for (const char* input : {"CPUFAN0", "SYSFAN", "AUXFAN0", "CPUFAN1", "AUXFAN1"})
        ASSERT_EQ(Sim({"set", input, "2000"}).exitCode, 0);
    for (const char* input : {"CPUTEMPERATURE", "AUXTEMPERATURE", "SYSTEMPERATURE"})
        ASSERT_EQ(Sim({"set", input, "44.5"}).exitCode, 0);
    ProgramResult table = RunProgram(Vornpilot({"--once"}), env);
    ProgramResult line = RunProgram(Vornpilot({"--once", "--json"}), env);
    ASSERT_EQ(table.exitCode, 0) << table.err;
    ASSERT_EQ(line.exitCode, 0) << line.err;
    const json pass = json::parse(line.out);
    for (const json& item : pass["items"]) {
        const std::regex rowStart("\n *" + std::to_string(item["itemNo"].get<int>()) + "  ");
        std::smatch at;
        ASSERT_TRUE(std::regex_search(table.out, at, rowStart)) << item["itemNo"];
        const size_t from = static_cast<size_t>(at.position(0)) + 1;
        const std::string row = table.out.substr(from, table.out.find('\n', from) - from);
        for (const char* key : {"name", "valueText", "limitText", "statusText"}) {
            EXPECT_NE(row.find(WithoutLeadingBlanks(item[key].get<std::string>())),
                      std::string::npos)
                << key << " of " << row;
        }
    }

    CRunningProgram monitor(Vornpilot({"--json"}), env);
    ASSERT_EQ(Passes(monitor, 1).size(), 1u) << LastLine(monitor.Output());
    ASSERT_EQ(Sim({"fault", "port", "0x296", "on"}).exitCode, 0);
    std::vector<json> blind =
        PassesUntil(monitor, 1, 2, [](const json& p) { return p["chipAnswered"] == false; });
    ASSERT_FALSE(blind.empty());
    EXPECT_EQ(blind.back()["warningText"], "NO READINGS");
    EXPECT_EQ(blind.back()["staleItems"], 18);
    ASSERT_FALSE(blind.back()["problems"].empty());

    ASSERT_EQ(Sim({"fault", "off"}).exitCode, 0);
    ASSERT_EQ(Sim({"fault", "rate", "0.3"}).exitCode, 0);
    size_t seen = JsonLines(monitor.Output()).size();
    std::vector<json> flaky = PassesUntil(monitor, seen, 4, [](const json& p) {
        return p["chipAnswered"] == true && p["staleItems"].get<int>() > 0;
    });
    ASSERT_FALSE(flaky.empty());
    EXPECT_NE(flaky.back()["warningText"], "NORMAL") << "a monitor that cannot see all";
    int stale = 0;
    for (const json& item : flaky.back()["items"])
        stale += item["stale"].get<bool>() ? 1 : 0;
    EXPECT_EQ(stale, flaky.back()["staleItems"].get<int>());

    ASSERT_EQ(Sim({"fault", "off"}).exitCode, 0);
    seen = JsonLines(monitor.Output()).size();
    EXPECT_FALSE(PassesUntil(monitor, seen, 2, [](const json& p) {
                     return p["staleItems"] == 0 && p["warningText"] == "NORMAL";
                 }).empty());
    ExpectEveryPassInRhythm(JsonLines(monitor.Output()));
    monitor.Signal(SIGTERM);
    EXPECT_EQ(monitor.Finish(10000).exitCode, 0);

    // A single pass that sees nothing of the chip is not reported as success.
    ASSERT_EQ(Sim({"fault", "port", "0x296", "on"}).exitCode, 0);
    ProgramResult once = RunProgram(Vornpilot({"--once"}), env);
    EXPECT_EQ(once.exitCode, 3) << once.err;
    EXPECT_NE(once.out.find("\nNO READINGS\n"), std::string::npos) << once.out;
    EXPECT_NE(once.out.find("The chip does not answer"), std::string::npos) << once.out;
    EXPECT_EQ(once.out.find("board file"), std::string::npos) << once.out;
}

}  // namespace
