#include "dmi_table.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr size_t HEADER_SIZE = 4;  // type, length, handle
constexpr uint8_t TYPE_BIOS = 0;
constexpr uint8_t TYPE_BASE_BOARD = 2;
constexpr uint8_t TYPE_END_OF_TABLE = 127;
constexpr size_t BIOS_VENDOR_OFFSET = 4;
constexpr size_t BIOS_DATE_OFFSET = 8;
constexpr size_t BOARD_MANUFACTURER_OFFSET = 4;
constexpr size_t BOARD_PRODUCT_OFFSET = 5;

constexpr char ENTRY_ANCHOR[] = "_DMI_";
constexpr size_t ENTRY_ANCHOR_SIZE = 5;
constexpr size_t ENTRY_TABLE_LENGTH_OFFSET = 6;
constexpr size_t ENTRY_TABLE_ADDRESS_OFFSET = 8;
constexpr size_t ENTRY_STRUCTURE_COUNT_OFFSET = 12;
constexpr size_t ENTRY_SIZE = 15;
constexpr size_t ENTRY_ALIGN = 16;

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// One structure: its formatted part and the terminated strings that follow it.
struct Structure {
    std::span<const uint8_t> formatted;
    std::vector<std::string> strings;  // string n is strings[n - 1]
};

// The string a formatted byte numbers; a byte outside the formatted part, number 0 and a number
// past the structure's strings give the empty text.
std::string StringAt(const Structure& s, size_t byteOffset) {
    if (byteOffset >= s.formatted.size()) {
        return {};
    }
    uint8_t n = s.formatted[byteOffset];
    if (n == 0 || n > s.strings.size()) {
        return {};
    }
    return s.strings[n - 1];
}

// Reads the structure at `pos`; on success `pos` moves to the next one. False when the header,
// the formatted part or the string set's double zero does not fit the table.
bool ReadStructure(std::span<const uint8_t> table, size_t& pos, Structure& out) {
    if (table.size() - pos < HEADER_SIZE) {
        return false;
    }
    size_t length = table[pos + 1];
    if (length < HEADER_SIZE || length > table.size() - pos) {
        return false;
    }
    out.formatted = table.subspan(pos, length);
    out.strings.clear();
    size_t p = pos + length;
    // No strings: the set is just the double zero.
    if (table.size() - p >= 2 && table[p] == 0 && table[p + 1] == 0) {
        pos = p + 2;
        return true;
    }
    while (p < table.size()) {
        const uint8_t* start = table.data() + p;
        const void* nul = std::memchr(start, 0, table.size() - p);
        if (nul == nullptr) {
            return false;
        }
        size_t len = static_cast<size_t>(static_cast<const uint8_t*>(nul) - start);
        if (len == 0) {
            pos = p + 1;
            return true;
        }
        out.strings.emplace_back(reinterpret_cast<const char*>(start),
                                 len > DMI_STRING_MAX ? DMI_STRING_MAX : len);
        p += len + 1;
    }
    return false;
}

}  // namespace

DmiFacts WalkDmiTable(std::span<const uint8_t> table, std::optional<size_t> maxStructures) {
    DmiFacts facts;
    Structure s;
    size_t pos = 0;
    for (size_t n = 0; !maxStructures || n < *maxStructures; ++n) {
        if (!ReadStructure(table, pos, s)) {
            break;
        }
        uint8_t type = s.formatted[0];
        if (type == TYPE_BIOS) {
            facts.hasBios = true;
            facts.biosVendor = StringAt(s, BIOS_VENDOR_OFFSET);
            facts.biosDate = StringAt(s, BIOS_DATE_OFFSET);
        } else if (type == TYPE_BASE_BOARD) {
            facts.hasBoard = true;
            facts.boardManufacturer = StringAt(s, BOARD_MANUFACTURER_OFFSET);
            facts.boardProduct = StringAt(s, BOARD_PRODUCT_OFFSET);
        } else if (type == TYPE_END_OF_TABLE) {
            break;
        }
    }
    return facts;
}

DmiFacts ScanBiosArea(std::span<const uint8_t> area, uint32_t areaBase) {
    for (size_t off = 0; off < area.size() && area.size() - off >= ENTRY_SIZE; off += ENTRY_ALIGN) {
        const uint8_t* entry = area.data() + off;
        if (std::memcmp(entry, ENTRY_ANCHOR, ENTRY_ANCHOR_SIZE) != 0) {
            continue;
        }
        uint64_t address = Le32(entry + ENTRY_TABLE_ADDRESS_OFFSET);
        uint64_t length = Le16(entry + ENTRY_TABLE_LENGTH_OFFSET);
        uint16_t count = Le16(entry + ENTRY_STRUCTURE_COUNT_OFFSET);
        if (address < areaBase || address - areaBase + length > area.size()) {
            return {};
        }
        return WalkDmiTable(area.subspan(address - areaBase, length), count);
    }
    return {};
}

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path, uint64_t offset,
                                                  size_t maxBytes) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(maxBytes);
    size_t got = 0;
    while (got < maxBytes) {
        ssize_t n =
            ::pread(fd, bytes.data() + got, maxBytes - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    return bytes;
}
