#pragma once
// The chip set-up the monitoring engine makes when it starts and undoes when it ends.

#include <cstdint>

#include "w83627ehf.h"

// Reads the four SMI mask registers afresh and masks more sources: byte 0 becomes 0xFF, bytes
// 1..3 are ORed with 0xEF, 0x07 and 0x13. The first result below 1 is returned. (The engine
// reads and keeps the masks as found before it calls this.)
int MaskMoreSmiSources(CW83627EHF& chip);

// Register 0x0E = 1 twice, bank 4 register 0x53 bit 5 cleared, register 0x47 bit 0 set, each
// of which must succeed. The first result below 1 is returned.
int MakeSetupWrites(CW83627EHF& chip);
