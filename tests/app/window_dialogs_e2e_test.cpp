// The default skin's dialog buttons in a real vornpilot --window on a real vorn-iod: each opens
// the dialog it names, the page keeps updating while one is open, and what is confirmed there
// reaches the simulated chip and the settings file.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <cstdlib>
#include <regex>

#include "daemon.h"
#include "monitor_environment.h"
#include "registry_hive.h"
#include "run_program.h"
#include "running_program.h"
#include "temp_dir.h"

namespace {

std::string Output(const std::vector<std::string>& argv, const std::vector<std::string>& env = {}) {
    std::string out = RunProgram(argv, env, 10000).out;
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

std::string Xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return Output(argv);
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    for (int waited = 0; waited < ms && !done(); waited += 100)
        QThread::msleep(100);
    return done();
}

// The visible window with exactly this title; "" when none comes up within the wait.
std::string WindowNamed(const std::string& title, int ms = 30000) {
    std::string id;
    WaitFor(
        [&] {
            return !(id = Xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"}))
                        .empty();
        },
        ms);
    return id.substr(0, id.find('\n'));
}

TEST(WindowDialogs, EachButtonOpensItsDialogAndOkReachesTheChipAndTheSettingsFile) {
    CDaemon daemon{{"--backend", "sim", "--no-drift"}};
    std::string error;
    ASSERT_TRUE(daemon.Start(&error)) << error;
    CTempDir dir;
    std::vector<std::string> env = MonitorEnvironment(daemon.RuntimeDir(), dir, "true");
    env.push_back(std::string("DISPLAY=") + std::getenv("DISPLAY"));
    env.push_back("QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu");
    CRunningProgram program({std::string(VORN_BIN_DIR) + "/vornpilot", "--window"}, env);
    const std::string window = WindowNamed("VORNPILOT Hardware Monitor", 30000);
    ASSERT_FALSE(window.empty());
    int x = 0, y = 0, width = 0;
    const std::string g = Xdotool({"getwindowgeometry", "--shell", window});
    std::sscanf(g.c_str() + g.find("X="), "X=%d\nY=%d\nWIDTH=%d", &x, &y, &width);
    const auto pixels = [&](int left, int top, int w, int h) {
        return QGuiApplication::primaryScreen()->grabWindow(0, x + left, y + top, w, h).toImage();
    };
    const auto sim = [&](const std::vector<std::string>& args) {
        std::vector<std::string> argv{std::string(VORN_BIN_DIR) + "/vornsim"};
        argv.insert(argv.end(), args.begin(), args.end());
        return Output(argv, {"VORNIO_RUNTIME_DIR=" + daemon.RuntimeDir()});
    };
    // A skin button along the bottom (default skin), then the dialog it opens, keyed.
    const auto open = [&](int centreX, const std::string& title) {
        Xdotool({"mousemove", std::to_string(x + centreX), std::to_string(y + 613), "click", "1"});
        const std::string id = WindowNamed(title);
        if (!id.empty())
            Xdotool({"windowfocus", "--sync", id});
        return id;
    };
    const auto keys = [](const std::vector<std::string>& names) {
        for (const std::string& k : names) {
            Xdotool({"key", k});
            QThread::msleep(60);
        }
    };
    const auto closed = [](const std::string& title) {
        return WaitFor([&] { return WindowNamed(title, 0).empty(); }, 20000);
    };
    const auto hive = [&] {
        CRegistryHive h;
        EXPECT_TRUE(h.Load(dir.PathOf("config") + "/vornpilot/registry.reg"));
        return h;
    };
    const std::string key = "HKEY_CURRENT_USER\\Software\\VORN\\HWM";
    ASSERT_TRUE(
        WaitFor([&] { return pixels(250, 300, 1, 1).pixelColor(0, 0).lightness() < 80; }, 30000))
        << "the skin never drew";

    // SETUP, moved off the page: the page still turns red on an overheated CPU.
    const std::string setting = open(191, "Setting");
    ASSERT_FALSE(setting.empty());
    Xdotool({"windowmove", "--sync", setting, std::to_string(x + width + 10), "0"});
    sim({"set", "CPUTEMPERATURE", "95"});
    EXPECT_TRUE(WaitFor(
        [&] {
            const QImage banner = pixels(20, 470, 120, 30);
            for (int i = 0; i < banner.width() * banner.height(); ++i) {
                const QColor c = banner.pixelColor(i % banner.width(), i / banner.width());
                if (c.red() > 160 && c.green() < 110 && c.blue() < 110)
                    return true;
            }
            return false;
        },
        30000))
        << "no monitoring pass while the dialog is open";
    // From the tabs to CPU Core's Enable: off silences its beep at once; Enter is OK.
    const auto vcoreBeeps = [&] {
        const std::string status = sim({"status"});
        const size_t at = status.find("\nVCORE ");
        return status.substr(at, status.find('\n', at + 1) - at).find(" on ") != std::string::npos;
    };
    ASSERT_TRUE(vcoreBeeps());
    keys({"Tab", "space"});
    EXPECT_TRUE(WaitFor([&] { return !vcoreBeeps(); }, 20000));
    keys({"Return"});
    EXPECT_TRUE(closed("Setting"));
    EXPECT_EQ(hive().GetDword(key + "\\1", "Enable"), 0u);
    EXPECT_EQ(hive().GetString(key, "UNIT"), "C");

    // FANPILOT: the CPU fan's target temperature one up, OK.
    ASSERT_FALSE(open(73, "FanPilot Setting").empty());
    keys({"Tab", "Tab", "Up", "Return"});
    EXPECT_TRUE(closed("FanPilot Setting"));
    const std::string status = sim({"status"});
    std::smatch m;
    const std::string fan = status.substr(status.find("\nCPUFAN0 ", status.find("\nFAN ")), 80);
    ASSERT_TRUE(std::regex_search(fan, m, std::regex("(\\d+) C"))) << fan;
    EXPECT_EQ(m[1], "51");
    EXPECT_EQ(hive().GetDword(key + "\\14", "TargetTemp"), 51u);

    // TRANSPARENTDLG: OK and Escape both close it, and the window goes on.
    ASSERT_FALSE(open(309, "Transparent Dialog Setting").empty());
    keys({"Left", "Return"});
    EXPECT_TRUE(closed("Transparent Dialog Setting"));
    ASSERT_FALSE(open(309, "Transparent Dialog Setting").empty());
    keys({"Escape"});
    EXPECT_TRUE(closed("Transparent Dialog Setting"));
    // The close button still ends the program.
    Xdotool({"mousemove", std::to_string(x + 465), std::to_string(y + 28), "click", "1"});
    EXPECT_EQ(program.Finish(15000).exitCode, 0);
}

}  // namespace
