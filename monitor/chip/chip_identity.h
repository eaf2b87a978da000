#pragma once
// Which chip answers at the index/data pair. Nothing may be programmed into a chip before it is
// known to be the W83627EHF: another chip's registers at the same indexes mean other things.

#include <cstdint>
#include <string>

#include "port_io.h"

struct SChipIdentity {
    // The vendor ID byte 0x4F gave, and which byte the high-byte access select asked for.
    uint8_t vendorByte = 0;
    bool highByte = false;
    // Read only when the vendor byte matched.
    bool chipRead = false;
    uint8_t chip = 0;
};

// Reads the identification registers through `io`. Only reads, except one case: when the
// vendor byte matched and the chip is left in a bank other than 0, bank 0 is selected to read
// the chip ID and the bank select register is put back as found. The chip layer's result.
int ReadChipIdentity(IPortIo& io, SChipIdentity* found);

bool IsW83627EHF(const SChipIdentity& id);

// What was found, for the user: "vendor ID high byte 0x5C, chip ID 0xC1".
std::string DescribeChipIdentity(const SChipIdentity& id);
