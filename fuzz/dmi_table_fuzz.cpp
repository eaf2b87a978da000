// The DMI table walk and the BIOS-area scan over arbitrary bytes.

#include <cstddef>
#include <cstdint>
#include <span>

#include "dmi_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    (void)WalkDmiTable(bytes);
    (void)WalkDmiTable(bytes, 3);
    (void)ScanBiosArea(bytes);
    return 0;
}
