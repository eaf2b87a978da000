#include "w83627ehf.h"

CW83627EHF::CW83627EHF() {
    // SelectBank reports its own failure; later calls simply try again.
    SelectBank(0);
}
