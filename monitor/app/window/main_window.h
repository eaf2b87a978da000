#pragma once
// The monitor's window: caption-less, its whole client area the page, its look from the skin.
// It cannot be shown until the page's start-up steps are done (the user never sees the bare
// page), drives the monitor session on a two-second timer, takes the page commands the skin's
// buttons send and the tray's commands, and lives in the tray when minimised. Only "Exit" and
// "CLOSE" end the program; closing or Escape sends the window to the tray.

#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "autostart_entry.h"
#include "desktop_notifier.h"
#include "monitor_tray.h"
#include "notice_decider.h"
#include "sensor_history.h"
#include "skin.h"
#include "status_page.h"

class CErrorLog;
class CHistoryView;
class CMonitorSession;
class CPageHost;
class CPageWatch;
class CWindowDialogs;
struct SPassSnapshot;

struct SWindowOptions {
    std::string programFolder;  // ends with "/"
    std::string appName;
    std::string programPath;
    bool startInTray = false;  // "-s", "-S", "-m" or "-M"
};

class CMainWindow : public QWidget {
    Q_OBJECT
  public:
    CMainWindow(SWindowOptions options, CErrorLog& errorLog);
    ~CMainWindow() override;

    // Creates the tray icon and starts loading the page; the flags, the session's first pass,
    // the skin, the start switches, the timer and showing follow when it is ready. Every pass
    // of the session is shown from its snapshot.
    void Start(CMonitorSession& session);
    CSkin& Skin() { return m_skin; }
    CMonitorTray& Tray() { return m_tray; }
    CPageHost* Page() const { return m_page; }
    CPageWatch* PageWatch() const { return m_pageWatch; }
    const SSkinLoadResult& LastLoad() const { return m_lastLoad; }
    const CSensorHistory& History() const { return m_history; }
    // The large graph of one sensor ("Volt:+12V"), opened over the window.
    void ShowHistory(const std::string& key);
    CHistoryView* HistoryView() const { return m_historyView; }
    bool InTray() const { return m_inTray; }
    bool Topmost() const { return m_topmost; }
    CDesktopNotifier& Notifier() { return m_notifier; }

    // Page commands by word, tray commands by id, as the skin and the tray send them.
    void OnPageCommand(const std::string& word);
    void OnTrayCommand(int command);
    // Another start of the program asked for this window.
    void BringForward();

  public slots:
    // A skin button's click, queued after the button's own handling.
    void OnSkinCommand(const QString& word);

  public:
    void MinimiseToTray();
    void MaximiseFromTray();

    void setVisible(bool visible) override;

  signals:
    // Start-up is complete: the first status update is on the page and the window may show.
    void Started();
    // After the first pass and after every pass of the timer, its snapshot published.
    void PassShown();
    void CommandReceived(const QString& word);

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnPageReady();
    // The registry flags the window keeps (the error log's switch, "Run at StartUp").
    void ReadFlags();
    // The skin built from the sensor report; again whenever the session's items are new. It
    // finishes in OnSkinLoaded, at once or once the skin's stylesheet has run.
    void LoadSkin(const std::string& report);
    void ShowPass(const SPassSnapshot& pass);
    void ShowTrayTemperature();
    void FinishStart();
    void OnSkinLoaded(const SSkinLoadResult& result);
    void AfterPass();
    void EndProgram();
    void ToggleTopmost();
    void ChangeSkin();
    void ReloadSkin(const std::string& folder);
    void ShowAbout();
    void StartMove();
    void ShowLoadProblem();
    void ShowNewProblems(const SPassSnapshot& pass);
    void ShowWarning(const std::string& text, const char* name);

    SWindowOptions m_options;
    CErrorLog& m_errorLog;
    CSkin m_skin;
    CPageHost* m_page;
    CPageWatch* m_pageWatch;
    CMonitorTray m_tray;
    CStatusPage m_statusPage;
    CAutostartEntry m_autostart;
    CMonitorSession* m_session = nullptr;
    CSensorHistory m_history;
    CHistoryView* m_historyView = nullptr;
    QTimer m_timer;
    SSkinLoadResult m_lastLoad;
    std::string m_skinFile = "SkinDefine.xml";
    std::string m_skinFolder;
    bool m_mayShow = false;
    bool m_starting = false;  // the page is ready, the first skin load not yet done
    bool m_boardProblemsShown = false;
    size_t m_noticesShown = 0;  // settings notices of the snapshots already shown
    bool m_inTray = false;
    bool m_topmost = false;
    bool m_runAtStartup = false;
    CNoticeDecider m_noticeDecider;
    CDesktopNotifier m_notifier;
    bool m_notificationsOn = true;
    bool m_temperatureIcon = false;
    bool m_moving = false;
    QPoint m_moveOffset;
    std::optional<QPoint> m_keepPlace;  // where a changed skin's window goes
    QPoint m_pressAt;                   // where the left button last went down on the page
    QPoint m_pressWindowPos;            // the window's place then
    // Last, so the dialogs go before the window's child widgets.
    std::unique_ptr<CWindowDialogs> m_dialogs;
};
