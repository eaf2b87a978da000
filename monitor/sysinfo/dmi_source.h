#pragma once
// Board and BIOS facts from Linux: the DMI directory first, and the DMI structure table for any
// fact the directory does not give.

#include <cstdint>
#include <string>

#include "dmi_table.h"

struct DmiSources {
    std::string dmiDir;       // board_name, board_vendor, bios_vendor, bios_date
    std::string smbiosTable;  // the raw structure table (/sys/firmware/dmi/tables/DMI)
    std::string biosArea;     // a copy of the BIOS area, or /dev/mem
    uint64_t biosAreaOffset = 0;
};

// The structure table file, walked whole; when it gives nothing, the 64 KB BIOS area read from
// `biosArea` at `biosAreaOffset` and scanned for its entry point.
DmiFacts ReadDmiTables(const DmiSources& sources);

// The directory's facts, each missing or empty one filled from ReadDmiTables.
DmiFacts ReadDmiFacts(const DmiSources& sources);
