#include "interrupt_service.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <future>

#include "device_codes.h"
#include "port_record.h"
#include "process_identity.h"

using namespace vornio;

namespace {

// After a failed wait the thread waits again, but not in a tight loop.
constexpr int WAIT_RETRY_MS = 100;

}  // namespace

CInterruptService::CInterruptService(SParts parts) : m_parts(std::move(parts)) {
    m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

CInterruptService::~CInterruptService() {
    StopOwnThread();
    if (m_stopFd >= 0)
        ::close(m_stopFd);
}

int CInterruptService::RegisterEvent() {
    CSharedBlockView& block = m_parts.block;
    CTableLock lock(block);
    if (!lock.Locked())
        return 0;

    int result = 0;
    if (block.EventRegistered() == 0) {
        m_event.Close();
        // An event that cannot be made goes to the driver as an invalid handle, which it
        // refuses: the same path as any other refusal.
        const uint32_t handle =
            m_event.Create(m_parts.dir, INTERRUPT_EVENT_NAME) ? m_event.Handle() : 0xFFFFFFFFu;
        block.SetEventHandle(handle);
        uint8_t in[REGISTER_EVENT_IN_SIZE];
        PutLe32(in, handle);
        uint32_t returned = 0;
        if (!m_parts.device.Control(IOCTL_REGISTER_EVENT, in, {}, &returned)) {
            m_parts.failure.Record("Error in IOCTL_REGISTER_EVENT call");
            m_event.Close();
            m_parts.closeDevice();
            return 0;
        }
        block.SetEventRegistered(1);
        result = 1;
    }
    if (block.EventRegistered() == 1 && !RunsWaitingThread()) {
        // A thread whose process has gone left its handle behind; it waits no more.
        const bool threadGone = block.ThreadHandle() == 0 || !IsProcessRunning(block.ThreadOwner());
        if (threadGone)
            StartThreadLocked();
    }
    return result;
}

bool CInterruptService::StartThreadLocked() {
    if (!m_event.IsOpen() && !m_event.Create(m_parts.dir, INTERRUPT_EVENT_NAME))
        return false;
    std::lock_guard<std::mutex> guard(m_threadLock);
    if (m_thread.joinable())
        return true;
    uint64_t drained = 0;
    while (::read(m_stopFd, &drained, sizeof drained) > 0) {
    }
    m_stop = false;
    // Signals from before the thread exists are stale; the reset happens before RegisterEvent
    // returns, so a signal right after it is seen. Afterwards each wait takes its own signal,
    // so an interrupt raised while the previous one is handled is not lost.
    m_event.Reset();
    std::promise<pid_t> started;
    std::future<pid_t> id = started.get_future();
    m_thread = std::thread([this, &started] {
        started.set_value(::gettid());
        Run();
    });
    m_threadId = static_cast<uint32_t>(id.get());
    m_parts.block.SetThreadOwner(CurrentProcessIdentity());
    m_parts.block.SetThreadHandle(m_threadId);
    return true;
}

bool CInterruptService::RunsWaitingThread() const {
    std::lock_guard<std::mutex> guard(m_threadLock);
    return m_thread.joinable();
}

void CInterruptService::Run() {
    CSharedBlockView& block = m_parts.block;
    block.SetThreadRunning(1);
    while (!m_stop.load()) {
        const EWaitResult r = m_event.Wait(WAIT_INFINITE, m_stopFd);
        if (r == EWaitResult::INTERRUPTED || m_stop.load())
            break;
        if (r != EWaitResult::SIGNALED) {
            pollfd p{m_stopFd, POLLIN, 0};
            ::poll(&p, 1, WAIT_RETRY_MS);
            continue;
        }
        block.IncrementInterruptCount();
        const uint8_t sources = m_parts.items.GetIntStatus(&m_stop);
        if (m_stop.load())
            break;
        SendMsgToClient(sources);
        m_parts.items.SetAIP(ITEM_INT_ACK, nullptr, 0, &m_stop);
    }
}

void CInterruptService::StopOwnThread() {
    std::lock_guard<std::mutex> guard(m_threadLock);
    if (!m_thread.joinable())
        return;
    m_stop = true;
    const uint64_t one = 1;
    if (::write(m_stopFd, &one, sizeof one) < 0) {
        // The flag alone ends the thread at its next step.
    }
    m_thread.join();
}

bool CInterruptService::IsEventRegistered() {
    return m_parts.block.IsValid() && m_parts.block.EventRegistered() != 0;
}

uint32_t CInterruptService::GetRegisteredEventHandle() {
    return m_parts.block.IsValid() ? m_parts.block.EventHandle() : 0;
}

void CInterruptService::SendMsgToClient(uint8_t code) {
    CSharedBlockView& block = m_parts.block;
    if (!block.IsValid())
        return;
    const uint32_t message = m_messageId.load();
    for (int slot = 0; slot < WINDOW_SLOTS; ++slot) {
        const uint32_t window = block.Window(slot);
        if (window != 0)
            m_parts.poster.Post(window, message, code, 0);
    }
}

bool CInterruptService::ExitWaitingThread() {
    CSharedBlockView& block = m_parts.block;
    if (!block.IsValid() || block.ThreadHandle() == 0)
        return true;
    uint32_t ownId = 0;
    {
        std::lock_guard<std::mutex> guard(m_threadLock);
        if (m_thread.joinable())
            ownId = m_threadId;
    }
    if (ownId != 0 && block.ThreadHandle() == ownId) {
        StopOwnThread();
    } else if (IsProcessRunning(block.ThreadOwner())) {
        // Another process's thread: its handle means nothing here.
        return false;
    }
    CTableLock lock(block);
    if (!lock.Locked())
        return false;
    block.SetThreadHandle(0);
    block.SetThreadOwner({});
    return true;
}

int CInterruptService::GetInterruptCount() {
    return m_parts.block.IsValid() ? m_parts.block.InterruptCount() : 0;
}

void CInterruptService::Unload() {
    uint32_t ownId = 0;
    {
        std::lock_guard<std::mutex> guard(m_threadLock);
        if (m_thread.joinable())
            ownId = m_threadId;
    }
    if (ownId != 0) {
        StopOwnThread();
        CSharedBlockView& block = m_parts.block;
        CTableLock lock(block);
        if (lock.Locked() && block.ThreadHandle() == ownId) {
            block.SetThreadHandle(0);
            block.SetThreadOwner({});
        }
    }
    m_event.Close();
}
