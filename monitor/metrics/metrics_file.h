#pragma once
// The metrics written to a file for node_exporter's textfile collector. Each write goes to a
// hidden file beside the target (its name does not end in .prom, so the collector never reads
// it) and is renamed over the target: a reader opens either the old file or the new one, whole.
// Unlike AtomicWriteFile it does not flush to disk: the file is rewritten every two seconds and
// is worth nothing after a crash, so flushing would only wear the disk.
//
// Only a regular file is ever replaced or removed: a link, a device or anything else at the
// path is refused (a link is never followed), and at the end only the file this process wrote
// last is removed, recognised by its device and inode.

#include <sys/types.h>

#include <string>

class CMetricsFile {
  public:
    explicit CMetricsFile(std::string path) : m_path(std::move(path)) {}

    // Whether the file can be written where it goes: nothing but a regular file is there, and
    // a hidden file is created beside it and removed. False, with the reason in *error, when
    // it cannot.
    bool Check(std::string* error) const;
    // Replaces the file with `text`, readable by everyone (the collector runs as another user).
    bool Write(const std::string& text, std::string* error);
    // Removes the file this process wrote last, so that a stopped monitor leaves no metrics
    // that look current; whatever else is at the path by then stays.
    void Remove() const;

    const std::string& Path() const { return m_path; }

  private:
    // A new hidden file beside the target, open for writing; -1 with *error.
    int CreateTemporary(std::string* tempPath, std::string* error) const;

    std::string m_path;
    bool m_written = false;
    dev_t m_writtenDev = 0;
    ino_t m_writtenIno = 0;
};
