// The default skin's dialog buttons in a real vornpilot --window on a real vorn-iod: each opens
// the dialog it names, the window keeps monitoring while it is open, and what is confirmed there
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

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

std::string Xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return Trimmed(RunProgram(argv, {}, 10000).out);
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    for (int waited = 0; waited < ms; waited += 100) {
        if (done())
            return true;
        QThread::msleep(100);
    }
    return done();
}

struct SRect {
    int x = 0, y = 0, width = 0, height = 0;
};

SRect Geometry(const std::string& id) {
    SRect r;
    const std::string g = Xdotool({"getwindowgeometry", "--shell", id});
    std::sscanf(g.c_str() + g.find("X="), "X=%d\nY=%d\nWIDTH=%d\nHEIGHT=%d", &r.x, &r.y, &r.width,
                &r.height);
    return r;
}

// The visible window with exactly this title; "" when there is none within the wait.
std::string WindowNamed(const std::string& title, int ms = 10000) {
    std::string id;
    WaitFor(
        [&] {
            id = Xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"});
            return !id.empty();
        },
        ms);
    return id.substr(0, id.find('\n'));
}

class WindowDialogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(daemon.Start(&error)) << error;
        std::vector<std::string> env = MonitorEnvironment(daemon.RuntimeDir(), dir, "true");
        env.push_back(std::string("DISPLAY=") + std::getenv("DISPLAY"));
        env.push_back("QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu");
        program = std::make_unique<CRunningProgram>(
            std::vector<std::string>{std::string(VORN_BIN_DIR) + "/vornpilot", "--window"}, env);
        ASSERT_TRUE(program->Started());
        window = WindowNamed("VORNPILOT Hardware Monitor", 30000);
        ASSERT_FALSE(window.empty()) << "no window";
        w = Geometry(window);
        // Filled once the page shows the skin's dark colours.
        ASSERT_TRUE(
            WaitFor([&] { return Grab(250, 300, 1, 1).pixelColor(0, 0).lightness() < 80; }, 30000));
    }
    void TearDown() override {
        if (program)
            program->Finish(5000);
    }

    QImage Grab(int x, int y, int width, int height) {
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, w.x + x, w.y + y, width, height)
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    // Clicks a skin button (default skin: the three dialog buttons along the bottom).
    void ClickButton(int centreX) {
        Xdotool(
            {"mousemove", std::to_string(w.x + centreX), std::to_string(w.y + 613), "click", "1"});
    }
    // Opens the dialog of a button and gives it the keyboard.
    std::string OpenDialog(int centreX, const std::string& title) {
        ClickButton(centreX);
        const std::string id = WindowNamed(title);
        if (!id.empty())
            Xdotool({"windowfocus", "--sync", id});
        return id;
    }
    void Keys(const std::vector<std::string>& keys) {
        for (const std::string& k : keys) {
            Xdotool({"key", k});
            QThread::msleep(60);
        }
    }
    std::string Sim(const std::vector<std::string>& args) {
        std::vector<std::string> argv{std::string(VORN_BIN_DIR) + "/vornsim"};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProgram(argv, {"VORNIO_RUNTIME_DIR=" + daemon.RuntimeDir()}, 10000).out;
    }
    // A line of `vornsim status` that starts with the pin's name.
    std::string StatusLine(const std::string& pin, bool fanTable) {
        const std::string status = Sim({"status"});
        size_t at = fanTable ? status.find("\nFAN ") : 0;
        at = status.find("\n" + pin + " ", at);
        return at == std::string::npos ? ""
                                       : status.substr(at + 1, status.find('\n', at + 1) - at - 1);
    }
    CRegistryHive Hive() {
        CRegistryHive hive;
        EXPECT_TRUE(hive.Load(dir.PathOf("config") + "/vornpilot/registry.reg"));
        return hive;
    }
    static std::string Key(int item) {
        return "HKEY_CURRENT_USER\\Software\\VORN\\HWM" +
               (item > 0 ? "\\" + std::to_string(item) : std::string());
    }

    CDaemon daemon{{"--backend", "sim", "--no-drift"}};
    CTempDir dir;
    std::unique_ptr<CRunningProgram> program;
    std::string window;
    SRect w;
};

constexpr int FANPILOT_BUTTON = 73;
constexpr int SETUP_BUTTON = 191;
constexpr int TRANSPARENCY_BUTTON = 309;

TEST_F(WindowDialogsTest, SetupMonitorsWhileOpenAndOkReachesTheChipAndTheSettingsFile) {
    const std::string setting = OpenDialog(SETUP_BUTTON, "Setting");
    ASSERT_FALSE(setting.empty()) << "SETUP opened no \"Setting\" dialog";
    // Out of the way of the page, which keeps being updated meanwhile.
    Xdotool({"windowmove", "--sync", setting, std::to_string(w.x + w.width + 10), "0"});
    ASSERT_NE(Sim({"set", "CPUTEMPERATURE", "95"}), "");
    const auto red = [](QColor c) { return c.red() > 160 && c.green() < 110 && c.blue() < 110; };
    EXPECT_TRUE(WaitFor(
        [&] {
            const QImage banner = Grab(20, 470, 120, 30);
            for (int y = 0; y < banner.height(); ++y)
                for (int x = 0; x < banner.width(); ++x)
                    if (red(banner.pixelColor(x, y)))
                        return true;
            return false;
        },
        8000))
        << "no pass while the dialog is open";

    ASSERT_NE(StatusLine("VCORE", false).find(" on "), std::string::npos);
    // From the tabs to CPU Core's Enable, off, then OK.
    Keys({"Tab", "space"});
    EXPECT_TRUE(WaitFor(
        [&] { return StatusLine("VCORE", false).find(" off ") != std::string::npos; }, 3000))
        << "disabling stops the item's beep at once: " << StatusLine("VCORE", false);
    Keys({"Return"});
    EXPECT_TRUE(WaitFor([&] { return WindowNamed("Setting", 0).empty(); }, 5000));
    CRegistryHive hive = Hive();
    EXPECT_EQ(hive.GetDword(Key(1), "Enable"), 0u);
    EXPECT_EQ(hive.GetString(Key(0), "UNIT"), "C");
}

TEST_F(WindowDialogsTest, FanPilotOkProgramsTheFanAndSavesAndTransparencyOpens) {
    const std::string fanPilot = OpenDialog(FANPILOT_BUTTON, "FanPilot Setting");
    ASSERT_FALSE(fanPilot.empty()) << "FANPILOT opened no \"FanPilot Setting\" dialog";
    // The CPU fan comes first; its target temperature one up, then OK.
    Keys({"Tab", "Tab", "Up", "Return"});
    EXPECT_TRUE(WaitFor([&] { return WindowNamed("FanPilot Setting", 0).empty(); }, 5000));
    const std::string row = StatusLine("CPUFAN0", true);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(row, m, std::regex("(\\d+) C"))) << row;
    EXPECT_EQ(m[1], "51");
    EXPECT_EQ(Hive().GetDword(Key(14), "TargetTemp"), 51u);

    const std::string trans = OpenDialog(TRANSPARENCY_BUTTON, "Transparent Dialog Setting");
    ASSERT_FALSE(trans.empty()) << "TRANSPARENTDLG opened no \"Transparent Dialog Setting\"";
    Keys({"Left", "Return"});
    EXPECT_TRUE(
        WaitFor([&] { return WindowNamed("Transparent Dialog Setting", 0).empty(); }, 5000));
    // The window goes on: a second opening starts where the slider was left.
    ASSERT_FALSE(OpenDialog(TRANSPARENCY_BUTTON, "Transparent Dialog Setting").empty());
    Keys({"Escape"});
    EXPECT_TRUE(
        WaitFor([&] { return WindowNamed("Transparent Dialog Setting", 0).empty(); }, 5000));
}

}  // namespace
