// The window program as it lives on a desktop: started in the tray and brought back, one copy per
// user, the tray icon surviving its host's restart, Escape to the tray, and "CLOSE" and "Exit"
// giving the fans their own control back. A real vornpilot, vorn-iod, tray host and pointer.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "daemon.h"
#include "monitor_environment.h"
#include "run_program.h"
#include "running_program.h"
#include "temp_dir.h"
#include "x_desktop.h"

namespace {

const std::string BIN = VORN_BIN_DIR;

// The program's windows on screen, one id a line: the tray icon, the main window, an open menu.
std::string ShownWindows() {
    return Xdotool({"search", "--onlyvisible", "--class", "^vornpilot$"});
}

size_t ShownWindowCount() {
    const std::string ids = ShownWindows();
    return ids.empty() ? 0 : static_cast<size_t>(std::count(ids.begin(), ids.end(), '\n')) + 1;
}

// The tray icon's place in the tray host, or "" while it is not docked.
std::string TrayIconCentre() {
    for (std::istringstream ids(ShownWindows());;) {
        std::string id;
        if (!std::getline(ids, id))
            return "";
        const SWindowPlace p = WindowPlace(id);
        if (p.width > 0 && p.width < 64 && p.height < 64)
            return std::to_string(p.x + p.width / 2) + " " + std::to_string(p.y + p.height / 2);
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
        env = DesktopEnvironment(MonitorEnvironment(daemon.RuntimeDir(), dir, "true"));
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
        std::this_thread::sleep_for(
            std::chrono::seconds(3));  // the page's start-up is done well within this
        EXPECT_EQ(VisibleMainWindow(), "") << "started in the tray";
        DoubleClick(icon);  // the default item is now "Maximize"
        EXPECT_TRUE(WaitFor([&] { return !VisibleMainWindow().empty(); }, 20000));
        // Escape is the window's cancel: back to the tray, the program goes on.
        Xdotool({"windowactivate", "--sync", VisibleMainWindow()});
        Xdotool({"key", "Escape"});
        EXPECT_TRUE(WaitFor([&] { return VisibleMainWindow().empty(); }, 20000));
        DoubleClick(icon);
        EXPECT_TRUE(WaitFor([&] { return !VisibleMainWindow().empty(); }, 20000));
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
    const ProgramResult second = RunProgram({BIN + "/vornpilot"}, env, 30000);
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
    ASSERT_TRUE(WaitFor([&] { return TrayIconCentre().empty(); }, 20000));
    StartTrayHost();
    EXPECT_TRUE(WaitFor([&] { return !TrayIconCentre().empty(); }, 30000));
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
        EXPECT_TRUE(WaitFor([&] { return FanMode("SYSFAN") == "cruise"; }, 20000));
        if (std::string(how) == "CLOSE") {
            // The default skin's close button, top right.
            const SWindowPlace w = WindowPlace(window);
            Xdotool(
                {"mousemove", std::to_string(w.x + 465), std::to_string(w.y + 28), "click", "1"});
        } else {
            // The tray menu's last entry, once the menu is on screen to take the keys.
            const std::string icon = TrayIconCentre();
            const size_t before = ShownWindowCount();
            Xdotool({"mousemove", icon.substr(0, icon.find(' ')), icon.substr(icon.find(' ') + 1),
                     "click", "3"});
            EXPECT_TRUE(WaitFor([&] { return ShownWindowCount() > before; }, 20000)) << "no menu";
            Xdotool({"key", "Up", "Return"});
        }
        const ProgramResult result = program->Finish(15000);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(FanMode("SYSFAN"), "manual");
        // The page engine's own notes stay out of the user's terminal.
        EXPECT_EQ(result.err.find("Sandboxing disabled"), std::string::npos) << result.err;
    }
}

}  // namespace
