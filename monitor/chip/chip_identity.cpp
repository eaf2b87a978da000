#include "chip_identity.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "chip_register.h"

using namespace ehf;

namespace {

uint8_t ExpectedVendorByte(bool highByte) {
    return static_cast<uint8_t>(highByte ? WINBOND_VENDOR_ID >> 8 : WINBOND_VENDOR_ID & 0xFF);
}

}  // namespace

int ReadChipIdentity(IPortIo& io, SChipIdentity* found) {
    *found = SChipIdentity{};
    uint8_t bankSelect = 0;
    int r = ReadChipRegister(io, BANK_SELECT.index, &bankSelect);
    if (r < 1)
        return r;
    r = ReadChipRegister(io, VENDOR_ID.index, &found->vendorByte);
    if (r < 1)
        return r;
    found->highByte = (bankSelect & FieldMask(HIGH_BYTE_ACCESS)) != 0;
    if (found->vendorByte != ExpectedVendorByte(found->highByte))
        return r;

    const uint8_t bank = bankSelect & FieldMask(BANK_SELECT);
    if (bank != CHIP_ID.bank) {
        r = WriteChipRegister(io, BANK_SELECT.index, WithField(bankSelect, BANK_SELECT, 0));
        if (r < 1)
            return r;
    }
    r = ReadChipRegister(io, CHIP_ID.index, &found->chip);
    found->chipRead = r >= 1;
    if (bank != CHIP_ID.bank) {
        const int back = WriteChipRegister(io, BANK_SELECT.index, bankSelect);
        if (r >= 1)
            r = back;
    }
    return r;
}

bool IsW83627EHF(const SChipIdentity& id) {
    return id.vendorByte == ExpectedVendorByte(id.highByte) && id.chipRead &&
           std::find(std::begin(W83627EHF_CHIP_IDS), std::end(W83627EHF_CHIP_IDS), id.chip) !=
               std::end(W83627EHF_CHIP_IDS);
}

std::string DescribeChipIdentity(const SChipIdentity& id) {
    char text[80];
    if (id.chipRead) {
        std::snprintf(text, sizeof text, "vendor ID %s byte 0x%02X, chip ID 0x%02X",
                      id.highByte ? "high" : "low", id.vendorByte, id.chip);
    } else {
        std::snprintf(text, sizeof text, "vendor ID %s byte 0x%02X", id.highByte ? "high" : "low",
                      id.vendorByte);
    }
    return text;
}
