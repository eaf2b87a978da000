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

// Why the log at `path` must not be written, as an errno value; 0 when it may. Only a regular
// file (or none yet) is written, never through a link, and a file its owner made read-only
// stays so (root may write it regardless of the mode).
int WriteProblem(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? 0 : errno;
    if (int kind = FileKindError(st.st_mode); kind != 0)
        return kind;
    if ((st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)
        return EACCES;
    return 0;
}

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
      m_now([] { return std::time(nullptr); }) {}

bool CErrorLog::LoadSwitch() {
    m_on = m_settings.Get(ERROR_LOG_RECORDING);
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
        int err = WriteProblem(m_path);
        if (err == 0 &&
            !CProfileFile(m_path).WriteString(ERROR_LOG_SECTION, EntryKey(m_now()), text)) {
            err = errno != 0 ? errno : EIO;
        }
        if (err != 0 && !m_writeFailureShown) {
            // Recording that records nothing must not look like recording.
            m_writeFailureShown = true;
            m_notifier.ShowMessage(
                MESSAGE_CAPTION, "The error log cannot be written: " + FileErrorText(err, m_path));
        }
    }
    m_lastNames = names;
}

void CErrorLog::OnErrorLogRecord() {
    SetRecording(!m_on);
}

bool CErrorLog::SetRecording(bool on) {
    m_on = on;
    bool stored = m_settings.Set(ERROR_LOG_RECORDING, on);
    if (m_tray != nullptr) {
        m_tray->SetErrorLogFlag(on);
    }
    return stored;
}

void CErrorLog::OnErrorLogView() {
    // Only the log itself is opened, never what a link in its place points at.
    struct stat st;
    if (::lstat(m_path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        m_notifier.ShowMessage(
            MESSAGE_CAPTION,
            "Nothing has been recorded yet: there is no error log " + m_path + ".");
        return;
    }
    if (!m_opener.Open(m_path)) {
        m_notifier.ShowMessage(MESSAGE_CAPTION,
                               "No program to show files with is installed (xdg-open, from the "
                               "xdg-utils package). The error log is the file " +
                                   m_path + ".");
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
