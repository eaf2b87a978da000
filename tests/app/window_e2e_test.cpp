// The monitor's window as a user meets it: vornpilot --window on a real vorn-iod, looked at on
// the screen and driven with the real pointer.

#include <gtest/gtest.h>

#include <signal.h>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <cstdlib>

#include "daemon.h"
#include "monitor_environment.h"
#include "page_inspector.h"
#include "run_program.h"
#include "running_program.h"
#include "temp_dir.h"
#include "x_desktop.h"

namespace {

QImage Grab(const SWindowPlace& w, int x, int y, int width, int height) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, w.x + x, w.y + y, width, height)
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

bool AnyPixel(const QImage& image, const std::function<bool(QColor)>& test) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(image.pixelColor(x, y)))
                return true;
    return false;
}

TEST(WindowEndToEnd, TheDefaultSkinIsShapedUpdatesAndObeysItsButtons) {
    CDaemon daemon{{"--backend", "sim", "--no-drift"}};
    std::string error;
    ASSERT_TRUE(daemon.Start(&error)) << error;
    CTempDir dir;
    const std::vector<std::string> env =
        DesktopEnvironment(MonitorEnvironment(daemon.RuntimeDir(), dir, "true"));
    CRunningProgram program({std::string(VORN_BIN_DIR) + "/vornpilot", "--window"}, env);
    ASSERT_TRUE(program.Started());

    std::string id;
    ASSERT_TRUE(WaitFor([&] { return !(id = VisibleMainWindow()).empty(); }, 30000)) << "no window";
    SWindowPlace w = WindowPlace(id);
    EXPECT_EQ(w.width, 500);
    EXPECT_EQ(w.height, 640);

    // The page is filled once its sensor list is drawn in the skin's dark colours, not the
    // initial page's light grey.
    const auto dark = [](QColor c) { return c.lightness() < 80; };
    ASSERT_TRUE(WaitFor([&] { return dark(Grab(w, 250, 300, 1, 1).pixelColor(0, 0)); }, 30000));
    // The outline: the rounded corner's outside is not the window.
    EXPECT_EQ(Grab(w, 0, 0, 1, 1).pixelColor(0, 0), QColor(Qt::black)) << "the root shows";

    // The Temperature tab shows another list.
    const QImage voltages = Grab(w, 16, 113, 468, 340);
    Xdotool({"mousemove", std::to_string(w.x + 250), std::to_string(w.y + 84), "click", "1"});
    EXPECT_TRUE(WaitFor([&] { return Grab(w, 16, 113, 468, 340) != voltages; }, 20000));

    // An overheated CPU turns the banner red within a pass or two.
    ASSERT_EQ(RunProgram({std::string(VORN_BIN_DIR) + "/vornsim", "set", "CPUTEMPERATURE", "95"},
                         {"VORNIO_RUNTIME_DIR=" + daemon.RuntimeDir()}, 10000)
                  .exitCode,
              0);
    const auto red = [](QColor c) { return c.red() > 160 && c.green() < 110 && c.blue() < 110; };
    EXPECT_TRUE(WaitFor([&] { return AnyPixel(Grab(w, 20, 470, 120, 30), red); }, 30000));

    // The header is the skin's MOVESIZE element: dragging it moves the window.
    Xdotool({"mousemove", std::to_string(w.x + 250), std::to_string(w.y + 20), "mousedown", "1"});
    for (int step = 1; step <= 5; ++step)
        Xdotool({"mousemove", std::to_string(w.x + 250 + 20 * step),
                 std::to_string(w.y + 20 + 10 * step)});
    Xdotool({"mouseup", "1"});
    SWindowPlace moved;
    EXPECT_TRUE(WaitFor(
        [&] {
            moved = WindowPlace(id);
            return moved.x == w.x + 100 && moved.y == w.y + 50;
        },
        20000))
        << "at " << moved.x << "," << moved.y;
    w.x = moved.x;
    w.y = moved.y;

    // The close button ends the program.
    Xdotool({"mousemove", std::to_string(w.x + 465), std::to_string(w.y + 28), "click", "1"});
    const ProgramResult result = program.Finish(15000);
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

// A window that cannot see says so: a stopped service makes the page say STALE or NO READINGS,
// never Normal, until the service answers again; a power-off countdown is shown while it runs.
TEST(WindowEndToEnd, ThePageSaysWhenItCannotSeeAndShowsThePowerOffCountdown) {
    CDaemon daemon{{"--backend", "sim", "--no-drift"}};
    std::string error;
    ASSERT_TRUE(daemon.Start(&error)) << error;
    CTempDir dir;
    const int port = CPageInspector::FreePort();
    ASSERT_NE(port, 0);
    std::vector<std::string> env =
        DesktopEnvironment(MonitorEnvironment(daemon.RuntimeDir(), dir, "true"));
    env.push_back("QTWEBENGINE_REMOTE_DEBUGGING=127.0.0.1:" + std::to_string(port));
    CRunningProgram program({std::string(VORN_BIN_DIR) + "/vornpilot", "--window"}, env);
    ASSERT_TRUE(program.Started());
    CPageInspector page(port);
    const auto text = [&](const char* id) {
        return page.Evaluate(QStringLiteral("document.getElementById('%1').textContent").arg(id))
            .value_or(QStringLiteral("?"));
    };
    const QString normalRows = QStringLiteral(
        "[...document.querySelectorAll('[id$=\"_Status\"]')]"
        ".filter(e => e.textContent == 'Normal').length");
    ASSERT_TRUE(WaitFor([&] { return text("WarningText") == "NORMAL"; }, 30000))
        << text("WarningText").toStdString();
    EXPECT_NE(page.Evaluate(normalRows).value_or("0"), "0");

    ASSERT_EQ(::kill(daemon.Pid(), SIGSTOP), 0);
    QString banner;
    EXPECT_TRUE(WaitFor(
        [&] {
            banner = text("WarningText");
            return banner == "NO READINGS" || banner == "STALE";
        },
        30000))
        << banner.toStdString();
    EXPECT_EQ(page.Evaluate(normalRows).value_or("?"), "0") << "a row says Normal, unread";
    ASSERT_EQ(::kill(daemon.Pid(), SIGCONT), 0);
    EXPECT_TRUE(WaitFor([&] { return text("WarningText") == "NORMAL"; }, 30000))
        << text("WarningText").toStdString();

    // The CPU's item has ShutDown on in the simulated board's file.
    ASSERT_EQ(RunProgram({std::string(VORN_BIN_DIR) + "/vornsim", "set", "CPUTEMPERATURE", "95"},
                         {"VORNIO_RUNTIME_DIR=" + daemon.RuntimeDir()}, 10000)
                  .exitCode,
              0);
    EXPECT_TRUE(WaitFor([&] { return text("PowerOffText").startsWith("Power off in "); }, 30000))
        << text("PowerOffText").toStdString();
    ASSERT_EQ(RunProgram({std::string(VORN_BIN_DIR) + "/vornsim", "set", "CPUTEMPERATURE", "40"},
                         {"VORNIO_RUNTIME_DIR=" + daemon.RuntimeDir()}, 10000)
                  .exitCode,
              0);
    EXPECT_TRUE(WaitFor([&] { return text("PowerOffText").isEmpty(); }, 30000));

    ASSERT_EQ(::kill(program.Pid(), SIGTERM), 0);
    EXPECT_EQ(program.Finish(15000).exitCode, 0);
}

}  // namespace
