#include "chip_views.h"

#include <cstdint>

namespace {

constexpr uint8_t BANK_SELECT = 0x4E;
constexpr uint8_t BANK_BITS = 0x07;
constexpr uint8_t BANK_WINDOW_FIRST = 0x50;
constexpr uint8_t BANK_WINDOW_LAST = 0x5F;

bool IsBanked(int index) {
    return index >= BANK_WINDOW_FIRST && index <= BANK_WINDOW_LAST;
}

}  // namespace

bool CChipViews::TouchesChip(uint16_t port, uint8_t size) {
    const uint32_t last = static_cast<uint32_t>(port) + size - 1;
    return port <= DATA_PORT && last >= INDEX_PORT;
}

bool CChipViews::SetChipIndex(uint8_t index) {
    if (m_chipIndex == index)
        return true;
    m_chipIndex = UNKNOWN;
    if (!m_backend.WritePort(INDEX_PORT, 1, index))
        return false;
    m_chipIndex = index;
    return true;
}

bool CChipViews::Restore(const SView& view) {
    if (view.index == UNKNOWN)
        return true;  // the client never chose a register: it gets the chip as it is
    if (IsBanked(view.index) && view.bank != UNKNOWN && m_chipBank != view.bank) {
        uint32_t old = 0;
        m_chipBank = UNKNOWN;
        if (!SetChipIndex(BANK_SELECT) || !m_backend.ReadPort(DATA_PORT, 1, &old))
            return false;
        const uint32_t bankSelect = (old & ~uint32_t{BANK_BITS}) | static_cast<uint32_t>(view.bank);
        if (!m_backend.WritePort(DATA_PORT, 1, bankSelect & 0xFF))
            return false;
        m_chipBank = view.bank;
    }
    return SetChipIndex(static_cast<uint8_t>(view.index));
}

bool CChipViews::ReadByte(SView& view, uint16_t port, uint8_t* value) {
    if (port == INDEX_PORT && view.index != UNKNOWN && !SetChipIndex(view.index))
        return false;
    if (port == DATA_PORT && !Restore(view))
        return false;
    uint32_t v = 0;
    if (!m_backend.ReadPort(port, 1, &v))
        return false;
    *value = static_cast<uint8_t>(v);
    return true;
}

bool CChipViews::WriteByte(SView& view, uint16_t port, uint8_t value) {
    if (port == INDEX_PORT) {
        view.index = value;
        m_chipIndex = UNKNOWN;
        if (!m_backend.WritePort(port, 1, value))
            return false;
        m_chipIndex = value;
        return true;
    }
    if (port == DATA_PORT && !Restore(view))
        return false;
    const bool bankWrite = port == DATA_PORT && view.index == BANK_SELECT;
    if (bankWrite)
        m_chipBank = UNKNOWN;
    if (!m_backend.WritePort(port, 1, value))
        return false;
    if (bankWrite) {
        view.bank = value & BANK_BITS;
        m_chipBank = view.bank;
    }
    return true;
}

bool CChipViews::Wide(SView& view, uint16_t port, uint8_t size, const std::function<bool()>& access,
                      std::optional<uint32_t> written) {
    if (port + size - 1 >= DATA_PORT && !Restore(view))
        return false;
    // What the access did to the chip's index and bank is not followed byte by byte.
    m_chipIndex = UNKNOWN;
    m_chipBank = UNKNOWN;
    if (written && port <= INDEX_PORT)
        view.index = static_cast<int>((*written >> (8 * (INDEX_PORT - port))) & 0xFF);
    return access();
}

bool CChipViews::Read(uint64_t client, uint16_t port, uint8_t size, uint32_t* value) {
    if (!TouchesChip(port, size))
        return m_backend.ReadPort(port, size, value);
    SView& view = m_views[client];
    if (size > 1) {
        return Wide(
            view, port, size, [&] { return m_backend.ReadPort(port, size, value); }, std::nullopt);
    }
    uint8_t byte = 0;
    if (!ReadByte(view, port, &byte))
        return false;
    *value = byte;
    return true;
}

bool CChipViews::Write(uint64_t client, uint16_t port, uint8_t size, uint32_t value) {
    if (!TouchesChip(port, size))
        return m_backend.WritePort(port, size, value);
    SView& view = m_views[client];
    if (size > 1) {
        return Wide(
            view, port, size, [&] { return m_backend.WritePort(port, size, value); }, value);
    }
    return WriteByte(view, port, static_cast<uint8_t>(value));
}
