#include "client_registry.h"

bool CClientRegistry::RegisterHandle(uint32_t window) {
    // A zero handle would look like a free slot while raising the count.
    if (window == 0)
        return false;
    CTableLock lock(m_block);
    if (!lock.Locked())
        return false;
    int freeSlot = -1;
    for (int slot = 0; slot < WINDOW_SLOTS; ++slot) {
        const uint32_t held = m_block.Window(slot);
        if (held == window)
            return false;
        if (held == 0 && freeSlot < 0)
            freeSlot = slot;
    }
    if (freeSlot < 0)
        return false;
    m_block.SetWindow(freeSlot, window);
    m_block.SetWindowCount(m_block.WindowCount() + 1);
    // Only a window that made it into the table is remembered, so the unload step frees it.
    m_last = window;
    return true;
}

bool CClientRegistry::UnregisterHandle(uint32_t window) {
    if (window == 0)
        return false;
    CTableLock lock(m_block);
    if (!lock.Locked())
        return false;
    for (int slot = 0; slot < WINDOW_SLOTS; ++slot) {
        if (m_block.Window(slot) == window) {
            m_block.SetWindow(slot, 0);
            m_block.SetWindowCount(m_block.WindowCount() - 1);
            return true;
        }
    }
    return false;
}

bool CClientRegistry::IsHandleRegistered(uint32_t window) {
    if (window == 0 || !m_block.IsValid())
        return false;
    for (int slot = 0; slot < WINDOW_SLOTS; ++slot) {
        if (m_block.Window(slot) == window)
            return true;
    }
    return false;
}

int CClientRegistry::GetRegisteredHandleCount() {
    return m_block.IsValid() ? m_block.WindowCount() : 0;
}

int CClientRegistry::GetRegisteredHandleList(int32_t* list) {
    CTableLock lock(m_block);
    if (!lock.Locked()) {
        if (list) {
            for (int slot = 0; slot < WINDOW_SLOTS; ++slot)
                list[slot] = 0;
        }
        return 0;
    }
    if (list) {
        for (int slot = 0; slot < WINDOW_SLOTS; ++slot)
            list[slot] = static_cast<int32_t>(m_block.Window(slot));
    }
    return m_block.WindowCount();
}

void CClientRegistry::UnregisterLast() {
    const uint32_t last = m_last.exchange(0);
    if (last != 0)
        UnregisterHandle(last);
}
