// The console front end against a real vorn-iod on the simulated board: a sensor pushed over its
// limit through vornsim shows on the console as the page would show it, and the error log lands
// in Error.log beside the program.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "daemon.h"
#include "monitor_environment.h"
#include "run_program.h"
#include "temp_dir.h"

namespace {

const std::string BIN = VORN_BIN_DIR;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The lines of the "ErrorLog" section.
std::vector<std::string> Entries(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(path));
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line[0] == '[') {
            inSection = line == "[ErrorLog]";
        } else if (inSection && !line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

class ConsoleErrorLog : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(m_daemon.Start(&error)) << error;
        // A program folder of its own: Error.log is written beside the program.
        m_program = m_dir.PathOf("program");
        std::filesystem::create_directories(m_program);
        for (const char* file : {"vornpilot", "libvorn-io.so", "EHF-SIM.ini"}) {
            std::filesystem::copy_file(BIN + "/" + file, m_program + "/" + file);
        }
        // The CPU item powers off after 20 s in alarm; nothing here may power anything off.
        m_env = MonitorEnvironment(m_daemon.RuntimeDir(), m_dir, "/bin/true");
    }

    ProgramResult Vornsim(const std::vector<std::string>& words) {
        std::vector<std::string> args{BIN + "/vornsim"};
        args.insert(args.end(), words.begin(), words.end());
        return RunProgram(args, m_env);
    }

    ProgramResult Vornpilot(const std::vector<std::string>& options) {
        std::vector<std::string> args{m_program + "/vornpilot"};
        args.insert(args.end(), options.begin(), options.end());
        return RunProgram(args, m_env);
    }

    std::string LogPath() const { return m_program + "//Error.log"; }
    std::string Hive() const {
        return ReadFile(m_dir.PathOf("config") + "/vornpilot/registry.reg");
    }

    CTempDir m_dir;
    CDaemon m_daemon{{"--no-drift", "--seed", "7"}};
    std::string m_program;
    std::vector<std::string> m_env;
};

TEST_F(ConsoleErrorLog, SensorOverItsLimitIsShownAndLogged) {
    ASSERT_EQ(Vornsim({"set", "SYSTEMPERATURE", "70"}).exitCode, 0);

    // Recording is off on a first run: the page shows the warning, Error.log stays away.
    ProgramResult plain = Vornpilot({"--once", "--json"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    nlohmann::json line = nlohmann::json::parse(plain.out);
    const nlohmann::json& system = line["items"][12];
    EXPECT_EQ(system["name"], "System");
    EXPECT_EQ(system["alarm"], true);
    EXPECT_EQ(system["valueText"],
              "70 \xC2\xB0"
              "C");
    EXPECT_EQ(system["limitText"],
              "55 \xC2\xB0"
              "C");
    EXPECT_EQ(system["statusText"], "Warning");
    EXPECT_EQ(line["warningItems"],
              "Temperature:\nSystem: 70 \xC2\xB0"
              "C");
    EXPECT_EQ(line["warningText"], "WARNING");
    EXPECT_FALSE(std::filesystem::exists(LogPath()));

    // Switched on from the command line: stored like the tray's Record, and the entry written.
    ProgramResult on = Vornpilot({"--once", "--log-errors", "on"});
    ASSERT_EQ(on.exitCode, 0) << on.err;
    EXPECT_NE(Hive().find("\"ErrorLog\"=\"TRUE\""), std::string::npos) << Hive();
    std::vector<std::string> entries = Entries(LogPath());
    ASSERT_EQ(entries.size(), 1u) << ReadFile(LogPath());
    EXPECT_TRUE(std::regex_match(
        entries[0],
        std::regex(R"(\d{6}, \d{2}:\d{2}:\d{2} Warning:=Temperature:    System:  70 C)")))
        << entries[0];
    // The screen shows the page's texts without markup: the row, the banner, the list.
    EXPECT_EQ(on.out.find("<"), std::string::npos) << on.out;
    EXPECT_TRUE(std::regex_search(on.out, std::regex(R"(System\s+70 °C\s+55 °C\s+Warning)")))
        << on.out;
    EXPECT_NE(on.out.find("\nWARNING\n  Temperature:\n  System: 70 \xC2\xB0"
                          "C\n"),
              std::string::npos)
        << on.out;

    // A fan joins: a second, longer entry.
    ASSERT_EQ(Vornsim({"set", "CPUFAN0", "stall"}).exitCode, 0);
    ProgramResult joined = Vornpilot({"--once"});
    ASSERT_EQ(joined.exitCode, 0) << joined.err;
    entries = Entries(LogPath());
    ASSERT_FALSE(entries.empty());
    EXPECT_TRUE(std::regex_match(entries.back(),
                                 std::regex(R"(.* Warning:=Temperature:    System:  70 C    )"
                                            R"(Fan:    CPU Fan:     0 RPM)")))
        << ReadFile(LogPath());

    // Switched off: nothing more is written, and the switch is stored.
    std::string before = ReadFile(LogPath());
    ASSERT_EQ(Vornsim({"release", "all"}).exitCode, 0);
    ASSERT_EQ(Vornsim({"set", "AUXTEMPERATURE", "90"}).exitCode, 0);
    ProgramResult off = Vornpilot({"--once", "--log-errors", "off"});
    ASSERT_EQ(off.exitCode, 0) << off.err;
    EXPECT_NE(Hive().find("\"ErrorLog\"=\"FALSE\""), std::string::npos);
    EXPECT_EQ(ReadFile(LogPath()), before);
}

TEST_F(ConsoleErrorLog, NoWarningWritesNothingAndShowsNormal) {
    ProgramResult run = Vornpilot({"--once", "--json", "--log-errors", "on"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    nlohmann::json line = nlohmann::json::parse(run.out);
    EXPECT_EQ(line["warningItems"], "");
    EXPECT_EQ(line["warningText"], "NORMAL");
    EXPECT_FALSE(std::filesystem::exists(LogPath()));
}

}  // namespace
