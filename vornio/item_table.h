#pragma once
// The microcontroller's items: numbers 0 to 110, each with the number of bytes a client sends
// (input) and the number the item returns (output). Shared by the library, which sizes its
// requests by it, and the simulated microcontroller, which answers by it.

#include <cstdint>
#include <optional>

namespace vornio {

inline constexpr unsigned ITEM_COUNT = 111;
inline constexpr uint8_t LAST_ITEM = 110;

// Items the library itself uses.
inline constexpr uint8_t ITEM_CLOCK_GEN_READ = 26;
inline constexpr uint8_t ITEM_CLOCK_GEN_WRITE = 27;
inline constexpr uint8_t ITEM_BOARD_INFO = 68;
inline constexpr uint8_t ITEM_INT_STATUS = 106;
inline constexpr uint8_t ITEM_INT_ACK = 107;

inline constexpr uint8_t BOARD_INFO_SIZE = 9;
// The board-information bytes that choose the clock-generator block size (high, low).
inline constexpr uint8_t BOARD_INFO_CLOCK_HIGH = 6;
inline constexpr uint8_t BOARD_INFO_CLOCK_LOW = 7;
inline constexpr uint8_t CLOCK_GEN_DEFAULT_BYTES = 27;

struct SItemLengths {
    uint8_t input = 0;
    uint8_t output = 0;
    bool operator==(const SItemLengths&) const = default;
};

// The table's entry; nullopt for a number above 110. Items 26 and 27 carry the default block
// size here; their real size comes from the board information at each request.
std::optional<SItemLengths> TableItemLengths(uint8_t item);

// Size of the clock-generator block for the board-information value v (byte 6 * 256 + byte 7):
// 34 for 4 or 5, 37 for 8, otherwise 27.
uint8_t ClockGenByteCount(uint16_t boardValue);

}  // namespace vornio
