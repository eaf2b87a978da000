#pragma once
// Driver of the Winbond W83627EHF hardware-monitor chip.

#include "chip_register.h"

class CW83627EHF : public CSensorChip {
public:
    // Selects bank 0; a failure is reported and the object stays usable.
    CW83627EHF();
};
