#include "chip_identification.h"

#include <cstdio>

namespace {

constexpr uint16_t INDEX_PORT = 0x295;
constexpr uint16_t DATA_PORT = 0x296;
constexpr uint8_t BANK_SELECT = 0x4E;
constexpr uint8_t BANK_BITS = 0x07;
constexpr uint8_t HIGH_BYTE_ACCESS = 0x80;
constexpr uint8_t VENDOR_ID = 0x4F;
constexpr uint8_t CHIP_ID = 0x58;
constexpr uint16_t WINBOND_VENDOR_ID = 0x5CA3;
constexpr uint8_t CHIP_IDS[] = {0x88, 0xA1};

bool ReadRegister(const SChipPortAccess& ports, uint8_t index, uint8_t* value) {
    return ports.write(INDEX_PORT, index) && ports.read(DATA_PORT, value);
}

bool WriteRegister(const SChipPortAccess& ports, uint8_t index, uint8_t value) {
    return ports.write(INDEX_PORT, index) && ports.write(DATA_PORT, value);
}

}  // namespace

SChipIdentification IdentifyChip(const SChipPortAccess& ports) {
    SChipIdentification result;
    uint8_t bankSelect = 0, vendorByte = 0;
    if (!ReadRegister(ports, BANK_SELECT, &bankSelect) ||
        !ReadRegister(ports, VENDOR_ID, &vendorByte)) {
        result.found = "no answer";
        return result;
    }
    const bool high = bankSelect & HIGH_BYTE_ACCESS;
    char text[80];
    std::snprintf(text, sizeof text, "vendor ID %s byte 0x%02X", high ? "high" : "low", vendorByte);
    result.found = text;
    const uint8_t expected = high ? WINBOND_VENDOR_ID >> 8 : WINBOND_VENDOR_ID & 0xFF;
    if (vendorByte != expected) {
        result.identity = EChipIdentity::OTHER;
        return result;
    }
    const bool otherBank = (bankSelect & BANK_BITS) != 0;
    uint8_t chip = 0;
    bool read = true;
    if (otherBank)
        read = WriteRegister(ports, BANK_SELECT, bankSelect & ~BANK_BITS);
    read = read && ReadRegister(ports, CHIP_ID, &chip);
    if (otherBank)
        read = WriteRegister(ports, BANK_SELECT, bankSelect) && read;
    if (!read)
        return result;
    std::snprintf(text, sizeof text, ", chip ID 0x%02X", chip);
    result.found += text;
    result.identity = EChipIdentity::OTHER;
    for (uint8_t id : CHIP_IDS) {
        if (chip == id)
            result.identity = EChipIdentity::W83627EHF;
    }
    return result;
}
