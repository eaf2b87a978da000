#include "hive_file.h"

#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <map>

#include "atomic_file.h"
#include "settings_notices.h"

namespace {

std::mutex g_openMutex;

std::map<std::string, std::weak_ptr<CHiveFile>>& OpenHives() {
    static std::map<std::string, std::weak_ptr<CHiveFile>> hives;
    return hives;
}

}  // namespace

std::string AsideName(const std::string& path, const std::string& why) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof(stamp), "%Y%m%d-%H%M%S", &local);
    std::string base = path + "." + why + "-" + stamp;
    std::string name = base;
    struct stat st {};
    for (int n = 2; ::lstat(name.c_str(), &st) == 0; ++n)
        name = base + "-" + std::to_string(n);
    return name;
}

bool CHiveFile::Stamp::operator==(const Stamp& o) const {
    return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size &&
           mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
}

std::shared_ptr<CHiveFile> CHiveFile::Open(const std::string& path, bool writable) {
    std::lock_guard<std::mutex> lock(g_openMutex);
    auto& hives = OpenHives();
    std::shared_ptr<CHiveFile> hive = hives[path].lock();
    if (!hive) {
        hive = std::make_shared<CHiveFile>(path, writable);
        hives[path] = hive;
    }
    return hive;
}

CHiveFile::CHiveFile(std::string path, bool writable)
    : m_path(std::move(path)), m_writable(writable) {}

CHiveFile::Stamp CHiveFile::StampOf(const std::string& path) {
    Stamp s;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        s.exists = true;
        s.dev = st.st_dev;
        s.ino = st.st_ino;
        s.size = st.st_size;
        s.mtime = st.st_mtim;
    }
    return s;
}

void CHiveFile::RefreshLocked() {
    // Inside a batch the content in memory is the one being built: no reload under it.
    if (m_batchDepth > 0 && m_loaded)
        return;
    Stamp now = StampOf(m_path);
    if (m_loaded && now == m_stamp)
        return;
    LoadLocked();
}

void CHiveFile::LoadLocked() {
    if (!m_loaded && m_writable)
        RemoveStaleTemporaries(m_path);
    m_loaded = true;
    m_readable = true;
    HiveError error;
    std::vector<HiveError> skipped;
    if (m_hive.Load(m_path, &error, &skipped)) {
        m_stamp = StampOf(m_path);
        if (!skipped.empty())
            KeepWhatReads(skipped);
        return;
    }
    m_hive.Clear();
    m_stamp = StampOf(m_path);
    switch (error.kind) {
        case EHiveError::Missing:
        case EHiveError::None:
            return;
        case EHiveError::Unreadable:
            m_readable = false;
            SettingsNotice("the settings file " + m_path + " cannot be read (" + error.message +
                           "); running with the board file's settings, which are not saved "
                           "over it");
            return;
        case EHiveError::Malformed: {
            std::string aside = AsideName(m_path, "corrupt");
            if (std::rename(m_path.c_str(), aside.c_str()) == 0) {
                SettingsNotice("the settings file " + m_path + " is damaged (line " +
                               std::to_string(error.line) + ": " + error.message +
                               "); it was kept as " + aside +
                               " and the program starts as on a first run");
                m_stamp = StampOf(m_path);
            } else {
                m_readable = false;
                SettingsNotice("the settings file " + m_path + " is damaged (line " +
                               std::to_string(error.line) + ": " + error.message +
                               ") and could not be moved aside; running with the board file's "
                               "settings, which are not saved over it");
            }
            return;
        }
    }
}

void CHiveFile::KeepWhatReads(const std::vector<HiveError>& skipped) {
    std::string lines =
        "line " + std::to_string(skipped.front().line) + ": " + skipped.front().message;
    if (skipped.size() > 1)
        lines += ", and " + std::to_string(skipped.size() - 1) + " more";
    const std::string said = "the settings file " + m_path + " has lines that do not read (" +
                             lines + "); every other setting is kept";
    if (!m_writable) {
        SettingsNotice(said);
        return;
    }
    // The file as it was is kept for the user; then it is written again without those lines,
    // so they are told once, not at every start.
    const std::string aside = AsideName(m_path, "corrupt");
    std::error_code ec;
    std::filesystem::copy_file(m_path, aside, ec);
    if (ec) {
        m_readable = false;
        SettingsNotice(said + ", but the file could not be copied aside (" + ec.message() +
                       "), so it is not saved over");
        return;
    }
    SettingsNotice(said + "; the file as it was is kept as " + aside +
                   ", and an item whose values were on those lines uses the board file's "
                   "settings");
    SaveLocked();
}

bool CHiveFile::SaveLocked() {
    if (!m_readable)
        return false;
    if (!m_hive.IsModified())
        return true;
    std::string error;
    if (!m_hive.Save(m_path, &error)) {
        SettingsNotice("the settings could not be saved: " + error);
        return false;
    }
    m_stamp = StampOf(m_path);
    return true;
}

void CHiveFile::BeginBatch() {
    std::lock_guard<std::mutex> lock(m_mutex);
    RefreshLocked();
    ++m_batchDepth;
}

bool CHiveFile::EndBatch() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_batchDepth == 0)
        return true;
    if (--m_batchDepth > 0)
        return true;
    return !m_writable || SaveLocked();
}
