#pragma once
// Builds DMI structure tables and BIOS-area images for the tests.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// One structure: type, formatted length, a handle, the given formatted bytes after the header
// (padded with zeros to `length`), then the strings and the double zero.
inline Bytes Structure(uint8_t type, uint8_t length, std::initializer_list<uint8_t> formatted,
                       std::initializer_list<std::string> strings) {
    // Byte by byte: GCC 12 misreads a range insert into a small vector as an overflow.
    Bytes b = {type, length, 0x34, 0x12};
    for (uint8_t v : formatted) {
        b.push_back(v);
    }
    while (b.size() < length) {
        b.push_back(0);
    }
    for (const std::string& s : strings) {
        for (char c : s) {
            b.push_back(static_cast<uint8_t>(c));
        }
        b.push_back(0);
    }
    if (strings.size() == 0) {
        b.push_back(0);
    }
    b.push_back(0);
    return b;
}

// Type 0: vendor is string 1, version string 2, release date string 3.
inline Bytes BiosStructure(const std::string& vendor, const std::string& date) {
    return Structure(0, 0x12, {1, 2, 0, 0, 3}, {vendor, "1.0", date});
}

// Type 2: manufacturer string 1, product string 2.
inline Bytes BoardStructure(const std::string& maker, const std::string& product) {
    return Structure(2, 0x08, {1, 2, 0, 0}, {maker, product});
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

// A 64 KB copy of the BIOS area at 0xF0000 with a "_DMI_" entry point at `entryOffset` naming
// `table` placed at `tableOffset` in the area, with `count` structures.
inline Bytes BiosArea(const Bytes& table, size_t entryOffset, size_t tableOffset, uint16_t count) {
    Bytes area(0x10000, 0xFF);
    const char anchor[] = "_DMI_";
    for (size_t i = 0; i < 5; ++i) {
        area[entryOffset + i] = static_cast<uint8_t>(anchor[i]);
    }
    uint32_t address = static_cast<uint32_t>(0xF0000 + tableOffset);
    area[entryOffset + 6] = static_cast<uint8_t>(table.size());
    area[entryOffset + 7] = static_cast<uint8_t>(table.size() >> 8);
    for (int i = 0; i < 4; ++i) {
        area[entryOffset + 8 + i] = static_cast<uint8_t>(address >> (8 * i));
    }
    area[entryOffset + 12] = static_cast<uint8_t>(count);
    area[entryOffset + 13] = static_cast<uint8_t>(count >> 8);
    area[entryOffset + 14] = 0x21;
    std::copy(table.begin(), table.end(), area.begin() + static_cast<long>(tableOffset));
    return area;
}
