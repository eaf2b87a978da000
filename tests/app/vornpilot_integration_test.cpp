// The real vornpilot against a real vorn-iod on the simulated board: vornsim stalls a fan and
// overheats the CPU, and the program's JSON, table, settings file and power-off show it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "daemon.h"
#include "monitor_environment.h"
#include "registry_hive.h"
#include "run_program.h"
#include "running_program.h"
#include "temp_dir.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class VornpilotTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(daemon.Start(&error)) << error;
        ASSERT_TRUE(temp.WriteFile(
            "record-poweroff", "#!/bin/sh\necho \"power-off $*\" >> \"" + PowerOffLog() + "\"\n"));
        ::chmod(temp.PathOf("record-poweroff").c_str(), 0755);
        env =
            MonitorEnvironment(daemon.RuntimeDir(), temp, temp.PathOf("record-poweroff") + " now");
    }

    std::string PowerOffLog() const { return temp.PathOf("poweroff.log"); }
    std::string HivePath() const { return temp.PathOf("config") + "/vornpilot/registry.reg"; }

    void Sim(const std::vector<std::string>& words) {
        std::vector<std::string> argv = {std::string(VORN_BIN_DIR) + "/vornsim"};
        argv.insert(argv.end(), words.begin(), words.end());
        ProgramResult r = RunProgram(argv, env);
        ASSERT_EQ(r.exitCode, 0) << words[0] << ": " << r.out << r.err;
    }
    std::vector<std::string> Vornpilot(std::vector<std::string> args) const {
        args.insert(args.begin(), std::string(VORN_BIN_DIR) + "/vornpilot");
        return args;
    }
    static const nlohmann::json& Item(const nlohmann::json& pass, const std::string& pin) {
        for (const auto& item : pass["items"]) {
            if (item["pin"] == pin)
                return item;
        }
        static const nlohmann::json none;
        ADD_FAILURE() << "no item on " << pin;
        return none;
    }

    CTempDir temp;
    CDaemon daemon{{"--backend", "sim", "--no-drift"}};
    std::vector<std::string> env;
};

TEST_F(VornpilotTest, OncePrintsOneJsonLineAndSavesTheSettings) {
    Sim({"set", "CPUFAN0", "stall"});
    Sim({"set", "CPUTEMPERATURE", "82.5"});
    ProgramResult r = RunProgram(Vornpilot({"--once", "--json"}), env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 1u) << r.out;
    nlohmann::json pass = nlohmann::json::parse(lines[0]);
    ASSERT_EQ(pass["items"].size(), 18u);
    EXPECT_EQ(pass["globalBeep"], true);

    const nlohmann::json& fan = Item(pass, "CPUFAN0");
    EXPECT_EQ(fan["type"], "fan");
    EXPECT_EQ(fan["alarm"], true);
    EXPECT_EQ(fan["value"], 0);
    const nlohmann::json& cpu = Item(pass, "CPUTEMPERATURE");
    EXPECT_EQ(cpu["type"], "temperature");
    EXPECT_EQ(cpu["alarm"], true);
    EXPECT_EQ(cpu["value"], 82.5);
    EXPECT_EQ(cpu["shutdownEnable"], true);
    EXPECT_NEAR(cpu["hiLimit"].get<double>(), 70, 0.001);
    const nlohmann::json& minus12 = Item(pass, "VIN2");
    EXPECT_NEAR(minus12["value"].get<double>(), -12, 0.2);
    EXPECT_EQ(minus12["alarm"], false);
    for (const auto& item : pass["items"]) {
        if (item["pin"] != "CPUFAN0" && item["pin"] != "CPUTEMPERATURE") {
            EXPECT_EQ(item["alarm"], false) << item.dump();
        }
    }
    EXPECT_EQ(ReadFile(PowerOffLog()), "") << "one pass never powers off";

    CRegistryHive hive;
    ASSERT_TRUE(hive.Load(HivePath()));
    EXPECT_EQ(hive.GetDword("HKEY_CURRENT_USER\\Software\\VORN\\HWM", "Total_Item_Count"), 18u);
    EXPECT_EQ(hive.GetString("HKEY_CURRENT_USER\\Software\\VORN\\HWM\\14", "PinName"), "CPUFAN0");
    EXPECT_EQ(hive.GetDword("HKEY_CURRENT_USER\\Software\\VORN\\HWM\\6", "LoLimit"), 0xFFFFCC70u);

    // The next start applies the saved settings.
    hive.SetDword("HKEY_CURRENT_USER\\Software\\VORN\\HWM\\1", "HiLimit", 1300);
    hive.SetDword("HKEY_CURRENT_USER\\Software\\VORN\\HWM", "Global_Beep_Enable", 0);
    ASSERT_TRUE(hive.Save(HivePath()));
    r = RunProgram(Vornpilot({"--once", "--json"}), env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    pass = nlohmann::json::parse(Lines(r.out).at(0));
    EXPECT_EQ(pass["globalBeep"], false);
    const nlohmann::json& vcore = Item(pass, "VCORE");
    EXPECT_NEAR(vcore["hiLimit"].get<double>(), 1.3, 0.001);
    EXPECT_EQ(vcore["alarm"], true) << "1.35 V is over the saved 1.3 V limit";
}

// A chip that answers as another one (here the W83627DHG's chip ID) gets nothing programmed:
// the monitor says what it found, and the chip has had no register write at all.
TEST_F(VornpilotTest, AnotherChipIsRefusedBeforeAnyWrite) {
    Sim({"chip", "5CA3", "C1"});
    ProgramResult r = RunProgram(Vornpilot({"--once", "--json"}), env);
    EXPECT_NE(r.err.find("is not a W83627EHF (it answers vendor ID high byte 0x5C, chip ID 0xC1)"),
              std::string::npos)
        << r.err;
    std::vector<std::string> argv = {std::string(VORN_BIN_DIR) + "/vornsim", "chip"};
    ProgramResult chip = RunProgram(argv, env);
    ASSERT_EQ(chip.exitCode, 0) << chip.err;
    EXPECT_EQ(chip.out, "vendor 0x5CA3 chip 0xC1 writes 0\n");

    Sim({"chip", "5CA3", "88"});
    r = RunProgram(Vornpilot({"--once", "--json"}), env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("is not a W83627EHF"), std::string::npos) << r.err;
    chip = RunProgram(argv, env);
    EXPECT_NE(chip.out, "vendor 0x5CA3 chip 0x88 writes 0\n") << "the real chip is programmed";
}

TEST_F(VornpilotTest, ConsolePowersOffAfterTwentySecondsOfAlarm) {
    Sim({"set", "CPUTEMPERATURE", "85"});
    ProgramResult r = RunProgram(Vornpilot({"--console", "--passes", "12"}), env, 60000);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The monitor does not wait for the command it starts, and the twenty seconds may be over
    // only in the last pass: the command may still be on its way when the monitor has ended.
    std::string log;
    for (int i = 0; i < 500 && (log = ReadFile(PowerOffLog())).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_FALSE(log.empty()) << "the power-off command ran";
    EXPECT_EQ(Lines(log).front(), "power-off now");
    EXPECT_LE(Lines(log).size(), 2u) << "passes 11 and 12 at most";
    EXPECT_NE(r.out.find("power-off in "), std::string::npos) << "the countdown";
    EXPECT_NE(r.out.find("power-off requested"), std::string::npos);
    EXPECT_NE(r.out.find("Warning"), std::string::npos);
    EXPECT_NE(r.out.find("board EHF-SIM"), std::string::npos);
}

TEST_F(VornpilotTest, SecondCopyRefusesAndTheFirstEndsOnSigterm) {
    Sim({"set", "SYSFAN", "stall"});
    CRunningProgram first(Vornpilot({"--json"}), env);
    ASSERT_TRUE(first.Started());
    ASSERT_TRUE(first.WaitForOutput(
        [](const std::string& out) { return out.find('\n') != std::string::npos; }, 20000));

    ProgramResult second = RunProgram(Vornpilot({"--once"}), env);
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.err.find("already running"), std::string::npos) << second.err;
    EXPECT_EQ(second.out, "");

    first.Signal(SIGTERM);
    ProgramResult r = first.Finish(20000);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    nlohmann::json pass = nlohmann::json::parse(Lines(r.out).at(0));
    EXPECT_EQ(Item(pass, "SYSFAN")["alarm"], true);

    // The first copy is gone: a new one starts.
    ProgramResult third = RunProgram(Vornpilot({"--once", "--json"}), env);
    EXPECT_EQ(third.exitCode, 0) << third.err;
}

TEST_F(VornpilotTest, CrashedCopyDoesNotBlockTheNext) {
    CRunningProgram first(Vornpilot({"--json"}), env);
    ASSERT_TRUE(first.WaitForOutput(
        [](const std::string& out) { return out.find('\n') != std::string::npos; }, 20000));
    first.Signal(SIGKILL);
    first.Finish(10000);
    ProgramResult next = RunProgram(Vornpilot({"--once", "--json"}), env);
    EXPECT_EQ(next.exitCode, 0) << next.err;
}

// Another local user once hung every client by holding a lock on a shared object of the
// runtime directory, or crashed them by cutting the shared block short. Now the locks are waited
// for a bounded time and the block cannot shrink: the monitor runs its pass either way.
TEST_F(VornpilotTest, HeldLocksAndACutBlockDoNotStopTheMonitor) {
    CRunningProgram first(Vornpilot({"--json"}), env);  // keeps the block attached
    ASSERT_TRUE(first.WaitForOutput(
        [](const std::string& out) { return out.find('\n') != std::string::npos; }, 20000));
    std::vector<int> held;
    for (const char* name : {"window-messages", "vorn-io.shared.gate"}) {
        const int fd = ::open((daemon.RuntimeDir() + "/" + name).c_str(), O_RDONLY);
        ASSERT_GE(fd, 0) << name;
        ASSERT_EQ(::flock(fd, LOCK_EX), 0) << name;
        held.push_back(fd);
    }
    ASSERT_EQ(::truncate((daemon.RuntimeDir() + "/vorn-io.shared").c_str(), 0), 0);
    ASSERT_EQ(::mkdir(temp.PathOf("second").c_str(), 0700), 0);  // its own single-instance object

    ProgramResult once = RunProgram(
        Vornpilot({"--once", "--json"}),
        [&] {
            auto e = env;
            for (std::string& entry : e) {
                if (entry.rfind("XDG_RUNTIME_DIR=", 0) == 0)
                    entry = "XDG_RUNTIME_DIR=" + temp.PathOf("second");
            }
            return e;
        }(),
        20000);
    EXPECT_EQ(once.exitCode, 0) << "a held lock must not hang the start: " << once.err;
    EXPECT_EQ(Lines(once.out).size(), 1u) << once.out;
    for (int fd : held)
        ::close(fd);
    first.Signal(SIGTERM);
    EXPECT_EQ(first.Finish(10000).exitCode, 0) << "the attached monitor survived the cut block";
}

// On a terminal every pass is drawn over the last and fitted to it: at 80 x 24, with warnings that
// make the table taller than that, the title stays on the top row and no line wraps.
TEST_F(VornpilotTest, OnATerminalEachPassIsDrawnInPlaceAndFitsIt) {
    Sim({"set", "CPUTEMPERATURE", "95"});
    Sim({"set", "CPUFAN0", "0"});
    winsize size{};
    size.ws_row = 24;
    size.ws_col = 80;
    int terminal = -1;
    const std::vector<std::string> argv = Vornpilot({"--console", "--passes", "2"});
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, &size);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        for (const std::string& entry : env)
            ::putenv(::strdup(entry.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    // Until the program ends and the terminal reports its end (EIO).
    std::string shown;
    for (char buffer[4096];;) {
        pollfd p{terminal, POLLIN, 0};
        if (::poll(&p, 1, 30000) <= 0)
            break;
        const ssize_t n = ::read(terminal, buffer, sizeof buffer);
        if (n <= 0)
            break;
        shown.append(buffer, static_cast<size_t>(n));
    }
    ::close(terminal);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << shown;

    size_t frames = 0;
    for (size_t at = shown.find("\x1b[H"); at != std::string::npos; ++frames) {
        const size_t next = shown.find("\x1b[H", at + 3);
        std::string frame = shown.substr(at + 3, next == std::string::npos ? next : next - at - 3);
        at = next;
        ASSERT_NE(frame.find("\x1b[J"), std::string::npos) << "the rest below is cleared";
        frame.resize(frame.find("\x1b[J"));
        std::vector<std::string> lines;
        for (size_t from = 0; from < frame.size();) {
            const size_t end = frame.find("\x1b[K\r\n", from);
            ASSERT_NE(end, std::string::npos) << frame;
            lines.push_back(frame.substr(from, end - from));
            from = end + 5;
        }
        ASSERT_FALSE(lines.empty());
        EXPECT_LE(lines.size(), 23u) << frame;
        EXPECT_EQ(lines.front().rfind("VORNPILOT Hardware Monitor", 0), 0u) << frame;
        for (const std::string& line : lines) {
            const auto columns =
                std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; });
            EXPECT_LT(columns, 80) << line;
        }
        EXPECT_NE(lines.back().find("WARNING"), std::string::npos) << "the banner is kept";
    }
    EXPECT_EQ(frames, 2u) << shown;
}

}  // namespace
