#include "monitor_setup.h"

int MaskMoreSmiSources(CW83627EHF& chip) {
    uint8_t m[4] = {0, 0, 0, 0};
    int r = chip.ReadSmiMasks(m);
    if (r < 1)
        return r;
    m[0] = 0xFF;
    m[1] |= 0xEF;
    m[2] |= 0x07;
    m[3] |= 0x13;
    return chip.WriteSmiMasks(m);
}

int MakeSetupWrites(CW83627EHF& chip) {
    int r = chip.WriteRegister0E(1);
    if (r < 1)
        return r;
    r = chip.WriteRegister0E(1);
    if (r < 1)
        return r;
    r = chip.SetBank4Register53Bit5(false);
    if (r < 1)
        return r;
    return chip.SetRegister47Bit0(true);
}
