// Desktop notifications from the window, in-process with the simulated board, to a notification
// service on a private session bus; and the tray's two choices, kept in the user's settings.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <filesystem>

#include "desktop_opener.h"
#include "engine_fixture.h"
#include "error_log.h"
#include "main_window.h"
#include "monitor_session.h"
#include "notification_server.h"
#include "page_test_support.h"
#include "registry_store.h"

namespace {

// One private session bus for the whole program: the window's connection to it is made once.
class PrivateBus : public ::testing::Environment {
  public:
    void SetUp() override {
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::execlp("dbus-daemon", "dbus-daemon", "--session", "--print-address", "--nofork",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        std::string line;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        ::close(out[0]);
        ASSERT_FALSE(line.empty()) << "dbus-daemon gave no address";
        address = line;
        ::setenv("DBUS_SESSION_BUS_ADDRESS", line.c_str(), 1);
    }
    void TearDown() override {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    static inline std::string address;

  private:
    pid_t m_pid = -1;
};

const auto* const g_bus = ::testing::AddGlobalTestEnvironment(new PrivateBus);

class NotificationsTest : public EngineFixture {
  protected:
    void SetUp() override {
        EngineFixture::SetUp();
        UseSimBoardFile();
        for (const char* folder : {"/skins/default", "/skins/shared"})
            for (const auto& f :
                 std::filesystem::directory_iterator(std::string(VORN_SOURCE_DIR) + folder))
                std::filesystem::copy_file(f.path(), programDir + f.path().filename().string());
        std::filesystem::copy_file(std::string(VORN_BIN_DIR) + "/vorn-xslt",
                                   programDir + "vorn-xslt");
        machine.moduleFile = programDir + "vornpilot";
        server = std::make_unique<CNotificationServer>(QString::fromStdString(PrivateBus::address));
        ASSERT_TRUE(server->Start());
    }
    void Launch() {
        log = std::make_unique<CErrorLog>(programDir, machine.Notifier(), opener);
        window = std::make_unique<CMainWindow>(
            SWindowOptions{programDir, "vornpilot", programDir + "vornpilot", false}, *log);
        session = std::make_unique<CMonitorSession>(machine, guard);
        bool started = false;
        QObject::connect(window.get(), &CMainWindow::Started, [&] { started = true; });
        session->StartEngine();
        window->Start(*session);
        ASSERT_TRUE(WaitUntil([&] { return started; }, 60000));
    }
    // Runs a pass and waits until the service has had `count` notifications in all.
    bool PassUntilNotified(size_t count) {
        session->RunPass();
        return WaitUntil([&] { return server->notified.size() >= count; });
    }
    QAction* MenuEntry(const QString& text) {
        for (QAction* a : window->Tray().Menu()->findChildren<QAction*>())
            if (a->text() == text)
                return a;
        ADD_FAILURE() << "no menu entry " << text.toStdString();
        return nullptr;
    }
    std::string Stored(const std::string& name) {
        CRegistryStore store;
        store.SetRoot(HKEY_CURRENT_USER);
        std::string value;
        store.GetString("SOFTWARE\\VORN\\HWM", name, &value);
        return value;
    }
    void TearDown() override {
        session.reset();
        window.reset();
        server.reset();
        EngineFixture::TearDown();
    }

    std::unique_ptr<CNotificationServer> server;
    CDesktopOpener opener;
    std::unique_ptr<CErrorLog> log;
    std::unique_ptr<CMainWindow> window;
    CPortGuard guard{io, [] { return int64_t{0}; }};
    std::unique_ptr<CMonitorSession> session;
};

TEST_F(NotificationsTest, AWarningAndACountdownReachTheDesktopAndACancelWithdrawsIt) {
    Launch();
    EXPECT_TRUE(server->notified.empty());
    Sim("set CPUTEMPERATURE 95");
    ASSERT_TRUE(PassUntilNotified(2));
    const SNotifyCall warning = server->notified[0];
    EXPECT_EQ(warning.summary.toStdString(), "CPU in warning");
    EXPECT_TRUE(warning.body.startsWith(QString::fromUtf8("CPU: 95 °C, limit ")))
        << warning.body.toStdString();
    EXPECT_EQ(warning.urgency, 1);

    const SNotifyCall countdown = server->notified[1];
    EXPECT_TRUE(countdown.summary.startsWith(QStringLiteral("Power-off in ")));
    EXPECT_EQ(countdown.urgency, 2);
    EXPECT_EQ(countdown.expireTimeout, 0);
    EXPECT_NE(countdown.id, warning.id);

    // Counting down replaces it in place.
    machine.AdvanceSeconds(2);
    ASSERT_TRUE(PassUntilNotified(3));
    EXPECT_EQ(server->notified[2].replacesId, countdown.id);
    EXPECT_NE(server->notified[2].summary, countdown.summary);
    EXPECT_EQ(server->notified[2].urgency, 2);

    // Back under the limit: the countdown is withdrawn.
    Sim("set CPUTEMPERATURE 40");
    session->RunPass();
    ASSERT_TRUE(WaitUntil([&] { return !server->closed.empty(); }));
    EXPECT_EQ(server->closed, std::vector<uint>{countdown.id});
}

TEST_F(NotificationsTest, TheTrayChoicesAreKeptInTheUsersSettings) {
    Launch();
    EXPECT_TRUE(MenuEntry("Notifications")->isChecked());
    EXPECT_FALSE(MenuEntry("Temperature on icon")->isChecked());
    window->OnTrayCommand(TRAY_NOTIFICATIONS);
    window->OnTrayCommand(TRAY_TEMPERATURE_ICON);
    EXPECT_EQ(Stored("NOTIFICATIONS"), "FALSE");
    EXPECT_EQ(Stored("TRAYTEMPERATURE"), "TRUE");
    EXPECT_FALSE(MenuEntry("Notifications")->isChecked());
    EXPECT_TRUE(MenuEntry("Temperature on icon")->isChecked());
    // The icon shows the hottest reading as a whole number of degrees.
    EXPECT_TRUE(window->Tray().IconText().ends_with("\xC2\xB0")) << window->Tray().IconText();
    EXPECT_NE(CMonitorTray::IconWithText(ETrayIcon::Normal, QStringLiteral("45\u00B0"))
                  .pixmap(22, 22)
                  .toImage(),
              CMonitorTray::IconFor(ETrayIcon::Normal).pixmap(22, 22).toImage())
        << "the figures are drawn";

    // Switched off: a warning says nothing. Notifications now come from a second window's
    // first pass only, so wait for one the service gets after switching on again.
    Sim("set CPUTEMPERATURE 95");
    session->RunPass();
    session.reset();
    window.reset();
    Launch();
    EXPECT_FALSE(MenuEntry("Notifications")->isChecked());
    EXPECT_TRUE(MenuEntry("Temperature on icon")->isChecked());
    window->OnTrayCommand(TRAY_NOTIFICATIONS);
    EXPECT_EQ(Stored("NOTIFICATIONS"), "TRUE");
    Sim("set SYSTEMPERATURE 95");
    ASSERT_TRUE(PassUntilNotified(1));
    // Nothing was said while off; the first notification names the sensor that went in after.
    EXPECT_EQ(server->notified[0].summary.toStdString(), "System in warning")
        << server->notified[0].body.toStdString();
}

TEST_F(NotificationsTest, WithoutANotificationServiceNothingIsSaidAndItsReturnStartsAfresh) {
    server->Stop();
    Launch();
    Sim("set CPUTEMPERATURE 95");
    for (int i = 0; i < 3; ++i) {
        machine.AdvanceSeconds(2);
        session->RunPass();
    }
    ASSERT_TRUE(WaitUntil([&] { return !window->Skin().Loading(); }));
    EXPECT_TRUE(window->findChildren<QMessageBox*>().isEmpty());
    // The service comes back: the next warning is a notification of its own, not a replacement.
    ASSERT_TRUE(server->Start());
    Sim("set SYSTEMPERATURE 95");
    session->RunPass();
    // The countdown's newest seconds, asked for while it was away, may come first.
    const SNotifyCall* warning = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (const SNotifyCall& call : server->notified)
            if (call.summary == QStringLiteral("System in warning"))
                warning = &call;
        return warning != nullptr;
    }));
    EXPECT_EQ(warning->replacesId, 0u);
}

}  // namespace
