// The window program as it lives on a desktop: started in the tray and brought back, one copy per
// user, the tray icon surviving its host's restart, Escape to the tray, and "CLOSE" and "Exit"
// giving the fans their own control back. A real vornpilot, vorn-iod, tray host and pointer.

#include <gtest/gtest.h>
#include <signal.h>

#include <QThread>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "daemon.h"
#include "monitor_environment.h"
#include "run_program.h"
#include "running_program.h"
#include "temp_dir.h"

namespace {

const std::string BIN = VORN_BIN_DIR;

std::string Xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string out = RunProgram(argv, {}, 10000).out;
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    for (int waited = 0; waited < ms; waited += 100) {
        if (done())
            return true;
        QThread::msleep(100);
    }
    return done();
}

// The window's id when it is on screen, "" otherwise.
std::string VisibleMainWindow() {
    const std::string ids =
        Xdotool({"search", "--onlyvisible", "--name", "^VORNPILOT Hardware Monitor$"});
    return ids.substr(0, ids.find('\n'));
}

// The tray icon's place in the tray host, or "" while it is not docked.
std::string TrayIconCentre() {
    for (std::istringstream ids(Xdotool({"search", "--onlyvisible", "--class", "^vornpilot$"}));;) {
        std::string id;
        if (!std::getline(ids, id))
            return "";
        const std::string g = Xdotool({"getwindowgeometry", "--shell", id});
        int x = 0, y = 0, w = 0, h = 0;
        if (std::sscanf(g.c_str() + g.find("X="), "X=%d\nY=%d\nWIDTH=%d\nHEIGHT=%d", &x, &y, &w,
                        &h) == 4 &&
            w < 64 && h < 64)
            return std::to_string(x + w / 2) + " " + std::to_string(y + h / 2);
    }
}

void DoubleClick(const std::string& centre) {
    const std::string x = centre.substr(0, centre.find(' '));
    const std::string y = centre.substr(centre.find(' ') + 1);
    Xdotool({"mousemove", x, y, "click", "--repeat", "2", "--delay", "80", "1"});
}

class WindowShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(daemon.Start(&error)) << error;
        env = MonitorEnvironment(daemon.RuntimeDir(), dir, "true");
        for (std::string& e : env) {
            if (e == "DISPLAY=")
                e += std::getenv("DISPLAY");
        }
        env.push_back("QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu");
        StartTrayHost();
    }
    void StartTrayHost() {
        trayHost = std::make_unique<CRunningProgram>(
            std::vector<std::string>{"/usr/bin/trayer", "--edge", "top", "--align", "right",
                                     "--widthtype", "request", "--height", "24"},
            env);
    }
    std::unique_ptr<CRunningProgram> Start(std::vector<std::string> args = {}) {
        args.insert(args.begin(), BIN + "/vornpilot");
        return std::make_unique<CRunningProgram>(args, env);
    }
    std::string FanMode(const std::string& fan) {
        const std::string status =
            RunProgram({BIN + "/vornsim", "status"}, {"VORNIO_RUNTIME_DIR=" + daemon.RuntimeDir()})
                .out;
        std::smatch m;
        // The fan-control table's line: name, divisor, mode, duty.
        std::regex line("\n" + fan + " +[0-9]+ +([a-z]+) +[0-9]+ \\(");
        return std::regex_search(status, m, line) ? m[1].str() : "?";
    }

    CDaemon daemon{{"--backend", "sim", "--no-drift"}};
    CTempDir dir;
    std::vector<std::string> env;
    std::unique_ptr<CRunningProgram> trayHost;
};

TEST_F(WindowShellTest, TheStartSwitchesStartInTheTrayAndADoubleClickBringsTheWindow) {
    for (const char* sw : {"-s", "-M"}) {
        SCOPED_TRACE(sw);
        auto program = Start({sw});
        std::string icon;
        ASSERT_TRUE(WaitFor([&] { return !(icon = TrayIconCentre()).empty(); }, 30000));
        QThread::msleep(3000);  // the page's start-up is done well within this
        EXPECT_EQ(VisibleMainWindow(), "") << "started in the tray";
        DoubleClick(icon);  // the default item is now "Maximize"
        EXPECT_TRUE(WaitFor([&] { return !VisibleMainWindow().empty(); }, 5000));
        // Escape is the window's cancel: back to the tray, the program goes on.
        Xdotool({"windowactivate", "--sync", VisibleMainWindow()});
        Xdotool({"key", "Escape"});
        EXPECT_TRUE(WaitFor([&] { return VisibleMainWindow().empty(); }, 5000));
        DoubleClick(icon);
        EXPECT_TRUE(WaitFor([&] { return !VisibleMainWindow().empty(); }, 5000));
        program->Signal(SIGTERM);
        EXPECT_EQ(program->Finish(15000).exitCode, 0);
    }
    // Text around the switch is not the switch.
    EXPECT_EQ(RunProgram({BIN + "/vornpilot", "-sx"}, env).exitCode, 2);
}

TEST_F(WindowShellTest, ASecondStartLeavesTheFirstAndEndsAtOnce) {
    auto first = Start();
    ASSERT_TRUE(WaitFor([&] { return !VisibleMainWindow().empty(); }, 30000));
    const std::string window = VisibleMainWindow();
    const ProgramResult second = RunProgram({BIN + "/vornpilot"}, env, 10000);
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(VisibleMainWindow(), window) << "still the one window";
    const std::string all = Xdotool({"search", "--name", "^VORNPILOT Hardware Monitor$"});
    EXPECT_EQ(all.find('\n'), std::string::npos) << "no second window: " << all;
    first->Signal(SIGTERM);
    EXPECT_EQ(first->Finish(15000).exitCode, 0);
}

TEST_F(WindowShellTest, TheTrayIconComesBackWhenItsHostRestarts) {
    auto program = Start();
    ASSERT_TRUE(WaitFor([&] { return !TrayIconCentre().empty(); }, 30000));
    trayHost->Signal(SIGTERM);
    trayHost->Finish(5000);
    ASSERT_TRUE(WaitFor([&] { return TrayIconCentre().empty(); }, 5000));
    StartTrayHost();
    EXPECT_TRUE(WaitFor([&] { return !TrayIconCentre().empty(); }, 10000));
    program->Signal(SIGTERM);
    EXPECT_EQ(program->Finish(15000).exitCode, 0);
}

TEST_F(WindowShellTest, CloseAndExitGiveTheFansTheirOwnControlBack) {
    // The user's settings turn FanPilot on for the system fan, which the board leaves manual.
    ASSERT_EQ(RunProgram({BIN + "/vornpilot", "--once"}, env).exitCode, 0);
    ASSERT_EQ(FanMode("SYSFAN"), "manual");
    const std::string hive = dir.PathOf("config") + "/vornpilot/registry.reg";
    std::ifstream in(hive);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    const size_t item = text.find("\\HWM\\15]");
    ASSERT_NE(item, std::string::npos);
    const size_t flag = text.find("\"SmartFanEnable\"=dword:00000000", item);
    ASSERT_NE(flag, std::string::npos);
    text.replace(flag, 31, "\"SmartFanEnable\"=dword:00000001");
    std::ofstream(hive) << text;

    for (const char* how : {"CLOSE", "Exit"}) {
        SCOPED_TRACE(how);
        auto program = Start();
        std::string window;
        ASSERT_TRUE(WaitFor([&] { return !(window = VisibleMainWindow()).empty(); }, 30000));
        EXPECT_TRUE(WaitFor([&] { return FanMode("SYSFAN") == "cruise"; }, 5000));
        if (std::string(how) == "CLOSE") {
            // The default skin's close button, top right.
            const std::string g = Xdotool({"getwindowgeometry", "--shell", window});
            int x = 0, y = 0;
            std::sscanf(g.c_str() + g.find("X="), "X=%d\nY=%d", &x, &y);
            Xdotool({"mousemove", std::to_string(x + 465), std::to_string(y + 28), "click", "1"});
        } else {
            // The tray menu's last entry.
            const std::string icon = TrayIconCentre();
            Xdotool({"mousemove", icon.substr(0, icon.find(' ')), icon.substr(icon.find(' ') + 1),
                     "click", "3"});
            QThread::msleep(500);
            Xdotool({"key", "Up", "Return"});
        }
        const ProgramResult result = program->Finish(15000);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(FanMode("SYSFAN"), "manual");
    }
}

}  // namespace
