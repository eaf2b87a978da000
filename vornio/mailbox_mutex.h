#pragma once
// The mutex that makes item requests of all threads and processes one at a time. Behind an
// interface so the request steps are tested with every wait outcome.

#include <atomic>
#include <mutex>
#include <string>

#include "named_mutex.h"
#include "wait_result.h"

class IMailboxMutex {
  public:
    virtual ~IMailboxMutex() = default;
    // Opens the mutex unless this process has it open already; false when it cannot.
    virtual bool Open() = 0;
    // Waits without time-out; a set *cancel ends the wait with INTERRUPTED.
    virtual EWaitResult Wait(const std::atomic<bool>* cancel) = 0;
    virtual bool Release() = 0;
};

inline constexpr const char* MAILBOX_MUTEX_NAME = "GX4410_MUTEX";

// "GX4410_MUTEX" in the directory of the library's named objects; kept open for the life of
// the process once opened.
class CNamedMailboxMutex : public IMailboxMutex {
  public:
    explicit CNamedMailboxMutex(const std::string& dir) : m_dir(dir) {}

    bool Open() override;
    EWaitResult Wait(const std::atomic<bool>* cancel) override;
    bool Release() override { return m_mutex.Release(); }
    void Close();

  private:
    const std::string& m_dir;
    std::mutex m_openLock;
    CNamedMutex m_mutex;
    std::atomic<bool> m_open{false};
};
