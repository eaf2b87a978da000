#pragma once
// One registry hive file shared by every store of the process that uses it. The file is read
// when first needed and again only when it changed on disk; changes are written back atomically
// at once, or once at the end of the outermost batch.

#include <sys/types.h>

#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "registry_hive.h"

// A free name beside `path` for a copy kept for the user: "<path>.<why>-YYYYmmdd-HHMMSS", with
// "-2", "-3", ... added when that name is taken.
std::string AsideName(const std::string& path, const std::string& why);

class CHiveFile {
  public:
    // The process's copy of the hive at `path`. A read-only hive refuses every change.
    static std::shared_ptr<CHiveFile> Open(const std::string& path, bool writable);

    CHiveFile(std::string path, bool writable);

    const std::string& Path() const { return m_path; }

    // Runs `read` on the current content.
    template <typename F>
    auto Read(F read) {
        std::lock_guard<std::mutex> lock(m_mutex);
        RefreshLocked();
        return read(static_cast<const CRegistryHive&>(m_hive));
    }
    // Runs `change` (which returns whether it changed something) and writes the file unless a
    // batch is open. False when the change was refused or the write failed.
    template <typename F>
    bool Change(F change) {
        std::lock_guard<std::mutex> lock(m_mutex);
        RefreshLocked();
        if (!m_writable || !change(m_hive))
            return false;
        return m_batchDepth > 0 || SaveLocked();
    }

    void BeginBatch();
    bool EndBatch();

  private:
    struct Stamp {
        bool exists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        timespec mtime{};
        bool operator==(const Stamp& o) const;
    };
    static Stamp StampOf(const std::string& path);
    void RefreshLocked();
    void LoadLocked();
    bool SaveLocked();
    // After a load that passed over lines that do not read: says so, keeps the file as it was
    // beside it and writes the rest back.
    void KeepWhatReads(const std::vector<HiveError>& skipped);

    std::mutex m_mutex;
    std::string m_path;
    bool m_writable;
    bool m_readable = true;  // false after a read error: the file is not written over
    bool m_loaded = false;
    Stamp m_stamp;
    CRegistryHive m_hive;
    int m_batchDepth = 0;
};
