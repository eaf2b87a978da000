#include "item_binding.h"

#include <cstddef>

#include "w83627ehf_map.h"

namespace {

// The byte of a mask array, read from `registers` in order, that holds `bit`.
template <size_t N>
uint8_t ByteOf(const ehf::SChipField (&registers)[N], const ehf::SChipField& bit) {
    for (size_t i = 0; i < N; ++i) {
        if (registers[i].bank == bit.bank && registers[i].index == bit.index)
            return static_cast<uint8_t>(i);
    }
    return 0;  // every alarm bit of the map lies in one of the arrays' registers
}

}  // namespace

bool FindItemBits(uint8_t pinRegister, uint8_t pinBank, ItemBits* bits) {
    const ehf::SAlarmBits* a = ehf::FindAlarmBits(pinRegister, pinBank);
    if (a == nullptr)
        return false;
    *bits = {ByteOf(ehf::BEEP_MASKS, a->beep), a->beep.shift,
             ByteOf(ehf::REALTIME_STATUS, a->status), a->status.shift};
    return true;
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
