#pragma once
// Where each pin's beep bit and real-time status bit lie in the chip layer's mask arrays: the
// beep masks b[0..3] and the status bytes s[0..2] as ReadBeepMasks and ReadRealTimeStatus fill
// them, the bits as the register map places them. Register 0x50 holds three pins, told apart by
// bank: 1 and 2 are the CPU and auxiliary temperatures, any other bank is VSB.

#include <cstdint>

struct ItemBits {
    uint8_t beepByte;
    uint8_t beepBit;
    uint8_t statusByte;
    uint8_t statusBit;
};

// False for a pin with no bits (an unbound item's register 0, or any register not in the
// map); *bits is then left alone.
bool FindItemBits(uint8_t pinRegister, uint8_t pinBank, ItemBits* bits);

// Sets or clears the pin's beep bit in the 4-byte mask array; false (nothing changed) for a pin
// without one.
bool SetBeepMaskBit(uint8_t b[4], uint8_t pinRegister, uint8_t pinBank, bool on);

// The pin's status bit; false for a pin without one.
bool StatusBit(const uint8_t s[3], uint8_t pinRegister, uint8_t pinBank, bool* set);
