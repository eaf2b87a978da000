#include "main_window.h"

#include <QMessageBox>
#include <QWindow>

#include "error_log.h"
#include "monitor_session.h"
#include "page_host.h"
#include "skin_click.h"
#include "skin_command.h"
#include "web_page_document.h"
#include "window_dialogs.h"

namespace {

constexpr int PASS_INTERVAL_MS = 2000;

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines)
        text += "\n" + l;
    return text;
}

}  // namespace

CMainWindow::CMainWindow(const std::string& programFolder, CErrorLog& errorLog)
    : m_programFolder(programFolder), m_errorLog(errorLog) {
    setWindowTitle(QStringLiteral("VORNPILOT Hardware Monitor"));
    setWindowFlag(Qt::FramelessWindowHint, true);
    resize(352, 146);
    m_page = new CPageHost(QString::fromStdString(programFolder), this);
    m_page->setGeometry(rect());
    m_skin.SetFolderListener([this](const std::string& folder) {
        m_page->SetSkinFolder(QString::fromStdString(folder));
    });
    m_page->Document()->SetErrorSink(
        [this](const std::string& error) { m_skin.Bridge().RecordError(error); });
    m_timer.setInterval(PASS_INTERVAL_MS);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_session != nullptr)
            m_session->RunPass();
    });
}

CMainWindow::~CMainWindow() {
    m_timer.stop();
}

void CMainWindow::Start(CMonitorSession& session) {
    m_session = &session;
    m_dialogs = std::make_unique<CWindowDialogs>(this, session, m_skin);
    connect(m_page, &CPageHost::PageReady, this, [this] {
        m_session->StartPage();
        m_timer.start();
        emit Started();
    });
    m_page->LoadInitialPage();
}

void CMainWindow::ReadFlags() {
    m_errorLog.LoadSwitch();
}

void CMainWindow::LoadSkin(const std::string& report) {
    m_skin.SetSkinFile(m_skin.SkinFile());
    m_lastLoad = m_skin.LoadSkin(m_programFolder, this, m_page->Document(), report);
    // The page fills whatever size the skin gave the window, under its buttons.
    m_page->setGeometry(rect());
    m_page->lower();
    m_skin.SetButtonCheck("VOLT", 1);
    if (!m_lastLoad.built || !m_lastLoad.failure.empty()) {
        // A window without its skin is still the monitor: show it with what loaded.
        show();
        ShowLoadProblem();
    }
}

void CMainWindow::ShowLoadProblem() {
    std::string text =
        !m_lastLoad.failure.empty()
            ? m_lastLoad.failure
            : "The skin \"" + m_skin.Folder() + m_skin.SkinFile() + "\" could not be loaded.";
    text += Joined(m_lastLoad.problems);
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), QString::fromStdString(text),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("skinLoadProblem"));
    box->open();
}

bool CMainWindow::event(QEvent* event) {
    if (event->type() == SkinClickEventType()) {
        if (std::unique_ptr<CSkinCommand> command = TakeSkinCommand(event))
            OnCommand(command->Id());
        return true;
    }
    if (event->type() == QEvent::Resize)
        m_page->setGeometry(rect());
    return QWidget::event(event);
}

void CMainWindow::OnCommand(const std::string& id) {
    emit CommandReceived(QString::fromStdString(id));
    if (id == "CLOSE") {
        close();
    } else if (id == "MIN") {
        showMinimized();
    } else if (id == "TOP") {
        m_topmost = !m_topmost;
        setWindowFlag(Qt::WindowStaysOnTopHint, m_topmost);
        show();
    } else if (id == "FANPILOT") {
        m_dialogs->RunFanPilot();
    } else if (id == "SETUP") {
        m_dialogs->RunSetup();
    } else if (id == "TRANSPARENTDLG") {
        m_dialogs->RunTransparency();
    }
}
