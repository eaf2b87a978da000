#include "item_worker.h"

#include <sys/eventfd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

bool CItemWorker::Start(std::string* error) {
    m_readyFd.Reset(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!m_readyFd.IsValid()) {
        *error = std::string("cannot create the item answers' event: ") + std::strerror(errno);
        return false;
    }
    try {
        m_thread = std::thread(&CItemWorker::Loop, this);
    } catch (const std::system_error& e) {
        *error = std::string("cannot start the item thread: ") + e.what();
        m_readyFd.Reset();
        return false;
    }
    return true;
}

void CItemWorker::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void CItemWorker::Submit(uint64_t ticket, SMcuRequest request) {
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back({ticket, std::move(request)});
    }
    m_wake.notify_one();
}

void CItemWorker::Cancel(uint64_t ticket) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_queue, [ticket](const SJob& job) { return job.ticket == ticket; });
}

std::vector<CItemWorker::SFinished> CItemWorker::TakeFinished() {
    // The event is reset and the list taken under the lock the worker holds while it adds and
    // signals, so the descriptor is readable exactly while answers wait.
    std::lock_guard lock(m_mutex);
    uint64_t count = 0;
    while (::read(m_readyFd.Get(), &count, sizeof count) < 0 && errno == EINTR) {
    }
    return std::exchange(m_finished, {});
}

void CItemWorker::Loop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping)
            return;
        SJob job = std::move(m_queue.front());
        m_queue.pop_front();

        // The handshake's pauses run unlocked: the loop keeps submitting and taking meanwhile.
        lock.unlock();
        vornio::DeviceAnswer answer = m_runner(job.request);
        lock.lock();

        m_finished.push_back({job.ticket, std::move(answer)});
        const uint64_t one = 1;
        while (::write(m_readyFd.Get(), &one, sizeof one) < 0 && errno == EINTR) {
        }
    }
}
