#include "error_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "file_error_text.h"
#include "registry_store.h"
#include "run_in_child.h"
#include "temp_dir.h"

namespace {

// A file below the test's directory.
std::string In(const CTempDir& dir, const std::string& name) {
    return (std::filesystem::path(dir.Path()) / name).string();
}

using Strings = std::vector<std::string>;

// 6 December 2026, 02:14:44 UTC.
constexpr std::time_t T0 = 1796523284;

class CRecordingNotifier : public INotifier {
  public:
    void ShowMessage(const std::string& caption, const std::string& text) override {
        messages.push_back(caption + ": " + text);
    }
    Strings messages;
};

class CRecordingOpener : public IFileOpener {
  public:
    bool Open(const std::string& path) override {
        opened.push_back(path);
        return installed;
    }
    Strings opened;
    bool installed = true;
};

class CRecordingTray : public ITrayIcon {
  public:
    bool Animate(unsigned, unsigned) override { return true; }
    void StopAnimation() override {}
    bool SetIcon(ETrayIcon) override { return true; }
    void SetErrorLogFlag(bool on) override { flags.push_back(on); }
    std::vector<bool> flags;
};

class ErrorLog : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        ::setenv("XDG_CONFIG_HOME", In(m_dir, "config").c_str(), 1);
        ::setenv("XDG_STATE_HOME", In(m_dir, "state").c_str(), 1);
        m_folder = In(m_dir, "bin") + "/";
        std::filesystem::create_directories(m_folder);
        m_log = std::make_unique<CErrorLog>(m_folder, m_notifier, m_opener);
        m_log->SetTray(&m_tray);
        m_log->SetClock([this] { return m_now; });
    }

    // The "ErrorLog" section as "key=value" lines, in file order. (Values are stored trimmed,
    // as the INI reader would give them back.)
    Strings Entries() const {
        Strings lines;
        std::ifstream in(m_log->Path());
        std::string line;
        bool inSection = false;
        while (std::getline(in, line)) {
            if (!line.empty() && line[0] == '[') {
                inSection = line == "[ErrorLog]";
            } else if (inSection && !line.empty()) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    std::string RegistryValue() {
        CRegistryStore store;
        store.SetRoot(HKEY_CURRENT_USER);
        std::string value;
        return store.GetString("Software\\VORN\\HWM", "ErrorLog", &value) ? value : "<missing>";
    }

    void StoreSwitch(const std::string& value) {
        CRegistryStore store;
        store.SetRoot(HKEY_CURRENT_USER);
        ASSERT_TRUE(store.SetString("SOFTWARE\\VORN\\HWM", "ErrorLog", value));
    }

    CTempDir m_dir;
    std::string m_folder;
    CRecordingNotifier m_notifier;
    CRecordingOpener m_opener;
    CRecordingTray m_tray;
    std::unique_ptr<CErrorLog> m_log;
    std::time_t m_now = T0;
};

TEST_F(ErrorLog, PathIsBesideTheProgram) {
    EXPECT_EQ(m_log->Path(), m_folder + "/Error.log");
}

TEST_F(ErrorLog, EntryKeyIsTheLocalTime) {
    EXPECT_EQ(CErrorLog::EntryKey(T0), "261206, 02:14:44 Warning:");
    ::setenv("TZ", "CET-1", 1);
    ::tzset();
    EXPECT_EQ(CErrorLog::EntryKey(T0), "261206, 03:14:44 Warning:");
}

// One monitoring pass as the error log sees it.
struct Pass {
    std::time_t at;
    Strings names;
    std::string text;
};

TEST_F(ErrorLog, EntriesOverASequenceOfPasses) {
    ASSERT_TRUE(m_log->SetRecording(true));
    // What the page hands over ends in the blanks of "<BR><BR>"; the file keeps it trimmed.
    const std::string cpu = "Temperature:    CPU:  75 C";
    const std::string cpuSys = "Temperature:    CPU:  75 C  SYS:  60C";
    const std::string tail = "    ";
    const std::vector<std::pair<Pass, Strings>> passes = {
        // First warning: an entry.
        {{T0, {"CPU"}, cpu + tail}, {"261206, 02:14:44 Warning:=" + cpu}},
        // Same set, other reading: nothing.
        {{T0 + 2, {"CPU"}, "Temperature:    CPU:  77 C    "}, {"261206, 02:14:44 Warning:=" + cpu}},
        // A joining item: a second entry with the longer text.
        {{T0 + 4, {"CPU", "SYS"}, cpuSys + tail},
         {"261206, 02:14:44 Warning:=" + cpu, "261206, 02:14:48 Warning:=" + cpuSys}},
        // All clear: nothing.
        {{T0 + 6, {}, ""},
         {"261206, 02:14:44 Warning:=" + cpu, "261206, 02:14:48 Warning:=" + cpuSys}},
        // The warning returns: written again.
        {{T0 + 8, {"CPU"}, cpu + tail},
         {"261206, 02:14:44 Warning:=" + cpu, "261206, 02:14:48 Warning:=" + cpuSys,
          "261206, 02:14:52 Warning:=" + cpu}},
        // Another change within the same second replaces that second's entry.
        {{T0 + 8, {"CPU", "SYS"}, cpuSys + tail},
         {"261206, 02:14:44 Warning:=" + cpu, "261206, 02:14:48 Warning:=" + cpuSys,
          "261206, 02:14:52 Warning:=" + cpuSys}},
    };
    for (size_t i = 0; i < passes.size(); ++i) {
        m_now = passes[i].first.at;
        m_log->LogWarning(passes[i].first.text, passes[i].first.names);
        EXPECT_EQ(Entries(), passes[i].second) << "after pass " << i;
    }
}

TEST_F(ErrorLog, NamesAreComparedOneByOne) {
    m_log->SetRecording(true);
    m_log->LogWarning("Voltage:    AB: 1.00 V  C: 2.00 V", {"AB", "C"});
    m_now += 2;
    m_log->LogWarning("Voltage:    A: 1.00 V  BC: 2.00 V", {"A", "BC"});
    EXPECT_EQ(Entries().size(), 2u);
}

TEST_F(ErrorLog, NothingIsWrittenWhileRecordingIsOff) {
    m_log->LogWarning("Temperature:    CPU:  75 C    ", {"CPU"});
    EXPECT_FALSE(std::filesystem::exists(m_log->Path()));
}

TEST_F(ErrorLog, RecordSwitchedOnWhileAWarningStands) {
    m_log->LogWarning("Temperature:    CPU:  75 C    ", {"CPU"});
    m_log->OnErrorLogRecord();
    EXPECT_TRUE(m_log->IsOn());
    EXPECT_EQ(RegistryValue(), "TRUE");
    EXPECT_EQ(m_tray.flags, (std::vector<bool>{true}));
    m_log->LogWarning("Temperature:    CPU:  75 C    ", {"CPU"});
    EXPECT_EQ(Entries(), (Strings{"261206, 02:14:44 Warning:=Temperature:    CPU:  75 C"}));
}

TEST_F(ErrorLog, RecordOffAndOnAgainRemembersTheSetSeenWhileOn) {
    m_log->SetRecording(true);
    m_log->LogWarning("Temperature:    CPU:  75 C    ", {"CPU"});
    m_log->OnErrorLogRecord();
    EXPECT_EQ(RegistryValue(), "FALSE");
    m_log->LogWarning("Temperature:    CPU:  75 C  SYS:  60C    ", {"CPU", "SYS"});
    m_log->LogWarning("Temperature:    CPU:  75 C    ", {"CPU"});
    m_log->OnErrorLogRecord();
    m_now += 10;
    m_log->LogWarning("Temperature:    CPU:  75 C    ", {"CPU"});
    EXPECT_EQ(Entries().size(), 1u);
    EXPECT_EQ(m_tray.flags, (std::vector<bool>{true, false, true}));
}

struct SwitchCase {
    const char* stored;
    bool on;
};

class ErrorLogSwitch : public ErrorLog, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(ErrorLogSwitch, OnOnlyForExactlyTrue) {
    if (GetParam().stored != nullptr) {
        StoreSwitch(GetParam().stored);
    }
    EXPECT_EQ(m_log->LoadSwitch(), GetParam().on);
    EXPECT_EQ(m_log->IsOn(), GetParam().on);
}

INSTANTIATE_TEST_SUITE_P(Values, ErrorLogSwitch,
                         ::testing::Values(SwitchCase{"TRUE", true}, SwitchCase{"true", false},
                                           SwitchCase{"FALSE", false}, SwitchCase{"", false},
                                           SwitchCase{"TRUE ", false}, SwitchCase{nullptr, false}));

TEST_F(ErrorLog, CleanDeletesTheFileAndKeepsTheSetLastSeen) {
    m_log->SetRecording(true);
    m_log->LogWarning("Temperature:    CPU:  75 C    ", {"CPU"});
    ASSERT_TRUE(std::filesystem::exists(m_log->Path()));
    m_log->OnErrorLogClean();
    EXPECT_FALSE(std::filesystem::exists(m_log->Path()));
    EXPECT_TRUE(m_notifier.messages.empty());
    // The standing warning is not written again to the new file until the set changes.
    m_now += 2;
    m_log->LogWarning("Temperature:    CPU:  75 C    ", {"CPU"});
    EXPECT_FALSE(std::filesystem::exists(m_log->Path()));
    m_log->LogWarning("Fan:    FAN1:     0 RPM", {"FAN1"});
    EXPECT_EQ(Entries(), (Strings{"261206, 02:14:46 Warning:=Fan:    FAN1:     0 RPM"}));
}

TEST_F(ErrorLog, CleanWithoutAFileDoesNothing) {
    m_log->OnErrorLogClean();
    EXPECT_TRUE(m_notifier.messages.empty());
}

TEST_F(ErrorLog, FailedCleanIsShownWithTheReasonAndTheFileStays) {
    std::filesystem::create_directories(m_log->Path());
    m_log->OnErrorLogClean();
    EXPECT_EQ(m_notifier.messages,
              (Strings{"VORNPILOT: " + m_log->Path() + " is a folder, not a file."}));
    EXPECT_TRUE(std::filesystem::exists(m_log->Path()));
}

// The log is written only as a regular file of its own: a link in its place is not followed
// (its target stays as it was), and a link, a folder or a read-only file is said as what it is.
TEST_F(ErrorLog, ALinkAFolderOrAReadOnlyLogIsSaidAsSuch) {
    struct Case {
        const char* name;
        std::function<void(const std::string& log, const std::string& target)> make;
        int err;
    };
    const Case cases[] = {
        {"link to a file",
         [](const std::string& log, const std::string& target) {
             std::ofstream(target) << "not the log's\n";
             std::filesystem::create_symlink(target, log);
         },
         ELOOP},
        {"folder",
         [](const std::string& log, const std::string&) {
             std::filesystem::create_directories(log);
         },
         EISDIR},
        {"read-only log",
         [](const std::string& log, const std::string&) {
             std::ofstream(log) << "[ErrorLog]\n";
             ::chmod(log.c_str(), 0444);
         },
         EACCES},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(m_log->Path());
        const std::string target = In(m_dir, "target");
        std::filesystem::remove(target);
        c.make(m_log->Path(), target);
        CRecordingNotifier notifier;
        CErrorLog log(m_folder, notifier, m_opener);
        log.SetRecording(true);
        log.LogWarning("Temperature:    CPU:  75 C    ", {"CPU"});
        EXPECT_EQ(notifier.messages, (Strings{"VORNPILOT: The error log cannot be written: " +
                                              FileErrorText(c.err, log.Path())}));
        if (std::filesystem::exists(target)) {
            std::ifstream in(target);
            EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), "not the log's\n");
        }
    }
}

TEST_F(ErrorLog, ViewOpensAnExistingLogOnlyAndSaysWhereItIsWhenItCannot) {
    m_log->OnErrorLogView();
    EXPECT_TRUE(m_opener.opened.empty());
    EXPECT_EQ(m_notifier.messages, (Strings{"VORNPILOT: Nothing has been recorded yet: there is "
                                            "no error log " +
                                            m_log->Path() + "."}));
    m_log->SetRecording(true);
    m_log->LogWarning("Temperature:    CPU:  75 C    ", {"CPU"});
    m_log->OnErrorLogView();
    EXPECT_EQ(m_opener.opened, (Strings{m_log->Path()}));
    EXPECT_EQ(m_notifier.messages.size(), 1u);
    // No program to open it with: said, with the file's place.
    m_opener.installed = false;
    m_log->OnErrorLogView();
    ASSERT_EQ(m_notifier.messages.size(), 2u);
    EXPECT_EQ(m_notifier.messages[1],
              "VORNPILOT: No program to show files with is installed "
              "(xdg-open, from the xdg-utils package). The error log is "
              "the file " +
                  m_log->Path() + ".");
}

// On an installed system the program folder belongs to root: a user's log goes to the user's
// state folder, and View and Clean follow it there. Where nothing can be written, the user is
// told once instead of recording nothing in silence. Runs as another user, so that root's
// right to write anywhere does not hide the case.
TEST_F(ErrorLog, UnwritableProgramFolderKeepsTheLogInTheStateFolder) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    ASSERT_EQ(::chmod(m_dir.Path().c_str(), 0755), 0);
    std::filesystem::create_directories(In(m_dir, "state"));
    std::filesystem::create_directories(In(m_dir, "closed"));
    ASSERT_EQ(::chmod(In(m_dir, "state").c_str(), 0777), 0);
    const std::string expected = In(m_dir, "state") + "/vornpilot/Error.log";
    auto result = RunInChild([&]() -> std::string {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            return "setuid failed";
        CErrorLog log(m_folder, m_notifier, m_opener);
        log.SetRecording(true);
        log.LogWarning("Temperature:    CPU:  75 C    ", {"CPU"});
        std::ifstream in(log.Path());
        std::string text((std::istreambuf_iterator<char>(in)), {});
        std::string out =
            log.Path() + "|" + (text.find("CPU:  75 C") != std::string::npos ? "written" : "empty");
        log.OnErrorLogView();
        out += '|' + (m_opener.opened.empty() ? std::string() : m_opener.opened.back());
        log.OnErrorLogClean();
        out += std::filesystem::exists(log.Path()) ? "|kept" : "|cleaned";

        ::setenv("XDG_STATE_HOME", In(m_dir, "closed").c_str(), 1);
        CErrorLog nowhere(m_folder, m_notifier, m_opener);
        nowhere.SetRecording(true);
        nowhere.LogWarning("Fan:    CPU Fan:  0 RPM    ", {"CPU Fan"});
        nowhere.LogWarning("Fan:    CPU Fan:  0 RPM    Sys Fan:  0 RPM", {"CPU Fan", "Sys Fan"});
        out += '|' + std::to_string(m_notifier.messages.size()) + '|' +
               (m_notifier.messages.empty() ? "" : m_notifier.messages[0]);
        return out;
    });
    EXPECT_EQ(result.output,
              expected + "|written|" + expected +
                  "|cleaned|1|VORNPILOT: The error log cannot be written: " +
                  FileErrorText(EACCES, In(m_dir, "closed") + "/vornpilot/Error.log"));
    EXPECT_EQ(ErrorLogPath(m_folder), m_folder + "/Error.log") << "root may write the folder";
}

struct ReasonCase {
    int err;
    const char* text;
};

class FileErrorReason : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(FileErrorReason, NamesThePath) {
    EXPECT_EQ(FileErrorText(GetParam().err, "/opt/v//Error.log"), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, FileErrorReason,
    ::testing::Values(
        ReasonCase{EACCES, "Access to /opt/v//Error.log was denied."},
        ReasonCase{EPERM, "Access to /opt/v//Error.log was denied."},
        ReasonCase{EROFS, "Access to /opt/v//Error.log was denied."},
        ReasonCase{EISDIR, "/opt/v//Error.log is a folder, not a file."},
        ReasonCase{ELOOP, "/opt/v//Error.log is a symbolic link, which is not followed."},
        ReasonCase{ENODEV, "/opt/v//Error.log is not a regular file."},
        ReasonCase{EBUSY, "A sharing violation occurred while accessing /opt/v//Error.log."},
        ReasonCase{ETXTBSY, "A sharing violation occurred while accessing /opt/v//Error.log."},
        ReasonCase{ENOENT, "/opt/v//Error.log was not found."},
        ReasonCase{ENOTDIR, "/opt/v//Error.log contains an invalid path."},
        ReasonCase{EIO, "A hardware I/O error was reported while accessing /opt/v//Error.log."},
        ReasonCase{ENOSPC, "Disk full while accessing /opt/v//Error.log."},
        ReasonCase{EINVAL, "An unexpected error occurred while accessing /opt/v//Error.log."}));

TEST(FileErrorText, PathIsPutInOnce) {
    EXPECT_EQ(FileErrorText(EACCES, "/tmp/%1/x"), "Access to /tmp/%1/x was denied.");
}

}  // namespace
