#pragma once
// A named block of memory shared by every process that attaches it. The name is the file
// <dir>/<name>; the memory is a System V shared memory segment whose id that file holds. A
// segment's size is fixed when it is made, so no one can shrink the block under the processes
// that use it (a file mapping would give them SIGBUS). The first process to attach finds it all
// zero; the segment is marked for removal at once, so the system discards it when the last
// process detaches or dies, and the next attach starts from zeros again.
//
// Each attached process holds a shared lock on the name file, and attach and detach tell
// "first" and "last" apart under an exclusive lock on the gate file <dir>/<name>.gate. A forked
// child shares its parent's attachment; its Detach only unmaps. The directory, the files and
// the segment are checked before use (runtime_objects.h), and the gate is waited for at most
// OBJECT_LOCK_TIMEOUT_MS.

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>

class CSharedSegment {
  public:
    static constexpr mode_t FILE_MODE = 0660;

    CSharedSegment() = default;
    ~CSharedSegment() { Detach(); }
    CSharedSegment(const CSharedSegment&) = delete;
    CSharedSegment& operator=(const CSharedSegment&) = delete;

    // Attaches size bytes; initialise runs in the first process, on the zeroed memory, before
    // any other process can attach. false with errno set when the block cannot be used (also
    // when an attached block has another size, or a check fails: EPERM).
    bool Attach(const std::string& dir, const std::string& name, size_t size,
                const std::function<bool(void*)>& initialise = {});
    void Detach();

    bool IsAttached() const { return m_data != nullptr; }
    // Whether this process found the block new.
    bool WasFirst() const { return m_first; }
    void* Data() const { return m_data; }
    size_t Size() const { return m_size; }
    const std::string& Path() const { return m_path; }

  private:
    std::string m_path;
    int m_fd = -1;
    void* m_data = nullptr;
    size_t m_size = 0;
    bool m_first = false;
    pid_t m_owner = 0;  // the process that attached
};
