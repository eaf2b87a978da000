// The main window in-process, with the real page engine and the simulated board in-process:
// start-up order, the unit, the tray menu's flags, and the page and tray commands.

#include "main_window.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>

#include "desktop_opener.h"
#include "engine_fixture.h"
#include "error_log.h"
#include "hostile_stylesheets.h"
#include "monitor_session.h"
#include "page_host.h"
#include "page_test_support.h"
#include "registry_store.h"
#include "single_instance.h"
#include "web_page_document.h"

namespace {

class MainWindowTest : public EngineFixture {
  protected:
    void SetUp() override {
        EngineFixture::SetUp();
        UseSimBoardFile();
        // The default skin as the build lays it out: its own files and the shared scripts.
        for (const char* folder : {"/skins/default", "/skins/shared"})
            for (const auto& f :
                 std::filesystem::directory_iterator(std::string(VORN_SOURCE_DIR) + folder))
                std::filesystem::copy_file(f.path(), programDir + f.path().filename().string());
        std::filesystem::copy_file(std::string(VORN_BIN_DIR) + "/vorn-xslt",
                                   programDir + "vorn-xslt");
        machine.moduleFile = programDir + "vornpilot";
    }
    void SetValue(const std::string& name, const std::string& value) {
        CRegistryStore store;
        store.SetRoot(HKEY_CURRENT_USER);
        ASSERT_TRUE(store.SetString("SOFTWARE\\VORN\\HWM", name, value));
    }
    // Starts the window as the program does; whether it was ever visible before start-up ended.
    bool Launch(bool startInTray = false) {
        log = std::make_unique<CErrorLog>(programDir, machine.Notifier(), opener);
        window = std::make_unique<CMainWindow>(
            SWindowOptions{programDir, "vornpilot", programDir + "vornpilot", startInTray}, *log);
        session = std::make_unique<CMonitorSession>(machine, guard);
        bool started = false;
        bool shownEarly = false;
        QObject::connect(window.get(), &CMainWindow::Started, [&] { started = true; });
        QObject::connect(window.get(), &CMainWindow::PassShown, [&] {
            if (!window->Skin().Loading())
                return;
            ++passesWhileLoading;
            if (onPassWhileLoading)
                onPassWhileLoading();
        });
        session->StartEngine();
        window->Start(*session);
        WaitUntil(
            [&] {
                shownEarly = shownEarly || (!started && window->isVisible());
                return started;
            },
            60000);
        EXPECT_TRUE(started);
        return shownEarly;
    }
    void Applied() {
        window->Page()->Document()->Flush();
        WaitUntil([&] { return window->Page()->Document()->PendingBatches() == 0; });
    }
    QString Page(const QString& expression) {
        return window->Page()->Document()->Evaluate(expression).toString();
    }
    QAction* MenuEntry(const QString& text) {
        for (QAction* a : window->Tray().Menu()->findChildren<QAction*>()) {
            if (a->text() == text)
                return a;
        }
        ADD_FAILURE() << "no menu entry " << text.toStdString();
        return nullptr;
    }
    void TearDown() override {
        session.reset();
        window.reset();
        EngineFixture::TearDown();
    }

    CDesktopOpener opener;
    std::unique_ptr<CErrorLog> log;
    std::unique_ptr<CMainWindow> window;
    // The in-process board never hangs: a guard on a clock that stands still never trips.
    CPortGuard guard{io, [] { return int64_t{0}; }};
    std::unique_ptr<CMonitorSession> session;
    int passesWhileLoading = 0;
    std::function<void()> onPassWhileLoading;
};

TEST_F(MainWindowTest, TheWindowShowsOnlyWhenReadyAndTheUnitChangesFromTheFirstTimerPass) {
    SetValue("UNIT", "F");
    EXPECT_FALSE(Launch()) << "the bare page or a half-built window was shown";
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->LastLoad().built);
    EXPECT_EQ(window->LastLoad().problems, std::vector<std::string>()) << "the default skin";
    EXPECT_EQ(window->Tray().DefaultCommand(), TRAY_MINIMIZE);
    for (ETrayIcon icon : {ETrayIcon::Normal, ETrayIcon::Warning})
        EXPECT_FALSE(CMonitorTray::IconFor(icon).pixmap(22, 22).isNull())
            << "icon " << static_cast<int>(icon);
    EXPECT_FALSE(window->windowIcon().isNull());
    const QString cpu = "document.querySelector('[id$=\"_Temp_Value\"]').textContent";
    Applied();
    EXPECT_TRUE(Page(cpu).endsWith(QStringLiteral("°C"))) << Page(cpu).toStdString();
    machine.AdvanceSeconds(2);
    session->RunPass();
    Applied();
    EXPECT_TRUE(Page(cpu).endsWith(QStringLiteral("°F"))) << Page(cpu).toStdString();
}

// Without a terminal the window says what is wrong with the board file and the settings file,
// as plain text.
TEST_F(MainWindowTest, BoardFileAndSettingsProblemsAreShownOnce) {
    EditBoard("ITEM1", "HiLimit", "1.55");
    std::filesystem::create_directories(std::filesystem::path(HivePath()).parent_path());
    std::ofstream(HivePath()) << "this is not a hive\n";
    Launch();
    const auto boxes = [&] { return window->findChildren<QMessageBox*>("monitorProblems"); };
    ASSERT_EQ(boxes().size(), 1);
    const QString text = boxes()[0]->text();
    EXPECT_TRUE(text.contains("[ITEM1] HiLimit: \"1.55\" is not a whole number"))
        << text.toStdString();
    EXPECT_TRUE(
        text.contains("The settings file " + QString::fromStdString(HivePath()) + " is damaged"))
        << text.toStdString();
    EXPECT_EQ(boxes()[0]->textFormat(), Qt::PlainText);
    machine.AdvanceSeconds(2);
    session->RunPass();
    EXPECT_EQ(boxes().size(), 1) << "each problem is shown once";
}

// No board file and no hwmon sensor: the page and the tray say so, never that all is normal.
TEST_F(MainWindowTest, AMachineWithoutSensorsSaysSoOnThePageAndInTheTray) {
    std::filesystem::remove(BoardPath());
    Launch();
    Applied();
    EXPECT_EQ(Page("document.getElementById('WarningText').textContent"), "NO SENSORS");
    EXPECT_TRUE(Page("document.getElementById('WarningItems').textContent")
                    .startsWith("No sensors found: there is no board file "));
    EXPECT_TRUE(
        Page("document.querySelector('.vp-subtitle').textContent").endsWith("no sensors found"));
    const std::string tip = window->Tray().ToolTip();
    EXPECT_NE(tip.find("no sensors found"), std::string::npos) << tip;
    EXPECT_EQ(tip.find("normal"), std::string::npos) << tip;
}

TEST_F(MainWindowTest, TheTrayMenuShowsBothFlagsEachTimeItOpens) {
    for (bool on : {true, false}) {
        SCOPED_TRACE(on);
        SetValue("ErrorLog", on ? "TRUE" : "FALSE");
        CAutostartEntry entry("vornpilot", programDir + "vornpilot");
        ASSERT_TRUE(entry.Set(on));
        Launch();
        EXPECT_EQ(MenuEntry("Record")->isChecked(), on);
        EXPECT_EQ(MenuEntry("View")->isEnabled(), on);
        EXPECT_EQ(MenuEntry("Clean")->isEnabled(), on);
        EXPECT_EQ(MenuEntry("Run at StartUp")->isChecked(), on);
        // Toggling "Run at StartUp" writes or deletes a whole, valid entry.
        window->OnTrayCommand(TRAY_RUN_AT_STARTUP);
        EXPECT_EQ(entry.Exists(), !on);
        EXPECT_EQ(MenuEntry("Run at StartUp")->isChecked(), !on);
        if (!on) {
            std::ifstream in(entry.Path());
            std::string text((std::istreambuf_iterator<char>(in)), {});
            EXPECT_EQ(text.rfind("[Desktop Entry]\nType=Application\n", 0), 0u);
            EXPECT_NE(text.find("\nExec=\"" + programDir + "vornpilot\" -s\n"), std::string::npos)
                << text;
        }
        session.reset();
        window.reset();
    }
}

TEST_F(MainWindowTest, PageAndTrayCommandsActAndUnknownWordsAreFreed) {
    Launch();
    const QRect place = window->geometry();
    window->OnPageCommand("TOP");
    EXPECT_TRUE(window->Topmost());
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    window->OnPageCommand("TOP");
    EXPECT_FALSE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window->geometry(), place);

    // A word the window does not know does nothing.
    QStringList heard;
    QObject::connect(window.get(), &CMainWindow::CommandReceived,
                     [&](const QString& word) { heard << word; });
    QMetaObject::invokeMethod(window.get(), "OnSkinCommand", Qt::QueuedConnection,
                              Q_ARG(QString, QStringLiteral("NO SUCH WORD")));
    QApplication::sendPostedEvents(window.get());
    EXPECT_EQ(heard, QStringList{QStringLiteral("NO SUCH WORD")});
    EXPECT_TRUE(window->isVisible());

    window->OnPageCommand("MIN");
    EXPECT_TRUE(window->InTray());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->Tray().DefaultCommand(), TRAY_MAXIMIZE);
    window->OnTrayCommand(window->Tray().DefaultCommand());  // a double-click on the icon
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->Tray().DefaultCommand(), TRAY_MINIMIZE);
    for (ETrayIcon icon : {ETrayIcon::Normal, ETrayIcon::Warning})
        EXPECT_FALSE(CMonitorTray::IconFor(icon).pixmap(22, 22).isNull())
            << "icon " << static_cast<int>(icon);
    EXPECT_FALSE(window->windowIcon().isNull());
    window->close();  // the window manager's close
    EXPECT_TRUE(window->InTray());
}

// The skin's stylesheet runs apart from the window: one that runs away holds up neither the
// passes nor the power-off, and is named; a skin that is not the program's own gives way to it.
TEST_F(MainWindowTest, ARunawayStylesheetStopsNeitherPassesNorPowerOffAndIsNamed) {
    std::ofstream(programDir + "page.xsl") << ExponentialStylesheet();
    Sim("set CPUTEMPERATURE 95");
    bool poweredOffWhileLoading = false;
    onPassWhileLoading = [&] {
        // Twenty-two seconds of passes on the machine's clock, the stylesheet still running.
        for (int pass = 0; pass < 11 && machine.powerOff.requests == 0; ++pass) {
            machine.AdvanceSeconds(2);
            session->RunPass();
        }
        poweredOffWhileLoading =
            poweredOffWhileLoading || (machine.powerOff.requests > 0 && window->Skin().Loading());
    };
    EXPECT_FALSE(Launch());
    EXPECT_GT(passesWhileLoading, 0) << "the window's timer went on while the stylesheet ran";
    EXPECT_TRUE(poweredOffWhileLoading);
    EXPECT_TRUE(window->isVisible());
    const auto boxes = window->findChildren<QMessageBox*>("skinLoadProblem");
    ASSERT_EQ(boxes.size(), 1);
    const std::string text = boxes[0]->text().toStdString();
    EXPECT_NE(text.find("\"" + programDir + "SkinDefine.xml\" has problems"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\"" + programDir + "page.xsl\""), std::string::npos) << text;
}

TEST_F(MainWindowTest, ASkinThatCannotBeUsedGivesWayToTheDefaultSkin) {
    Launch();
    CTempDir other;
    for (const auto& f : std::filesystem::directory_iterator(programDir)) {
        if (f.path().extension() != ".ini")
            std::filesystem::copy_file(f.path(), other.PathOf(f.path().filename().string()));
    }
    std::ofstream(other.PathOf("page.xsl"), std::ios::trunc) << InfiniteRecursionStylesheet();
    // The user types the skin's file into the file dialog.
    QTimer picker;
    QObject::connect(&picker, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible()) {
                if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
                    name->setText(QString::fromStdString(other.PathOf("SkinDefine.xml")));
                static_cast<QDialog*>(dialog)->accept();
            }
        }
    });
    picker.start(50);
    window->OnPageCommand("CHANGESKIN");
    ASSERT_TRUE(WaitUntil([&] { return !window->Skin().Loading(); }, 60000));
    EXPECT_EQ(window->LastLoad().refusedSkin, other.PathOf("SkinDefine.xml"));
    EXPECT_EQ(window->Skin().Folder(), programDir);
    const auto boxes = window->findChildren<QMessageBox*>("skinLoadProblem");
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0]->text().startsWith(QString::fromStdString(
        "The skin \"" + other.PathOf("SkinDefine.xml") + "\" cannot be used")));
    EXPECT_TRUE(boxes[0]->text().contains("recursion")) << boxes[0]->text().toStdString();
    Applied();
    EXPECT_FALSE(Page("document.querySelector('[id$=\"_Temp_Value\"]').textContent").isEmpty());
}

// "Change skin" opens in the skins folder beside the program, and the window keeps its place.
TEST_F(MainWindowTest, ChangeSkinStartsInTheSkinsFolderAndTheWindowKeepsItsPlace) {
    Launch();
    const std::string compact = programDir + "skins/compact/";
    std::filesystem::create_directories(compact);
    for (const auto& f : std::filesystem::directory_iterator(programDir))
        if (f.is_regular_file() && f.path().extension() != ".ini")
            std::filesystem::copy_file(f.path(), compact + f.path().filename().string());
    window->move(120, 90);
    QString startedIn;
    QTimer picker;
    QObject::connect(&picker, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible()) {
                startedIn = dialog->directory().absolutePath();
                if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
                    name->setText(QString::fromStdString(compact + "SkinDefine.xml"));
                static_cast<QDialog*>(dialog)->accept();
            }
        }
    });
    picker.start(50);
    window->OnPageCommand("CHANGESKIN");
    ASSERT_TRUE(WaitUntil([&] { return !window->Skin().Loading(); }, 60000));
    EXPECT_EQ(startedIn.toStdString(), programDir + "skins");
    EXPECT_EQ(window->Skin().Folder(), compact);
    EXPECT_EQ(window->pos(), QPoint(120, 90));
}

}  // namespace

// The tray's animation, on a clock the test turns.
TEST(TrayAnimation, FramesAlternateUntilThePeriodEndsAndTheIconComesBack) {
    CTrayAnimation animation;
    EXPECT_FALSE(animation.Start(0, 0, ETrayIcon::Normal)) << "no frames";
    animation.SetFrames({ETrayIcon::Normal, ETrayIcon::Warning});
    ASSERT_TRUE(animation.Start(2, 1000, ETrayIcon::Normal));
    std::vector<std::optional<ETrayIcon>> shown;
    for (int64_t t = 1500; t <= 3000; t += 500)
        shown.push_back(animation.Step(t));
    EXPECT_EQ(shown,
              (std::vector<std::optional<ETrayIcon>>{ETrayIcon::Warning, ETrayIcon::Normal,
                                                     ETrayIcon::Warning, ETrayIcon::Normal}));
    EXPECT_EQ(animation.Step(3499), ETrayIcon::Warning) << "2.499 s rounds to 2";
    EXPECT_EQ(animation.Step(3500), std::nullopt) << "2.5 s rounds to 3, past the period";
    EXPECT_EQ(animation.Stop(), ETrayIcon::Normal);
    // An endless animation restarted by every update begins again at its first frame.
    ASSERT_TRUE(animation.Start(0xFFFFFFFF, 0, ETrayIcon::Warning));
    EXPECT_EQ(animation.Step(1'000'000'000), ETrayIcon::Warning);
    ASSERT_TRUE(animation.Start(0xFFFFFFFF, 0, ETrayIcon::Warning));
    EXPECT_EQ(animation.Step(500), ETrayIcon::Warning);
    EXPECT_EQ(TrayToolTip(std::string(200, 'x'), "y").size(), 127u);
}

// A handle read from the instance object reaches only this user's own window queue.
TEST(SingleInstance, AStaleOrForeignHandleReachesNothing) {
    CTempDir dir;
    CMessageWindow mine;
    ASSERT_TRUE(mine.Create(dir.Path()));
    EXPECT_TRUE(PostToOwnWindow(dir.Path(), mine.Handle(), BRING_FORWARD_MESSAGE));
    SWindowMessage got;
    ASSERT_TRUE(mine.Receive(&got));
    EXPECT_EQ(got.message, BRING_FORWARD_MESSAGE);

    // A crashed instance left its queue's name behind: nobody reads it.
    CMessageWindow gone;
    ASSERT_TRUE(gone.Create(dir.Path()));
    const uint32_t stale = gone.Handle();
    gone.Destroy();
    EXPECT_FALSE(PostToOwnWindow(dir.Path(), stale, BRING_FORWARD_MESSAGE));
    // A plain file, or a queue another user owns, under a handle's name.
    std::ofstream(WindowSocketPath(dir.Path(), 0x1234)) << "x";
    EXPECT_FALSE(PostToOwnWindow(dir.Path(), 0x1234, BRING_FORWARD_MESSAGE));
    if (::geteuid() == 0) {  // only root can give a socket to another user
        CMessageWindow foreign;
        ASSERT_TRUE(foreign.Create(dir.Path()));
        ASSERT_EQ(::chown(WindowSocketPath(dir.Path(), foreign.Handle()).c_str(), 65534, 65534), 0);
        EXPECT_FALSE(PostToOwnWindow(dir.Path(), foreign.Handle(), BRING_FORWARD_MESSAGE));
        EXPECT_FALSE(foreign.Receive(&got));
    }
    EXPECT_FALSE(PostToOwnWindow(dir.Path(), 0, BRING_FORWARD_MESSAGE));
}
