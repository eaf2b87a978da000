#pragma once
// The dialogs of the skinned window, opened by its page commands "SETUP", "FANPILOT" and
// "TRANSPARENTDLG". Each runs modally in its own event loop, so the window's two-second timer
// keeps monitoring meanwhile. The settings and transparency dialogs live as long as the window:
// they remember the row beep switches and the last opacity.

#include <memory>

#include "monitor_commands.h"

class CSettingDlg;
class CSkin;
class CTransDlg;
class QWidget;

class CWindowDialogs {
  public:
    CWindowDialogs(QWidget* window, IMonitorCommands& commands, CSkin& skin);
    ~CWindowDialogs();
    CWindowDialogs(const CWindowDialogs&) = delete;
    CWindowDialogs& operator=(const CWindowDialogs&) = delete;

    // "SETUP": the settings dialog; on OK the page takes the unit it stored from the next pass.
    void RunSetup();
    // "FANPILOT": the FanPilot dialog over the fan items; on OK the configuration is saved.
    void RunFanPilot();
    // "TRANSPARENTDLG": the opacity dialog; on OK its alpha goes to the skin's window.
    void RunTransparency();

    CSettingDlg& SettingDlg() { return *m_setting; }
    CTransDlg& TransDlg() { return *m_trans; }

  private:
    QWidget* m_window;
    IMonitorCommands& m_commands;
    CSkin& m_skin;
    std::unique_ptr<CSettingDlg> m_setting;
    std::unique_ptr<CTransDlg> m_trans;
};
