#pragma once
// A named mutex shared by every process that opens the same name in the same directory: a
// robust process-shared mutex in a shared segment <dir>/<name>. A holder that dies makes the
// next wait ABANDONED; the segment goes away with the last process that has it open.

#include <atomic>
#include <string>

#include "shared_segment.h"
#include "wait_result.h"

class CNamedMutex {
  public:
    // Opens the mutex, creating it (not owned) when no process has it open.
    bool Open(const std::string& dir, const std::string& name);
    void Close() { m_segment.Detach(); }
    bool IsOpen() const { return m_segment.IsAttached(); }

    // FAILED when the mutex is not open.
    EWaitResult Wait(int timeoutMs = WAIT_INFINITE, const std::atomic<bool>* cancel = nullptr);
    // False when not open or not owned by the calling thread.
    bool Release();

  private:
    CSharedSegment m_segment;
};
