#pragma once
// The table of client windows to be told about interrupts, shared by all processes. Updates
// run under the block's table lock, so two processes registering at the same moment never take
// the same slot. Per process, the most recent window it registered is remembered for the
// unload step.

#include <atomic>
#include <cstdint>

#include "shared_block.h"

class CClientRegistry {
  public:
    explicit CClientRegistry(CSharedBlockView& block) : m_block(block) {}

    // False for 0, for a window already in the table and when no slot is free; otherwise the
    // window takes the lowest free slot and becomes this process's remembered window.
    bool RegisterHandle(uint32_t window);
    // Frees the first slot holding window; false when none does (always for 0).
    bool UnregisterHandle(uint32_t window);
    bool IsHandleRegistered(uint32_t window);
    int GetRegisteredHandleCount();
    // Copies all ten slots, free ones as 0, when list is given; the count.
    int GetRegisteredHandleList(int32_t* list);

    // The unload step: unregisters the remembered window, if any.
    void UnregisterLast();
    uint32_t LastRegistered() const { return m_last.load(); }

  private:
    CSharedBlockView& m_block;
    std::atomic<uint32_t> m_last{0};
};
