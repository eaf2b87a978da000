#pragma once
// The monitor's window: caption-less, its whole client area the page, its look from the skin.
// It drives the monitor session on a two-second timer and takes the page commands the skin's
// buttons send.

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "session_front.h"
#include "skin.h"

class CErrorLog;
class CMonitorSession;
class CPageHost;
class CWindowDialogs;
class IMachine;

class CMainWindow : public QWidget, public ISessionFront {
    Q_OBJECT
  public:
    CMainWindow(const std::string& programFolder, CErrorLog& errorLog);
    ~CMainWindow() override;

    // Starts loading the page; the session's page steps and the timer follow when it is ready.
    void Start(CMonitorSession& session);
    CSkin& Skin() { return m_skin; }
    CPageHost* Page() const { return m_page; }
    // The outcome of the last skin load, for messages and tests.
    const SSkinLoadResult& LastLoad() const { return m_lastLoad; }

    void ReadFlags() override;
    void LoadSkin(const std::string& report) override;

  signals:
    // The page's steps of start-up are done and the first status update is on the page.
    void Started();
    // A skin button's command reached the window.
    void CommandReceived(const QString& id);

  protected:
    bool event(QEvent* event) override;

  private:
    void OnCommand(const std::string& id);
    void ShowLoadProblem();

    std::string m_programFolder;
    CErrorLog& m_errorLog;
    CSkin m_skin;
    CPageHost* m_page;
    CMonitorSession* m_session = nullptr;
    QTimer m_timer;
    SSkinLoadResult m_lastLoad;
    bool m_topmost = false;
    std::unique_ptr<CWindowDialogs> m_dialogs;
};
