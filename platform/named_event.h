#pragma once
// A named auto-reset event: the FIFO <dir>/<name>. Signalling writes a byte into it. A wait
// returns once there is a byte and takes every byte there is, so the event is not signalled
// again afterwards and several signals before one wait count as one; Reset takes them without
// waiting. Whoever has the FIFO open for writing can signal it, which is how vorn-iod signals
// the event a client registered with it. Of two waiters, one wakes per signal.

#include <string>

#include "wait_result.h"

class CNamedEvent {
  public:
    static constexpr unsigned FILE_MODE = 0660;

    CNamedEvent() = default;
    ~CNamedEvent() { Close(); }
    CNamedEvent(const CNamedEvent&) = delete;
    CNamedEvent& operator=(const CNamedEvent&) = delete;

    // Creates the event, not signalled, or opens the existing one with its state. Fails (errno
    // set) when something other than a FIFO has the name.
    bool Create(const std::string& dir, const std::string& name);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    // The open descriptor: the event's handle value in this process.
    int Handle() const { return m_fd; }
    const std::string& Path() const { return m_path; }

    bool Signal() { return SignalDescriptor(m_fd); }
    void Reset();
    // Waits until the event is signalled and takes the signal. When cancelFd (-1 for none)
    // becomes readable first, the result is INTERRUPTED and the event is left as it is.
    EWaitResult Wait(int timeoutMs = WAIT_INFINITE, int cancelFd = -1);

    // Signals the event open for writing at fd; an event that is signalled already (its FIFO
    // full) stays so. False when the write fails otherwise (no reader left, a bad descriptor).
    static bool SignalDescriptor(int fd);

  private:
    // Takes every byte waiting; true when there was at least one.
    bool Drain();

    std::string m_path;
    int m_fd = -1;
};
