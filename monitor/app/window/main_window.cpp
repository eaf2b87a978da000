#include "main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMouseEvent>
#include <QShortcut>
#include <QWindow>
#include <algorithm>

#include "error_log.h"
#include "history_view.h"
#include "monitor_session.h"
#include "page_formats.h"
#include "page_host.h"
#include "page_watch.h"
#include "setting_dlg.h"
#include "snapshot_text.h"
#include "user_settings.h"
#include "web_page_document.h"
#include "window_dialogs.h"
#include "xslt_bounds.h"

namespace {

constexpr int PASS_INTERVAL_MS = 2000;
constexpr const char* TRAY_TOOLTIP = "VORNPILOT - Right click on me!";

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines)
        text += "\n" + l;
    return text;
}

// The processor's temperature: an item named so, or one of the kernel's processor sensors.
bool IsCpu(const SItemSnapshot& item) {
    std::string upper = item.name;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const char* const CPU_DEVICES[] = {"coretemp", "k10temp", "zenpower", "cpu_thermal"};
    return upper.find("CPU") != std::string::npos ||
           std::find(std::begin(CPU_DEVICES), std::end(CPU_DEVICES), item.device) !=
               std::end(CPU_DEVICES);
}

// The readings a glance at the tray should give: the CPU temperature and how many sensors are
// in warning.
std::string KeyReadings(const SPassSnapshot& pass) {
    const SItemSnapshot* cpu = nullptr;
    for (const SItemSnapshot& item : pass.items) {
        if (item.unit != "°C" || !item.enabled || !item.EverRead())
            continue;
        if (cpu == nullptr || (IsCpu(item) && !IsCpu(*cpu)))
            cpu = &item;
    }
    std::string text;
    if (cpu != nullptr)
        text = cpu->name + " " + WithoutLeadingBlanks(ItemTexts(*cpu, pass.celsius).value) + ", ";
    const int warnings = static_cast<int>(pass.ItemsInAlarm().size());
    text += warnings == 0 ? "all sensors normal"
                          : std::to_string(warnings) + (warnings == 1 ? " sensor" : " sensors") +
                                " in warning";
    if (pass.startProblem == EStartProblem::NoSensors)
        text = "no sensors found";
    else if (!pass.chipAnswered)
        text = "no readings";
    // A running power-off comes first, where the tooltip's cut cannot reach it.
    const std::string powerOff = PowerOffText(pass);
    return powerOff.empty() ? text : powerOff + "\n" + text;
}

// The hottest temperature read in this pass, as the tray icon shows it ("45°"); "" for none.
std::string HottestText(const SPassSnapshot& pass) {
    const SItemSnapshot* hottest = nullptr;
    for (const SItemSnapshot& item : pass.items) {
        if (item.type != ITEM_TEMPERATURE || !item.enabled || !item.available || item.stale ||
            !item.EverRead())
            continue;
        if (hottest == nullptr || item.value > hottest->value)
            hottest = &item;
    }
    if (hottest == nullptr || !pass.chipAnswered)
        return "";
    return WithoutLeadingBlanks(DegreesText(DisplayTemperature(hottest->value, pass.celsius))) +
           "\xC2\xB0";
}

}  // namespace

CMainWindow::CMainWindow(SWindowOptions options, CErrorLog& errorLog)
    : m_options(std::move(options)),
      m_errorLog(errorLog),
      m_statusPage(m_skin, m_tray, errorLog),
      m_autostart(m_options.appName, m_options.programPath) {
    setWindowTitle(QStringLiteral("VORNPILOT Hardware Monitor"));
    setWindowIcon(CMonitorTray::IconFor(ETrayIcon::Normal));
    setWindowFlag(Qt::FramelessWindowHint, true);
    resize(352, 146);
    m_page = new CPageHost(QString::fromStdString(m_options.programFolder), this);
    m_page->setGeometry(rect());
    m_skin.SetFolderListener([this](const std::string& folder) {
        m_page->SetSkinFolder(QString::fromStdString(folder));
    });
    m_page->Document()->SetErrorSink(
        [this](const std::string& error) { m_skin.Bridge().RecordError(error); });
    // A skin that cannot be used gives way to the default skin beside the program.
    m_skin.SetTransformHelper(m_options.programFolder + XSLT_HELPER_NAME);
    m_skin.SetFallbackFolder(m_options.programFolder);
    m_skin.SetLoadListener([this](const SSkinLoadResult& result) { OnSkinLoaded(result); });
    m_pageWatch = new CPageWatch(m_page->Document(), this);
    connect(m_page, &CPageHost::MoveSizePressed, this, &CMainWindow::StartMove);
    connect(m_page, &CPageHost::GraphRequested, this,
            [this](const QString& key) { ShowHistory(key.toStdString()); });
    m_timer.setInterval(PASS_INTERVAL_MS);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_session != nullptr)
            m_session->RunPass();
        AfterPass();
    });
    connect(&m_tray, &CMonitorTray::Command, this, &CMainWindow::OnTrayCommand);
    // Escape is the dialog's cancel: to the tray. The page swallows keys, so this is a shortcut.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] { OnTrayCommand(TRAY_MINIMIZE); });
}

CMainWindow::~CMainWindow() {
    m_timer.stop();
}

void CMainWindow::setVisible(bool visible) {
    // Until start-up is complete every request to show is dropped, and so is one (of a skin
    // load) while the window lives in the tray.
    if (visible && (!m_mayShow || m_inTray))
        return;
    QWidget::setVisible(visible);
}

void CMainWindow::Start(CMonitorSession& session) {
    m_session = &session;
    session.Subscribe([this](const SPassSnapshot& pass) { ShowPass(pass); });
    m_dialogs = std::make_unique<CWindowDialogs>(this, session.Commands(), m_skin);
    m_tray.Create(TRAY_TOOLTIP);
    connect(m_page, &CPageHost::PageReady, this, &CMainWindow::OnPageReady);
    m_page->LoadInitialPage();
}

void CMainWindow::OnPageReady() {
    // Flags, one pass, report, skin, "VOLT", first status update; the stored unit from the next.
    ReadFlags();
    m_session->FirstPass();
    m_tray.SetDefaultCommand(TRAY_MINIMIZE);
    if (m_options.startInTray) {
        MinimiseToTray();
        m_tray.SetDefaultCommand(TRAY_MAXIMIZE);
    }
    m_timer.start();
    m_mayShow = true;
    AfterPass();
    // The settings dialog's row beep switches start as the items' beep bits now.
    m_dialogs->SettingDlg().TakeBeepSwitches();
    // The page's own widget takes the mouse: watch it for the window drag.
    if (QWidget* proxy = m_page->focusProxy())
        proxy->installEventFilter(this);
    // The skin's stylesheet may still run; the passes do not wait for it, the window does.
    m_starting = true;
    if (!m_skin.Loading())
        FinishStart();
}

void CMainWindow::FinishStart() {
    m_starting = false;
    if (!m_inTray)
        show();
    emit Started();
}

void CMainWindow::ShowPass(const SPassSnapshot& pass) {
    m_history.Record(pass);
    if (pass.itemsNew)
        LoadSkin(SensorReport(pass, m_options.programFolder));
    m_statusPage.Show(pass);
    // Decided on every pass, so switching them on again starts from what is true now.
    const std::vector<SDesktopNotice> notices = m_noticeDecider.Decide(pass);
    if (m_notificationsOn)
        for (const SDesktopNotice& notice : notices)
            m_notifier.Send(notice);
}

void CMainWindow::ShowTrayTemperature() {
    const auto pass = m_session != nullptr ? m_session->Snapshot() : nullptr;
    m_tray.SetIconText(m_temperatureIcon && pass ? HottestText(*pass) : std::string());
}

void CMainWindow::AfterPass() {
    if (m_session == nullptr)
        return;
    if (const auto pass = m_session->Snapshot()) {
        m_tray.SetToolTip(TrayToolTip(TRAY_TOOLTIP, KeyReadings(*pass)));
        ShowNewProblems(*pass);
    }
    ShowTrayTemperature();
    m_pageWatch->OnPass();
    emit PassShown();
}

void CMainWindow::ShowHistory(const std::string& key) {
    const auto pass = m_session != nullptr ? m_session->Snapshot() : nullptr;
    if (!pass || !m_history.Has(key))
        return;
    if (m_historyView == nullptr)
        m_historyView = new CHistoryView(m_history, this);
    m_historyView->ShowSensor(key, *pass);
    m_historyView->show();
    m_historyView->raise();
}

void CMainWindow::ReadFlags() {
    const bool recording = m_errorLog.LoadSwitch();
    m_runAtStartup = m_autostart.Exists();
    m_tray.SetErrorLogFlag(recording);
    m_tray.SetRunAtStartupFlag(m_runAtStartup);
    m_notificationsOn = CUserSettings().Get(NOTIFICATIONS);
    m_temperatureIcon = CUserSettings().Get(TRAY_TEMPERATURE);
    m_tray.SetNotificationsFlag(m_notificationsOn);
    m_tray.SetTemperatureIconFlag(m_temperatureIcon);
}

// The load finishes in OnSkinLoaded, at once or when the skin's stylesheet has run.
void CMainWindow::LoadSkin(const std::string& report) {
    m_skinFolder = m_options.programFolder;
    m_skin.SetSkinFile(m_skinFile);
    m_skin.LoadSkin(m_skinFolder, this, m_page->Document(), report);
}

void CMainWindow::ReloadSkin(const std::string& folder) {
    // The skin sets the window's size from its picture; the window stays where the user put it.
    m_keepPlace = pos();
    m_skin.SetSkinFile(m_skinFile);
    const auto pass = m_session->Snapshot();
    m_skin.LoadSkin(folder, this, m_page->Document(),
                    pass ? SensorReport(*pass, m_options.programFolder)
                         : SensorReport({}, m_options.programFolder));
}

void CMainWindow::OnSkinLoaded(const SSkinLoadResult& result) {
    m_lastLoad = result;
    m_skinFile = m_skin.SkinFile();
    m_page->setGeometry(rect());
    // A window shrunk to fit its screen shows its page shrunk alike.
    m_page->setZoomFactor(m_skin.Scale());
    m_page->lower();
    if (m_keepPlace) {
        move(*m_keepPlace);
        m_keepPlace.reset();
    }
    m_skin.SetButtonCheck("VOLT", 1);
    if (m_topmost)
        m_skin.SetButtonCheck("TOP", 1);
    if (!result.built && !m_starting)
        show();
    if (!result.built || !result.problems.empty())
        ShowLoadProblem();
    if (m_starting)
        FinishStart();
}

void CMainWindow::ShowLoadProblem() {
    const std::string skin = "\"" + m_skin.Folder() + m_skin.SkinFile() + "\"";
    const std::string text = !m_lastLoad.refusedSkin.empty()
                                 ? "The skin \"" + m_lastLoad.refusedSkin +
                                       "\" cannot be used; the default skin is shown instead."
                             : !m_lastLoad.built ? "The skin " + skin + " could not be loaded."
                                                 : "The skin " + skin + " has problems.";
    ShowWarning(text + Joined(m_lastLoad.problems), "skinLoadProblem");
}

// Opened, not run: the event loop and so the monitor go on. Names from files (a downloaded skin, a
// board file) are shown as they are, never as markup.
void CMainWindow::ShowWarning(const std::string& text, const char* name) {
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), QString::fromStdString(text),
                                QMessageBox::Ok, this);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QString::fromLatin1(name));
    box->open();
}

// Without a terminal the window is the only place to say what is wrong with the board file (once)
// and with the settings file (each new notice once).
void CMainWindow::ShowNewProblems(const SPassSnapshot& pass) {
    std::vector<std::string> lines;
    if (!m_boardProblemsShown) {
        m_boardProblemsShown = true;
        for (const std::string& problem : pass.boardFileProblems)
            lines.push_back("Board file " + problem);
    }
    for (size_t i = m_noticesShown; i < pass.settingsNotices.size(); ++i)
        lines.push_back(NoticeSentence(pass.settingsNotices[i]));
    m_noticesShown = std::max(m_noticesShown, pass.settingsNotices.size());
    if (lines.empty())
        return;
    ShowWarning(Joined(lines).substr(1), "monitorProblems");
}

bool CMainWindow::event(QEvent* event) {
    if (event->type() == QEvent::Resize)
        m_page->setGeometry(rect());
    return QWidget::event(event);
}

void CMainWindow::closeEvent(QCloseEvent* event) {
    // The window manager's close is the dialog's cancel: the program goes on in the tray.
    event->ignore();
    OnTrayCommand(TRAY_MINIMIZE);
}

void CMainWindow::OnSkinCommand(const QString& word) {
    OnPageCommand(word.toStdString());
}

void CMainWindow::OnPageCommand(const std::string& word) {
    emit CommandReceived(QString::fromStdString(word));
    if (word == "CLOSE") {
        EndProgram();
    } else if (word == "MIN") {
        OnTrayCommand(TRAY_MINIMIZE);
    } else if (word == "CHANGESKIN") {
        ChangeSkin();
    } else if (word == "TOP") {
        ToggleTopmost();
    } else if (word == "FANPILOT") {
        m_dialogs->RunFanPilot();
    } else if (word == "SETUP") {
        m_dialogs->RunSetup();
    } else if (word == "TRANSPARENTDLG") {
        m_dialogs->RunTransparency();
    }
}

void CMainWindow::OnTrayCommand(int command) {
    switch (command) {
        case TRAY_MAXIMIZE:
            MaximiseFromTray();
            m_tray.SetDefaultCommand(TRAY_MINIMIZE);
            break;
        case TRAY_MINIMIZE:
            MinimiseToTray();
            m_tray.SetDefaultCommand(TRAY_MAXIMIZE);
            break;
        case TRAY_EXIT:
            EndProgram();
            break;
        case TRAY_RUN_AT_STARTUP: {
            // The flag keeps the state asked for; an entry that may not be written (a program
            // folder whose name the entry cannot hold) is said, naming the folder.
            m_runAtStartup = !m_runAtStartup;
            std::string error;
            if (!m_autostart.Set(m_runAtStartup, &error) && !error.empty())
                ShowWarning(error, "autostartProblem");
            m_tray.SetRunAtStartupFlag(m_runAtStartup);
            break;
        }
        case TRAY_NOTIFICATIONS:
            m_notificationsOn = !m_notificationsOn;
            if (!CUserSettings().Set(NOTIFICATIONS, m_notificationsOn))
                ShowWarning("The choice could not be saved for the next start.", "settingsProblem");
            m_tray.SetNotificationsFlag(m_notificationsOn);
            if (!m_notificationsOn)
                m_notifier.WithdrawAll();
            break;
        case TRAY_TEMPERATURE_ICON:
            m_temperatureIcon = !m_temperatureIcon;
            if (!CUserSettings().Set(TRAY_TEMPERATURE, m_temperatureIcon))
                ShowWarning("The choice could not be saved for the next start.", "settingsProblem");
            m_tray.SetTemperatureIconFlag(m_temperatureIcon);
            ShowTrayTemperature();
            break;
        case TRAY_RECORD:
            m_errorLog.OnErrorLogRecord();
            m_tray.SetErrorLogFlag(m_errorLog.IsOn());
            break;
        case TRAY_VIEW:
            m_errorLog.OnErrorLogView();
            break;
        case TRAY_CLEAN:
            m_errorLog.OnErrorLogClean();
            break;
        case TRAY_ABOUT:
            ShowAbout();
            break;
        default:
            break;
    }
}

void CMainWindow::EndProgram() {
    if (m_session != nullptr)
        m_session->Commands().RestoreFanControl();
    m_timer.stop();
    QApplication::exit(0);
}

void CMainWindow::MinimiseToTray() {
    // A hidden top-level window has no taskbar entry; "Maximize" brings it back.
    m_inTray = true;
    QWidget::setVisible(false);
}

void CMainWindow::MaximiseFromTray() {
    m_inTray = false;
    if (!m_mayShow)
        return;
    showNormal();
    raise();
    activateWindow();
}

void CMainWindow::BringForward() {
    // A window in the tray stays there: it is only brought to the front and un-minimised.
    if (m_inTray || !m_mayShow)
        return;
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void CMainWindow::ToggleTopmost() {
    const QRect place = geometry();
    m_topmost = !m_topmost;
    // Changing the flag makes a new native window; put it back where it was.
    setWindowFlag(Qt::WindowStaysOnTopHint, m_topmost);
    setGeometry(place);
    if (!m_inTray)
        show();
}

void CMainWindow::ChangeSkin() {
    // The other skins lie in "skins/" beside the program; without that folder, the skin shown.
    const QString skins = QString::fromStdString(m_options.programFolder + "skins");
    const QString start =
        QFileInfo(skins).isDir() ? skins : QString::fromStdString(m_skin.Folder());
    const QString chosen = QFileDialog::getOpenFileName(
        nullptr, QString(), start, QStringLiteral("VORN Skin Define XML(*.xml)"));
    if (chosen.isEmpty())
        return;
    const QFileInfo file(chosen);
    m_skinFile = file.fileName().toStdString();
    if (m_skinFile.find("xml") == std::string::npos)
        return;
    ReloadSkin(file.absolutePath().toStdString());
}

void CMainWindow::ShowAbout() {
    QMessageBox about(QMessageBox::NoIcon, QStringLiteral("About VORNPILOT Hardware Monitor"),
                      QStringLiteral("VORNPILOT Hardware Monitor V1.0.1.1"), QMessageBox::Ok, this);
    about.setIconPixmap(CMonitorTray::IconFor(ETrayIcon::Normal).pixmap(32, 32));
    about.exec();
}

void CMainWindow::StartMove() {
    // The window manager moves it when there is one; otherwise it follows the pointer until the
    // button comes up.
    if (windowHandle() != nullptr && windowHandle()->startSystemMove())
        return;
    // The page tells of the press a little later: keep the grip where the button went down.
    m_moving = true;
    m_moveOffset = m_pressAt - m_pressWindowPos;
    move(QCursor::pos() - m_moveOffset);
}

bool CMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        m_pressAt = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        m_pressWindowPos = pos();
    }
    if (m_moving) {
        if (event->type() == QEvent::MouseMove) {
            move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - m_moveOffset);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            m_moving = false;
        }
    }
    return QWidget::eventFilter(watched, event);
}
