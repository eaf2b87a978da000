#pragma once
// The DMI structure table walk: board and BIOS strings from an SMBIOS structure table or from a
// copy of the BIOS area that holds a DMI entry point. The input is untrusted bytes: every length
// and string number is checked against the buffer and the walk stops at its end.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

inline constexpr uint32_t BIOS_AREA_BASE = 0xF0000;
inline constexpr size_t BIOS_AREA_SIZE = 0x10000;
// A DMI string slot holds at most this many characters; longer strings are cut.
inline constexpr size_t DMI_STRING_MAX = 127;

struct DmiFacts {
    std::string biosVendor;         // type 0, string of byte 4
    std::string biosDate;           // type 0, string of byte 8
    std::string boardManufacturer;  // type 2, string of byte 4
    std::string boardProduct;       // type 2, string of byte 5
    bool hasBios = false;           // a type 0 structure was seen
    bool hasBoard = false;          // a type 2 structure was seen
};

// Walks at most `maxStructures` structures of the table (all when not given), stopping early at
// the end-of-table structure (type 127), at a structure that does not fit the buffer, or at a
// formatted length below the 4-byte header. A later structure of a type overrides an earlier one.
DmiFacts WalkDmiTable(std::span<const uint8_t> table,
                      std::optional<size_t> maxStructures = std::nullopt);

// Looks at every 16-byte boundary of the area for the "_DMI_" entry point and walks its table,
// which must lie wholly inside the area (whose first byte is at physical address `areaBase`).
// Nothing found gives facts with neither type seen.
DmiFacts ScanBiosArea(std::span<const uint8_t> area, uint32_t areaBase = BIOS_AREA_BASE);

// Reads at most `maxBytes` from `offset` of a file; nullopt when it cannot be opened or read.
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path, uint64_t offset,
                                                  size_t maxBytes);
