#pragma once
// The W83627EHF register map used by the chip driver.

#include <cstdint>

namespace ehf {

// Voltage limits: high, then low, two registers per input.
inline constexpr uint8_t VoltageHighLimit(uint8_t pin) {
    return pin >= 0x50 ? 0x54 + 2 * (pin - 0x50) : 0x2B + 2 * (pin - 0x20);
}
inline constexpr uint8_t VoltageLowLimit(uint8_t pin) {
    return pin >= 0x50 ? 0x55 + 2 * (pin - 0x50) : 0x2C + 2 * (pin - 0x20);
}

// Temperature at 0x50 (banks 1 and 2): reading 0x50/0x51, high limit 0x55/0x56 and the low
// (hysteresis) limit 0x53/0x54, whole byte then half byte. Temperature at 0x27: 0x39 and 0x3A.
inline constexpr uint8_t TEMP_HALF = 0x51;
inline constexpr uint8_t TEMP_HIGH_WHOLE = 0x55, TEMP_HIGH_HALF = 0x56;
inline constexpr uint8_t TEMP_LOW_WHOLE = 0x53, TEMP_LOW_HALF = 0x54;
inline constexpr uint8_t SYSTEMP_HIGH = 0x39, SYSTEMP_LOW = 0x3A;
inline constexpr uint8_t HALF_DEGREE = 0x80;

struct RegisterBit {
    uint8_t reg;
    uint8_t bit;
};
struct FanDivisorBits {
    uint8_t pin;
    RegisterBit bit0, bit1, bit2;
};
inline constexpr FanDivisorBits FAN_DIVISOR_BITS[] = {
    {0x28, {0x47, 4}, {0x47, 5}, {0x5D, 5}}, {0x29, {0x47, 6}, {0x47, 7}, {0x5D, 6}},
    {0x2A, {0x4B, 6}, {0x4B, 7}, {0x5D, 7}}, {0x3F, {0x59, 0}, {0x59, 1}, {0x4C, 7}},
    {0x53, {0x59, 2}, {0x59, 3}, {0x59, 7}},
};

struct FanLimitRegister {
    uint8_t pin;
    uint8_t reg;
};
inline constexpr FanLimitRegister FAN_LIMIT_REGISTERS[] = {
    {0x28, 0x3B}, {0x29, 0x3C}, {0x2A, 0x3D}, {0x3F, 0x3E}, {0x53, 0x5C},
};

// SMI masks: three registers of bank 0 then one of bank 4.
inline constexpr uint8_t SMI_MASK_BANK0[] = {0x43, 0x44, 0x46};
inline constexpr uint8_t SMI_MASK_BANK4 = 0x51;

inline constexpr uint8_t BEEP_MASK_1 = 0x56;
inline constexpr uint8_t BEEP_MASK_2 = 0x57;  // bit 7: global beep
inline constexpr uint8_t BEEP_MASK_BANK4 = 0x53;
inline constexpr uint8_t BANK_SELECT_BEEP_BITS = 0x30;
inline constexpr uint8_t BANK_BITS = 0x07;
inline constexpr uint8_t GLOBAL_BEEP_BIT = 0x80;

inline constexpr uint8_t REALTIME_STATUS[] = {0x59, 0x5A, 0x5B};  // bank 4

inline constexpr uint8_t SETUP_REGISTER_0E = 0x0E;
inline constexpr uint8_t SETUP_REGISTER_47 = 0x47;
inline constexpr uint8_t SETUP_BANK4_REGISTER_53 = 0x53;

// One field of a fan-control register: `width` bits from `shift`.
struct Field {
    uint8_t reg;
    uint8_t shift;
    uint8_t width;
};
struct FanControlRegisters {
    uint8_t pin;
    Field duty, mode, outputType, target, tolerance, stopValue, startValue, controlFlag;
};
inline constexpr uint8_t FAN_CONTROL_FLAGS = 0x12;
inline constexpr FanControlRegisters FAN_CONTROL[] = {
    {0x28,
     {0x01, 0, 8},
     {0x04, 2, 2},
     {0x04, 0, 1},
     {0x05, 0, 7},
     {0x07, 0, 4},
     {0x08, 0, 8},
     {0x0A, 0, 8},
     {0x12, 5, 1}},
    {0x29,
     {0x03, 0, 8},
     {0x04, 4, 2},
     {0x04, 1, 1},
     {0x06, 0, 7},
     {0x07, 4, 4},
     {0x09, 0, 8},
     {0x0B, 0, 8},
     {0x12, 4, 1}},
    {0x2A,
     {0x11, 0, 8},
     {0x12, 1, 2},
     {0x12, 0, 1},
     {0x13, 0, 7},
     {0x14, 0, 4},
     {0x15, 0, 8},
     {0x16, 0, 8},
     {0x12, 3, 1}},
    {0x3F,
     {0x61, 0, 8},
     {0x62, 4, 2},
     {0x62, 6, 1},
     {0x63, 0, 7},
     {0x07, 4, 4},
     {0x64, 0, 8},
     {0x65, 0, 8},
     {0x12, 6, 1}},
};

}  // namespace ehf
