#include "shared_block.h"

#include <atomic>
#include <new>

#include "robust_mutex.h"
#include "runtime_objects.h"

namespace {

// The second page.
struct SBookkeeping {
    pthread_mutex_t tableLock;
    int32_t threadOwnerPid;
    uint64_t threadOwnerStart;
};
static_assert(sizeof(SBookkeeping) <= SHARED_BLOCK_SIZE);

template <typename T>
std::atomic_ref<T> Field(uint8_t* memory, size_t offset) {
    return std::atomic_ref<T>(*reinterpret_cast<T*>(memory + offset));
}

SBookkeeping* Bookkeeping(uint8_t* memory) {
    return std::launder(reinterpret_cast<SBookkeeping*>(memory + SHARED_BLOCK_SIZE));
}

}  // namespace

bool CSharedBlockView::Initialise(void* memory) {
    auto* bytes = static_cast<uint8_t*>(memory);
    return InitRobustMutex(&Bookkeeping(bytes)->tableLock);
}

uint8_t CSharedBlockView::EventRegistered() const {
    return Field<uint8_t>(m_memory, OFF_EVENT_REGISTERED).load();
}
void CSharedBlockView::SetEventRegistered(uint8_t value) {
    Field<uint8_t>(m_memory, OFF_EVENT_REGISTERED).store(value);
}
uint8_t CSharedBlockView::ThreadRunning() const {
    return Field<uint8_t>(m_memory, OFF_THREAD_RUNNING).load();
}
void CSharedBlockView::SetThreadRunning(uint8_t value) {
    Field<uint8_t>(m_memory, OFF_THREAD_RUNNING).store(value);
}
int32_t CSharedBlockView::WindowCount() const {
    return Field<int32_t>(m_memory, OFF_WINDOW_COUNT).load();
}
void CSharedBlockView::SetWindowCount(int32_t value) {
    Field<int32_t>(m_memory, OFF_WINDOW_COUNT).store(value);
}
uint32_t CSharedBlockView::Window(int slot) const {
    return Field<uint32_t>(m_memory, OFF_WINDOWS + 4 * static_cast<size_t>(slot)).load();
}
void CSharedBlockView::SetWindow(int slot, uint32_t window) {
    Field<uint32_t>(m_memory, OFF_WINDOWS + 4 * static_cast<size_t>(slot)).store(window);
}
uint32_t CSharedBlockView::EventHandle() const {
    return Field<uint32_t>(m_memory, OFF_EVENT_HANDLE).load();
}
void CSharedBlockView::SetEventHandle(uint32_t value) {
    Field<uint32_t>(m_memory, OFF_EVENT_HANDLE).store(value);
}
uint32_t CSharedBlockView::ThreadHandle() const {
    return Field<uint32_t>(m_memory, OFF_THREAD_HANDLE).load();
}
void CSharedBlockView::SetThreadHandle(uint32_t value) {
    Field<uint32_t>(m_memory, OFF_THREAD_HANDLE).store(value);
}
int32_t CSharedBlockView::InterruptCount() const {
    return Field<int32_t>(m_memory, OFF_INTERRUPT_COUNT).load();
}
void CSharedBlockView::IncrementInterruptCount() {
    // Wraps like the 32-bit counter it is.
    Field<uint32_t>(m_memory, OFF_INTERRUPT_COUNT).fetch_add(1);
}

SProcessIdentity CSharedBlockView::ThreadOwner() const {
    SBookkeeping* b = Bookkeeping(m_memory);
    return {std::atomic_ref<int32_t>(b->threadOwnerPid).load(),
            std::atomic_ref<uint64_t>(b->threadOwnerStart).load()};
}

void CSharedBlockView::SetThreadOwner(const SProcessIdentity& owner) {
    SBookkeeping* b = Bookkeeping(m_memory);
    std::atomic_ref<int32_t>(b->threadOwnerPid).store(owner.pid);
    std::atomic_ref<uint64_t>(b->threadOwnerStart).store(owner.startTicks);
}

bool CSharedBlockView::LockTable() {
    // Bounded: a lock page someone overwrote, or a holder that never lets go, must not wedge
    // every client; the exports then answer as for a missing table.
    const EWaitResult r =
        LockRobustMutex(&Bookkeeping(m_memory)->tableLock, OBJECT_LOCK_TIMEOUT_MS);
    return r == EWaitResult::SIGNALED || r == EWaitResult::ABANDONED;
}

void CSharedBlockView::UnlockTable() {
    UnlockRobustMutex(&Bookkeeping(m_memory)->tableLock);
}

bool CSharedBlock::Attach(const std::string& dir) {
    if (!m_segment.Attach(dir, SHARED_BLOCK_NAME, CSharedBlockView::MEMORY_SIZE,
                          CSharedBlockView::Initialise)) {
        return false;
    }
    m_view = CSharedBlockView(m_segment.Data());
    return true;
}

void CSharedBlock::Detach() {
    m_view = CSharedBlockView();
    m_segment.Detach();
}
