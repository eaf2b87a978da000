#pragma once
// Is the chip at the index/data pair 0x295/0x296 the W83627EHF? The service trusts no client,
// so it asks the chip itself once before any client's write reaches the data port.
//
// 0x4F answers Winbond's vendor ID 0x5CA3 a byte at a time: the high byte while bit 7 of the
// bank select register 0x4E (high-byte access select) is set, the low byte while it is clear.
// 0x58 of bank 0 answers the chip ID: 0x88 for the W83627EHF, 0xA1 for the W83627EHG (the
// same chip, lead-free).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct SChipPortAccess {
    std::function<bool(uint16_t port, uint8_t* value)> read;
    std::function<bool(uint16_t port, uint8_t value)> write;
};

enum class EChipIdentity { W83627EHF, OTHER, UNREADABLE };

struct SChipIdentification {
    EChipIdentity identity = EChipIdentity::UNREADABLE;
    std::string found;  // what answered, for the log: "vendor ID high byte 0x5C, chip ID 0xC1"
};

// Only reads, except that a chip with the right vendor byte left in another bank is switched to
// bank 0 to read its chip ID and put back as found.
SChipIdentification IdentifyChip(const SChipPortAccess& ports);
