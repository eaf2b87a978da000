#pragma once
// One client's register access to the hardware monitor is never mixed up with another's. A
// register access is several port requests (bank select, index, data), and the service answers
// requests of many clients in turn, so between a client's index write and its data access
// another client may have moved the chip's index or bank. Each client's own view of the chip's
// index register (port 0x295) and bank (bits 2..0 of register 0x4E) is kept here, and before a
// client's data-port access the chip is put back to that client's index, and for a register in
// the banked window to its bank, when someone else changed them. Clients need no change: they
// go on making plain port requests.
//
// An access wider than a byte that touches the pair goes through whole (the backend refuses it
// whole or performs it whole), after the client's view is put back when it reaches the data
// port; the chip's index and bank count as unknown after it. Only the service loop's thread
// calls here; other ports go straight to the backend.

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>

#include "backend.h"

class CChipViews {
  public:
    static constexpr uint16_t INDEX_PORT = 0x295;
    static constexpr uint16_t DATA_PORT = 0x296;

    explicit CChipViews(IDriverBackend& backend) : m_backend(backend) {}

    bool Read(uint64_t client, uint16_t port, uint8_t size, uint32_t* value);
    bool Write(uint64_t client, uint16_t port, uint8_t size, uint32_t value);
    // A client that has gone.
    void Forget(uint64_t client) { m_views.erase(client); }

  private:
    static constexpr int UNKNOWN = -1;
    struct SView {
        int index = UNKNOWN;
        int bank = UNKNOWN;
    };

    static bool TouchesChip(uint16_t port, uint8_t size);
    bool ReadByte(SView& view, uint16_t port, uint8_t* value);
    bool WriteByte(SView& view, uint16_t port, uint8_t value);
    // Puts the chip back to the view's bank (for a banked register) and index.
    bool Restore(const SView& view);
    bool SetChipIndex(uint8_t index);
    bool Wide(SView& view, uint16_t port, uint8_t size, const std::function<bool()>& access,
              std::optional<uint32_t> written);

    IDriverBackend& m_backend;
    std::unordered_map<uint64_t, SView> m_views;
    // The chip's state as the service last set it.
    int m_chipIndex = UNKNOWN;
    int m_chipBank = UNKNOWN;
};
