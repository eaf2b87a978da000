#pragma once
// The error log: an INI file "Error.log" in the program folder with one section "ErrorLog" and
// one entry per change of the set of sensors in warning, keyed by the local date and time
// ("261206, 02:14:44 Warning:"). Recording is switched by the user and remembered in the
// user's settings.

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "desktop_opener.h"
#include "notifier.h"
#include "tray_icon.h"
#include "user_settings.h"
#include "warning_log.h"

inline constexpr const char* ERROR_LOG_SECTION = "ErrorLog";

class CErrorLog : public IWarningLog {
  public:
    // `programFolder` ends with "/"; the log is programFolder + "/Error.log" (the doubled slash
    // is harmless). An installed program's folder is not writable by its users: then the log is
    // $XDG_STATE_HOME/vornpilot/Error.log, and "View" and "Clean" act on that file. `notifier`
    // shows a failed deletion and, once, a log that cannot be written; `opener` opens the log
    // for viewing.
    CErrorLog(const std::string& programFolder, INotifier& notifier, IFileOpener& opener);

    // The tray whose "Record" check mark follows the switch; none by default.
    void SetTray(ITrayIcon* tray) { m_tray = tray; }
    // The clock of the entries' keys; the system clock by default.
    void SetClock(std::function<std::time_t()> now) {
        if (now) {
            m_now = std::move(now);
        }
    }

    // The switch as the user's settings keep it. Returns the switch.
    bool LoadSwitch();

    bool IsOn() const override { return m_on; }
    // While recording: writes an entry when the set of items in warning differs from the one
    // last seen while recording and the text is not empty; then remembers the set.
    void LogWarning(const std::string& text, const std::vector<std::string>& names) override;

    // The tray's "Record": flips the switch, stores it and shows it on the tray.
    void OnErrorLogRecord();
    // Sets the switch as "Record" would; false when the settings could not be written (the
    // switch is set anyway).
    bool SetRecording(bool on);
    // The tray's "View": opens the log with the desktop's application; nothing when it is
    // missing.
    void OnErrorLogView();
    // The tray's "Clean": deletes the log when it exists; a failed deletion is shown with the
    // reason and the file stays. The set last seen is kept.
    void OnErrorLogClean();

    const std::string& Path() const { return m_path; }
    // The entry key for a moment, in local time; " Warning:" when the time cannot be converted.
    static std::string EntryKey(std::time_t when);

  private:
    std::string m_path;
    INotifier& m_notifier;
    IFileOpener& m_opener;
    ITrayIcon* m_tray = nullptr;
    std::function<std::time_t()> m_now;
    CUserSettings m_settings;
    bool m_on = false;
    std::vector<std::string> m_lastNames;
    bool m_writeFailureShown = false;
};

// Where the error log of a program in programFolder is kept (see CErrorLog).
std::string ErrorLogPath(const std::string& programFolder);
