#include "item_binding.h"

namespace {

struct PinBits {
    uint8_t reg;
    uint8_t bank;  // 0: any bank (only register 0x50 is told apart by bank)
    ItemBits bits;
};

// Register 0x50 with a bank other than 1 and 2 is VSB: the last 0x50 row matches any bank.
constexpr PinBits PIN_BITS[] = {
    {0x20, 0, {0, 0, 0, 0}}, {0x21, 0, {0, 1, 0, 1}}, {0x22, 0, {0, 2, 0, 2}},
    {0x23, 0, {0, 3, 0, 3}}, {0x24, 0, {1, 0, 1, 0}}, {0x25, 0, {1, 1, 2, 5}},
    {0x26, 0, {1, 2, 2, 4}}, {0x27, 0, {0, 4, 0, 4}}, {0x28, 0, {0, 6, 0, 6}},
    {0x29, 0, {0, 7, 0, 7}}, {0x2A, 0, {1, 3, 1, 3}}, {0x3F, 0, {3, 4, 1, 2}},
    {0x50, 1, {0, 5, 0, 5}}, {0x50, 2, {1, 5, 1, 5}}, {0x50, 0, {2, 0, 2, 0}},
    {0x51, 0, {2, 1, 2, 1}}, {0x52, 0, {2, 3, 2, 3}}, {0x53, 0, {3, 5, 2, 7}},
};

}  // namespace

bool FindItemBits(uint8_t pinRegister, uint8_t pinBank, ItemBits* bits) {
    for (const PinBits& p : PIN_BITS) {
        if (p.reg == pinRegister && (p.bank == 0 || p.bank == pinBank)) {
            *bits = p.bits;
            return true;
        }
    }
    return false;
}

bool SetBeepMaskBit(uint8_t b[4], uint8_t pinRegister, uint8_t pinBank, bool on) {
    ItemBits bits{};
    if (!FindItemBits(pinRegister, pinBank, &bits))
        return false;
    uint8_t mask = static_cast<uint8_t>(1u << bits.beepBit);
    b[bits.beepByte] =
        static_cast<uint8_t>(on ? (b[bits.beepByte] | mask) : (b[bits.beepByte] & ~mask));
    return true;
}

bool StatusBit(const uint8_t s[3], uint8_t pinRegister, uint8_t pinBank, bool* set) {
    ItemBits bits{};
    if (!FindItemBits(pinRegister, pinBank, &bits))
        return false;
    *set = (s[bits.statusByte] >> bits.statusBit) & 1;
    return true;
}
