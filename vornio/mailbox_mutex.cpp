#include "mailbox_mutex.h"

bool CNamedMailboxMutex::Open() {
    if (m_open.load())
        return true;
    std::lock_guard<std::mutex> lock(m_openLock);
    if (!m_open.load() && m_mutex.Open(m_dir, MAILBOX_MUTEX_NAME))
        m_open = true;
    return m_open.load();
}

EWaitResult CNamedMailboxMutex::Wait(const std::atomic<bool>* cancel) {
    if (!m_open.load())
        return EWaitResult::FAILED;
    return m_mutex.Wait(WAIT_INFINITE, cancel);
}

void CNamedMailboxMutex::Close() {
    std::lock_guard<std::mutex> lock(m_openLock);
    m_open = false;
    m_mutex.Close();
}
