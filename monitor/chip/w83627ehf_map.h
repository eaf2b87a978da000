#pragma once
// The W83627EHF's registers as the monitor uses them, and the monitor's only copy of them:
// every field as its bank, register, bit position and width. The chip objects read and write a
// field only through CSensorChip::ReadField and WriteField.

#include <cstdint>

namespace ehf {

struct SChipField {
    uint8_t bank;
    uint8_t index;
    uint8_t shift;  // the field's lowest bit
    uint8_t width;  // in bits
    // The register's bits, outside the field, that a write keeps: such a write reads the
    // register first. Bits neither kept nor in the field are written as 0.
    uint8_t kept;
};

inline constexpr uint8_t FieldMask(const SChipField& f) {
    return static_cast<uint8_t>(((1u << f.width) - 1) << f.shift);
}
// The largest value the field holds.
inline constexpr uint8_t FieldMax(const SChipField& f) {
    return static_cast<uint8_t>((1u << f.width) - 1);
}
// `reg` with the field's bits replaced by `value`.
inline constexpr uint8_t WithField(uint8_t reg, const SChipField& f, uint8_t value) {
    return static_cast<uint8_t>((reg & ~FieldMask(f)) | ((value << f.shift) & FieldMask(f)));
}

// The low `width` bits of a register that holds nothing else: written without reading it.
inline constexpr SChipField OwnRegister(uint8_t bank, uint8_t index, uint8_t width) {
    return {bank, index, 0, width, 0};
}
inline constexpr SChipField Register(uint8_t bank, uint8_t index) {
    return OwnRegister(bank, index, 8);
}
// Bits of a register shared with other settings: written by read-modify-write.
inline constexpr SChipField Bits(uint8_t bank, uint8_t index, uint8_t shift, uint8_t width) {
    SChipField f{bank, index, shift, width, 0};
    f.kept = static_cast<uint8_t>(~FieldMask(f));
    return f;
}
inline constexpr SChipField Bit(uint8_t bank, uint8_t index, uint8_t bit) {
    return Bits(bank, index, bit, 1);
}

// Bits 2..0 of 0x4E choose the bank; the register itself answers in every bank, and its other
// bits are other settings.
inline constexpr SChipField BANK_SELECT = Bits(0, 0x4E, 0, 3);

// Identification. 0x4F answers the vendor ID one byte at a time: the high byte while bit 7 of
// 0x4E (high-byte access select) is set, the low byte while it is clear. 0x58 of bank 0 answers
// the chip ID: 0x88 for the W83627EHF, 0xA1 for its lead-free twin, the W83627EHG.
inline constexpr SChipField VENDOR_ID = Register(0, 0x4F);
inline constexpr SChipField HIGH_BYTE_ACCESS = Bit(0, 0x4E, 7);
inline constexpr SChipField CHIP_ID = Register(0, 0x58);
inline constexpr uint16_t WINBOND_VENDOR_ID = 0x5CA3;
inline constexpr uint8_t W83627EHF_CHIP_IDS[] = {0x88, 0xA1};

// Voltage inputs, by reading register.
struct SVoltageInput {
    SChipField reading, high, low;
};
inline constexpr SVoltageInput VOLTAGE_INPUTS[] = {
    {Register(0, 0x20), Register(0, 0x2B), Register(0, 0x2C)},
    {Register(0, 0x21), Register(0, 0x2D), Register(0, 0x2E)},
    {Register(0, 0x22), Register(0, 0x2F), Register(0, 0x30)},
    {Register(0, 0x23), Register(0, 0x31), Register(0, 0x32)},
    {Register(0, 0x24), Register(0, 0x33), Register(0, 0x34)},
    {Register(0, 0x25), Register(0, 0x35), Register(0, 0x36)},
    {Register(0, 0x26), Register(0, 0x37), Register(0, 0x38)},
    {Register(5, 0x50), Register(5, 0x54), Register(5, 0x55)},
    {Register(5, 0x51), Register(5, 0x56), Register(5, 0x57)},
    {Register(5, 0x52), Register(5, 0x58), Register(5, 0x59)},
};

// Temperature inputs, by reading register: whole degrees and, where the input has one, a
// half-degree byte, for the reading, the high limit and the low (hysteresis) limit. The bank is
// the input's own, which the caller names: 0x50 answers in bank 1 for the CPU and in bank 2 for
// the auxiliary input.
inline constexpr uint8_t NO_REGISTER = 0;
struct STemperatureInput {
    uint8_t whole, half, highWhole, highHalf, lowWhole, lowHalf;
};
inline constexpr STemperatureInput TEMPERATURE_INPUTS[] = {
    {0x27, NO_REGISTER, 0x39, NO_REGISTER, 0x3A, NO_REGISTER},
    {0x50, 0x51, 0x55, 0x56, 0x53, 0x54},
};
// The half-degree byte written for a limit with a half degree.
inline constexpr uint8_t HALF_DEGREE = 0x80;

// Fan inputs, by count register: count, limit count, and the divisor code's bits 1..0 and bit 2.
struct SFanInput {
    SChipField count, limit, divisorLow, divisorHigh;
};
inline constexpr SFanInput FAN_INPUTS[] = {
    {Register(0, 0x28), Register(0, 0x3B), Bits(0, 0x47, 4, 2), Bit(0, 0x5D, 5)},
    {Register(0, 0x29), Register(0, 0x3C), Bits(0, 0x47, 6, 2), Bit(0, 0x5D, 6)},
    {Register(0, 0x2A), Register(0, 0x3D), Bits(0, 0x4B, 6, 2), Bit(0, 0x5D, 7)},
    {Register(0, 0x3F), Register(0, 0x3E), Bits(0, 0x59, 0, 2), Bit(0, 0x4C, 7)},
    {Register(5, 0x53), Register(5, 0x5C), Bits(0, 0x59, 2, 2), Bit(0, 0x59, 7)},
};

// The chip's own fan-speed control, in bank 0, by fan count register; AUXFAN1 (0x53) has none.
// A field has the same width for every fan. The target's bit 7 is written as 0.
inline constexpr uint8_t FAN_CONTROL_BANK = 0;
struct SFanControl {
    uint8_t pin;
    SChipField duty, mode, outputType, target, tolerance, stopValue, startValue, controlFlag;
};
inline constexpr SFanControl FAN_CONTROLS[] = {
    {0x28, Register(0, 0x01), Bits(0, 0x04, 2, 2), Bit(0, 0x04, 0), OwnRegister(0, 0x05, 7),
     Bits(0, 0x07, 0, 4), Register(0, 0x08), Register(0, 0x0A), Bit(0, 0x12, 5)},
    {0x29, Register(0, 0x03), Bits(0, 0x04, 4, 2), Bit(0, 0x04, 1), OwnRegister(0, 0x06, 7),
     Bits(0, 0x07, 4, 4), Register(0, 0x09), Register(0, 0x0B), Bit(0, 0x12, 4)},
    {0x2A, Register(0, 0x11), Bits(0, 0x12, 1, 2), Bit(0, 0x12, 0), OwnRegister(0, 0x13, 7),
     Bits(0, 0x14, 0, 4), Register(0, 0x15), Register(0, 0x16), Bit(0, 0x12, 3)},
    // CPUFAN1's tolerance has bits 3..0 of 0x62 to itself; bits 7..4 of 0x07 are CPUFAN0's.
    {0x3F, Register(0, 0x61), Bits(0, 0x62, 4, 2), Bit(0, 0x62, 6), OwnRegister(0, 0x63, 7),
     Bits(0, 0x62, 0, 4), Register(0, 0x64), Register(0, 0x65), Bit(0, 0x12, 6)},
};
// The register of the control flags, read whole before the fan is looked up.
inline constexpr SChipField FAN_CONTROL_FLAGS = Register(0, 0x12);

// SMI masks, beep masks and real-time status, in the order of the chip layer's mask arrays.
inline constexpr SChipField SMI_MASKS[4] = {Register(0, 0x43), Register(0, 0x44), Register(0, 0x46),
                                            Register(4, 0x51)};
inline constexpr SChipField BEEP_MASKS[4] = {Register(0, 0x56), Register(0, 0x57),
                                             Register(4, 0x53), Register(0, 0x4E)};
// What of the fourth beep mask reaches 0x4E: bits 5..4, with the bank bits kept and every other
// bit cleared.
inline constexpr SChipField BANK_SELECT_BEEP_BITS{0, 0x4E, 4, 2, 0x07};
inline constexpr SChipField GLOBAL_BEEP = Bit(0, 0x57, 7);
inline constexpr SChipField REALTIME_STATUS[3] = {Register(4, 0x59), Register(4, 0x5A),
                                                  Register(4, 0x5B)};

// Each input's beep bit and real-time status bit, by reading register and, for 0x50, bank
// (0: any other bank).
struct SAlarmBits {
    uint8_t pin;
    uint8_t bank;
    SChipField beep, status;
};
inline constexpr SAlarmBits ALARM_BITS[] = {
    {0x20, 0, Bit(0, 0x56, 0), Bit(4, 0x59, 0)}, {0x21, 0, Bit(0, 0x56, 1), Bit(4, 0x59, 1)},
    {0x22, 0, Bit(0, 0x56, 2), Bit(4, 0x59, 2)}, {0x23, 0, Bit(0, 0x56, 3), Bit(4, 0x59, 3)},
    {0x24, 0, Bit(0, 0x57, 0), Bit(4, 0x5A, 0)}, {0x25, 0, Bit(0, 0x57, 1), Bit(4, 0x5B, 5)},
    {0x26, 0, Bit(0, 0x57, 2), Bit(4, 0x5B, 4)}, {0x27, 0, Bit(0, 0x56, 4), Bit(4, 0x59, 4)},
    {0x28, 0, Bit(0, 0x56, 6), Bit(4, 0x59, 6)}, {0x29, 0, Bit(0, 0x56, 7), Bit(4, 0x59, 7)},
    {0x2A, 0, Bit(0, 0x57, 3), Bit(4, 0x5A, 3)}, {0x3F, 0, Bit(0, 0x4E, 4), Bit(4, 0x5A, 2)},
    {0x50, 1, Bit(0, 0x56, 5), Bit(4, 0x59, 5)}, {0x50, 2, Bit(0, 0x57, 5), Bit(4, 0x5A, 5)},
    {0x50, 0, Bit(4, 0x53, 0), Bit(4, 0x5B, 0)}, {0x51, 0, Bit(4, 0x53, 1), Bit(4, 0x5B, 1)},
    {0x52, 0, Bit(4, 0x53, 3), Bit(4, 0x5B, 3)}, {0x53, 0, Bit(0, 0x4E, 5), Bit(4, 0x5B, 7)},
};

// Set-up writes made when monitoring starts.
inline constexpr SChipField SETUP_REGISTER_0E = Register(0, 0x0E);
inline constexpr SChipField SETUP_BANK4_REGISTER_53_BIT5 = Bit(4, 0x53, 5);
inline constexpr SChipField SETUP_REGISTER_47_BIT0 = Bit(0, 0x47, 0);

// The row of an input; null when the register is not such an input.
const SVoltageInput* FindVoltageInput(uint8_t pin);
const STemperatureInput* FindTemperatureInput(uint8_t pin);
const SFanInput* FindFanInput(uint8_t pin);
const SFanControl* FindFanControl(uint8_t pin);
const SAlarmBits* FindAlarmBits(uint8_t pin, uint8_t bank);

}  // namespace ehf
