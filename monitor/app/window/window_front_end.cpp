#include "window_front_end.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QLoggingCategory>
#include <QQuickWindow>
#include <QSocketNotifier>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "desktop_opener.h"
#include "error_log.h"
#include "main_window.h"
#include "message_box_notifier.h"
#include "metrics_outputs.h"
#include "monitor_session.h"
#include "single_instance.h"

namespace {

int g_stopPipe[2] = {-1, -1};
QtMessageHandler g_messageHandler = nullptr;

// Reports and notes (the page engine's start-up, its sandbox switched off for root) are for
// developers: they reach the terminal only with VORNPILOT_DEBUG set. Warnings still do.
void WithoutNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtInfoMsg || type == QtDebugMsg)
        return;
    g_messageHandler(type, context, text);
}

void QuietPageEngine() {
    if (qEnvironmentVariableIsSet("VORNPILOT_DEBUG"))
        return;
    g_messageHandler = qInstallMessageHandler(WithoutNotes);
    // The engine's processes log on their own, past the handler: errors that stop it only.
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--log-level=3", 1);
}

void OnStopSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_stopPipe[1], &byte, 1);
}

// SIGTERM, SIGINT and SIGHUP end the program as "Exit" does, from the event loop.
void InstallStopHandlers(QObject* context, std::function<void()> stop) {
    if (::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_stopPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [stop] {
        char buffer[16];
        while (::read(g_stopPipe[0], buffer, sizeof buffer) > 0) {
        }
        stop();
    });
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &sa, nullptr);
}

std::string AppName(const std::string& modulePath) {
    std::string name = modulePath.substr(modulePath.rfind('/') + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name.empty() ? "vornpilot" : name;
}

}  // namespace

int RunWindowFrontEnd(IMachine& machine, CPortGuard& guard, CChipPath& path, bool startInTray,
                      int argc, char** argv, const SMetricsOptions& metrics, bool hwmonItems) {
    const std::string appName = AppName(machine.ModuleFileName());
    // Before anything touches the chip: a later start only brings the first window forward.
    CSingleInstance instance(appName);
    std::string error;
    switch (instance.Claim(&error)) {
        case EWindowInstance::BroughtForward:
        case EWindowInstance::AlreadyRunning:
            return 0;
        case EWindowInstance::Failed:
            std::fprintf(stderr, "vornpilot: cannot check for another running copy (%s)\n",
                         error.c_str());
            break;
        case EWindowInstance::First:
            break;
    }

    // The page engine refuses to run its sandbox as root.
    if (geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    QuietPageEngine();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The page reaches the window through Qt Quick. Its OpenGL scene graph, on a machine
    // without a GPU driver, runs on a software rasteriser that cost the idle window more than
    // the page itself; Qt Quick's own software renderer draws this small page at a fraction of
    // that, and with less memory. QT_QUICK_BACKEND still chooses.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QApplication app(argc, argv);
    // The window goes to the tray when closed; only "Exit" and "CLOSE" end the program.
    app.setQuitOnLastWindowClosed(false);
    // The page engine's start-up report is for its developers, not for users.
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));

    CDesktopOpener opener;
    const std::string folder = machine.SystemFact("Path");
    // The error log's messages answer the tray's commands: they belong on the screen.
    CMessageBoxNotifier boxes;
    CErrorLog errorLog(folder, boxes, opener);
    CMainWindow window({folder, appName, machine.ModuleFileName(), startInTray}, errorLog);
    boxes.SetParent(&window);
    errorLog.SetTray(&window.Tray());
    QObject::connect(&instance, &CSingleInstance::BringForward, &window,
                     &CMainWindow::BringForward);
    instance.Listen();
    CMonitorSession session(machine, guard, path);
    // Before the chip is touched, as in the console.
    CMetricsOutputs outputs;
    if (!outputs.Start(
            metrics, [&session] { return session.Snapshot(); }, &error)) {
        std::fprintf(stderr, "vornpilot: %s\n", error.c_str());
        return EXIT_NO_METRICS;
    }
    session.Subscribe([&outputs](const SPassSnapshot& pass) { outputs.Publish(pass); });
    InstallStopHandlers(&window, [&window] { window.OnTrayCommand(TRAY_EXIT); });
    if (hwmonItems)
        session.AskForHwmonItems();
    session.StartEngine();
    window.Start(session);
    const int code = app.exec();
    outputs.Stop();
    session.End();
    return code;
}
