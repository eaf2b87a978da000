#pragma once
// The data block shared by every process that loads the library: the client window table and
// the interrupt bookkeeping. The first 4096 bytes keep the block's fixed layout
// (little-endian):
//
//   0   1   event registered flag (0 or 1)
//   1   1   waiting thread running flag
//   2   2   unused
//   4   4   registered window count (signed)
//   8   40  ten window handles; 0 marks a free slot
//   48  4   interrupt event handle (valid in the registering process)
//   52  4   waiting thread handle; 0 when there is no thread
//   56  4   unused
//   60  4   interrupt count
//
// A second page, outside those bytes, holds what the table needs on this system: the robust
// lock that serialises updates across processes, and which process runs the waiting thread.
// The block is a shared segment: zero when the first process attaches, gone when the last one
// detaches.

#include <pthread.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "process_identity.h"
#include "shared_segment.h"
#include "wait_result.h"

inline constexpr size_t SHARED_BLOCK_SIZE = 4096;
inline constexpr int WINDOW_SLOTS = 10;
inline constexpr const char* SHARED_BLOCK_NAME = "vorn-io.shared";

// A view of the block's memory; every field is read and written atomically.
class CSharedBlockView {
  public:
    static constexpr size_t OFF_EVENT_REGISTERED = 0;
    static constexpr size_t OFF_THREAD_RUNNING = 1;
    static constexpr size_t OFF_WINDOW_COUNT = 4;
    static constexpr size_t OFF_WINDOWS = 8;
    static constexpr size_t OFF_EVENT_HANDLE = 48;
    static constexpr size_t OFF_THREAD_HANDLE = 52;
    static constexpr size_t OFF_INTERRUPT_COUNT = 60;
    static constexpr size_t MEMORY_SIZE = 2 * SHARED_BLOCK_SIZE;

    CSharedBlockView() = default;
    // memory: MEMORY_SIZE bytes, page aligned, set up once with Initialise.
    explicit CSharedBlockView(void* memory) : m_memory(static_cast<uint8_t*>(memory)) {}
    static bool Initialise(void* memory);

    bool IsValid() const { return m_memory != nullptr; }
    const uint8_t* Bytes() const { return m_memory; }

    uint8_t EventRegistered() const;
    void SetEventRegistered(uint8_t value);
    uint8_t ThreadRunning() const;
    void SetThreadRunning(uint8_t value);
    int32_t WindowCount() const;
    void SetWindowCount(int32_t value);
    uint32_t Window(int slot) const;
    void SetWindow(int slot, uint32_t window);
    uint32_t EventHandle() const;
    void SetEventHandle(uint32_t value);
    uint32_t ThreadHandle() const;
    void SetThreadHandle(uint32_t value);
    int32_t InterruptCount() const;
    void IncrementInterruptCount();

    SProcessIdentity ThreadOwner() const;
    void SetThreadOwner(const SProcessIdentity& owner);

    // The table lock, waited for at most OBJECT_LOCK_TIMEOUT_MS; ABANDONED (a holder died)
    // counts as taken.
    bool LockTable();
    void UnlockTable();

  private:
    uint8_t* m_memory = nullptr;
};

// Holds the table lock for a scope; Locked() is false when the block is missing or the lock
// could not be taken.
class CTableLock {
  public:
    explicit CTableLock(CSharedBlockView& block)
        : m_block(block), m_locked(block.IsValid() && block.LockTable()) {}
    ~CTableLock() {
        if (m_locked)
            m_block.UnlockTable();
    }
    CTableLock(const CTableLock&) = delete;
    CTableLock& operator=(const CTableLock&) = delete;
    bool Locked() const { return m_locked; }

  private:
    CSharedBlockView& m_block;
    bool m_locked;
};

// This process's attachment of the block in a directory.
class CSharedBlock {
  public:
    bool Attach(const std::string& dir);
    void Detach();
    CSharedBlockView& View() { return m_view; }

  private:
    CSharedSegment m_segment;
    CSharedBlockView m_view;
};
