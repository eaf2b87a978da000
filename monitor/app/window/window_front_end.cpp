#include "window_front_end.h"

#include <unistd.h>

#include <QApplication>
#include <QLoggingCategory>
#include <cstdlib>

#include "desktop_opener.h"
#include "error_log.h"
#include "headless_faces.h"
#include "main_window.h"
#include "monitor_session.h"
#include "skin_command.h"

int RunWindowFrontEnd(IMachine& machine, CPortGuard* guard, int argc, char** argv) {
    // The page engine refuses to run its sandbox as root.
    if (geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(true);
    // The page engine's start-up report is for its developers, not for users.
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));

    CDesktopOpener opener;
    const std::string folder = machine.SystemFact("Path");
    CErrorLog errorLog(folder, machine.Notifier(), opener);
    CNoTray tray;
    CMainWindow window(folder, errorLog);
    CMonitorSession session(machine, window, {window.Skin(), tray, errorLog}, guard);
    session.StartEngine();
    window.Start(session);
    const int code = app.exec();
    session.End();
    SkinCommandRegistry::Clear();
    return code;
}
