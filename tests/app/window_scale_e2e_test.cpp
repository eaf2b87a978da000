// The window on scaled screens and its graphs, as a user meets them: vornpilot on a real
// vorn-iod, looked at on the screen and driven with the real pointer.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include "daemon.h"
#include "monitor_environment.h"
#include "page_inspector.h"
#include "running_program.h"
#include "temp_dir.h"
#include "x_desktop.h"

namespace {

constexpr int SKIN_WIDTH = 500;  // the default skin at scale 1

QImage Grab(const SWindowPlace& w) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, w.x, w.y, w.width, w.height)
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The outline's key colour, whole or blended into the skin's dark colours.
bool KeyTinted(QColor c) {
    return c.red() - c.green() > 40 && c.blue() - c.green() > 40;
}

struct SStartedWindow {
    CDaemon daemon{{"--backend", "sim", "--no-drift"}};
    CTempDir dir;
    std::unique_ptr<CRunningProgram> program;
    std::string id;
    SWindowPlace place;

    void Start(std::vector<std::string> extraEnv) {
        std::string error;
        ASSERT_TRUE(daemon.Start(&error)) << error;
        std::vector<std::string> env =
            DesktopEnvironment(MonitorEnvironment(daemon.RuntimeDir(), dir, "true"));
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        program = std::make_unique<CRunningProgram>(
            std::vector<std::string>{std::string(VORN_BIN_DIR) + "/vornpilot", "--window"}, env);
        ASSERT_TRUE(program->Started());
        ASSERT_TRUE(WaitFor([&] { return !(id = VisibleMainWindow()).empty(); }, 30000));
        place = WindowPlace(id);
        // Filled: the sensor list in the skin's dark colours, not the initial light grey.
        ASSERT_TRUE(WaitFor(
            [&] {
                const QImage image = Grab(place);
                return image.pixelColor(image.width() / 2, image.height() / 2).lightness() < 80;
            },
            30000));
    }

    // Clicks the point of the skin at scale 1 (x, y), wherever the window's scale put it.
    void Click(int x, int y) {
        const double k = double(place.width) / SKIN_WIDTH;
        Xdotool({"mousemove", std::to_string(place.x + int(x * k)),
                 std::to_string(place.y + int(y * k)), "click", "1"});
    }
};

// At 1x, 1.5x and 2x on a 1280 x 1024 screen: the window lies within the screen (at 2x the
// skin's 1000 x 1280 pixels are shrunk to fit), the outline shows no trace of the key colour,
// the corner outside the outline is not the window, and the close button is where it is drawn.
TEST(WindowScaleEndToEnd, EveryScaleHasACleanOutlineAndFitsTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    for (const char* scale : {"1", "1.5", "2"}) {
        SCOPED_TRACE(std::string("QT_SCALE_FACTOR=") + scale);
        SStartedWindow w;
        w.Start({std::string("QT_SCALE_FACTOR=") + scale});
        if (HasFatalFailure())
            return;
        const double wanted = SKIN_WIDTH * std::atof(scale);
        EXPECT_TRUE(screen.contains(QRect(w.place.x, w.place.y, w.place.width, w.place.height)))
            << w.place.x << "," << w.place.y << " " << w.place.width << "x" << w.place.height;
        if (wanted * 1.28 <= screen.height())
            EXPECT_NEAR(w.place.width, wanted, 1);
        else
            EXPECT_LT(w.place.width, wanted);

        const QImage image = Grab(w.place);
        int tinted = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                tinted += KeyTinted(image.pixelColor(x, y));
        EXPECT_EQ(tinted, 0) << "pixels of the key colour";
        EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black)) << "the corner is the window's";

        w.Click(465, 28);  // CLOSE
        const ProgramResult result = w.program->Finish(15000);
        EXPECT_EQ(result.exitCode, 0) << result.err;
    }
}

// A sensor's small graph scales over its limit band, shows the reading under the pointer, and a
// click opens the large graph of that sensor.
TEST(WindowScaleEndToEnd, GraphsShowTheReadingUnderThePointerAndOpenLarge) {
    const int port = CPageInspector::FreePort();
    ASSERT_NE(port, 0);
    SStartedWindow w;
    w.Start({"QTWEBENGINE_REMOTE_DEBUGGING=127.0.0.1:" + std::to_string(port)});
    if (HasFatalFailure())
        return;
    CPageInspector page(port);

    // -12 V inside its window -13.2..-10.8 with one step of noise: the scale spans the window.
    const auto span = page.Evaluate(
        QStringLiteral("(function(){var s=VpScale('Volt',-12.05,-11.99,[-13.2,-10.8],false);"
                       "return String(s.low<=-13.2&&s.high>=-10.8);})()"));
    EXPECT_EQ(span.value_or("?"), QStringLiteral("true"));

    // The first voltage's graph, in the page's own coordinates.
    const auto box = page.Evaluate(QStringLiteral(
        "(function(){var r=document.querySelector('.vp-row .vp-graph').getBoundingClientRect();"
        "return Math.round(r.left+r.width-3)+','+Math.round(r.top+r.height/2);})()"));
    ASSERT_TRUE(box.has_value());
    const int gx = box->section(',', 0, 0).toInt(), gy = box->section(',', 1, 1).toInt();
    Xdotool({"mousemove", std::to_string(w.place.x + gx - 20), std::to_string(w.place.y + gy)});
    Xdotool({"mousemove", std::to_string(w.place.x + gx), std::to_string(w.place.y + gy)});
    QString pointer;
    EXPECT_TRUE(WaitFor(
        [&] {
            pointer = page.Evaluate(QStringLiteral("document.querySelector('.vp-row')"
                                                   ".getAttribute('data-pointer')||''"))
                          .value_or(QString());
            return pointer.contains(QStringLiteral(" V  ")) && pointer.contains(':');
        },
        20000))
        << pointer.toStdString();

    Xdotool({"click", "1"});
    EXPECT_TRUE(WaitFor(
        [] {
            return !Xdotool({"search", "--onlyvisible", "--name", "^CPU Core - VORNPILOT$"})
                        .empty();
        },
        20000))
        << "no large graph";
    w.program->Finish(15000);
}

}  // namespace
