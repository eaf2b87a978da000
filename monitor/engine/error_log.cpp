#include "error_log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "file_error_text.h"
#include "profile_file.h"
#include "xdg_paths.h"

namespace {

constexpr const char* MESSAGE_CAPTION = "VORNPILOT";

}  // namespace

std::string ErrorLogPath(const std::string& programFolder) {
    const std::string beside = programFolder + "/Error.log";
    // A log already there that this user may write stays in use; so does a folder the user
    // may write in.
    if (::access(beside.c_str(), W_OK) == 0 || ::access(programFolder.c_str(), W_OK) == 0)
        return beside;
    return XdgStateHome() + "/vornpilot/Error.log";
}

CErrorLog::CErrorLog(const std::string& programFolder, INotifier& notifier, IFileOpener& opener)
    : m_path(ErrorLogPath(programFolder)),
      m_notifier(notifier),
      m_opener(opener),
      m_now([] { return std::time(nullptr); }) {
    m_registry.SetRoot(HKEY_CURRENT_USER);
}

bool CErrorLog::LoadSwitch() {
    std::string value;
    m_on = m_registry.GetString(ERROR_LOG_KEY, ERROR_LOG_VALUE, &value) && value == "TRUE";
    return m_on;
}

std::string CErrorLog::EntryKey(std::time_t when) {
    char stamp[128] = "";
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr ||
        std::strftime(stamp, sizeof stamp, "%y%m%d, %H:%M:%S", &local) == 0) {
        stamp[0] = '\0';
    }
    return std::string(stamp) + " Warning:";
}

void CErrorLog::LogWarning(const std::string& text, const std::vector<std::string>& names) {
    if (!m_on) {
        return;
    }
    // The names are compared one by one, not joined: "AB"+"C" and "A"+"BC" are different sets.
    if (names != m_lastNames && !text.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), ignored);
        errno = 0;
        if (!CProfileFile(m_path).WriteString(ERROR_LOG_SECTION, EntryKey(m_now()), text) &&
            !m_writeFailureShown) {
            // Recording that records nothing must not look like recording.
            m_writeFailureShown = true;
            m_notifier.ShowMessage(MESSAGE_CAPTION, "The error log cannot be written: " +
                                                        FileErrorText(errno ? errno : EIO, m_path));
        }
    }
    m_lastNames = names;
}

void CErrorLog::OnErrorLogRecord() {
    SetRecording(!m_on);
}

bool CErrorLog::SetRecording(bool on) {
    m_on = on;
    bool stored = m_registry.SetString(ERROR_LOG_KEY, ERROR_LOG_VALUE, on ? "TRUE" : "FALSE");
    if (m_tray != nullptr) {
        m_tray->SetErrorLogFlag(on);
    }
    return stored;
}

void CErrorLog::OnErrorLogView() {
    struct stat st;
    if (::stat(m_path.c_str(), &st) == 0) {
        m_opener.Open(m_path);
    }
}

void CErrorLog::OnErrorLogClean() {
    struct stat st;
    if (::lstat(m_path.c_str(), &st) != 0) {
        return;
    }
    // unlink, not remove: a directory of that name is not deleted but reported.
    if (::unlink(m_path.c_str()) != 0) {
        m_notifier.ShowMessage(MESSAGE_CAPTION, FileErrorText(errno, m_path));
    }
}
