#pragma once
// Register map of the W83627EHF hardware monitor as the simulated board decodes it: which
// register holds each reading, limit, beep bit, status bit, divisor bit and fan-control field.
//
// Banking: bits 2..0 of 0x4E select one of eight banks for the window 0x50..0x5F; every other
// register (0x4E itself included) is the same in every bank.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace sim_ehf {

inline constexpr uint8_t REG_BANK_SELECT = 0x4E;
inline constexpr uint8_t BANK_BITS = 0x07;
inline constexpr uint8_t BANK_WINDOW_FIRST = 0x50;
inline constexpr uint8_t BANK_WINDOW_LAST = 0x5F;
inline constexpr int BANK_COUNT = 8;

// A register: bank and index. The bank only matters inside the window 0x50..0x5F.
struct SReg {
    uint8_t bank;
    uint8_t index;
};

struct SRegBit {
    SReg reg;
    uint8_t bit;
};

// A field of a bank-0 register: `width` bits starting at bit `shift`.
struct SField {
    uint8_t index;
    uint8_t shift;
    uint8_t width;
};

// Identification: 0x4F answers the vendor ID's high byte while bit 7 of 0x4E (HBACS) is set and
// its low byte while it is clear; 0x58 of bank 0 answers the chip ID. Both are read-only.
inline constexpr uint8_t REG_VENDOR_ID = 0x4F;
inline constexpr uint8_t HIGH_BYTE_ACCESS = 0x80;
inline constexpr uint8_t REG_CHIP_ID = 0x58;
inline constexpr uint16_t WINBOND_VENDOR_ID = 0x5CA3;
inline constexpr uint8_t W83627EHF_CHIP_ID = 0x88;

struct SChipIdentity {
    uint16_t vendor = WINBOND_VENDOR_ID;
    uint8_t chip = W83627EHF_CHIP_ID;
};

inline constexpr bool IsBanked(uint8_t index) {
    return index >= BANK_WINDOW_FIRST && index <= BANK_WINDOW_LAST;
}

enum class EInputKind : uint8_t { Voltage, Temperature, Fan };

inline constexpr int VOLTAGE_COUNT = 10;
inline constexpr int TEMPERATURE_COUNT = 3;
inline constexpr int FAN_COUNT = 5;
inline constexpr int CONTROLLED_FAN_COUNT = 4;  // AUXFAN1 has no fan-control registers
inline constexpr int PIN_COUNT = 18;

// One chip input as the monitor names it, with its beep-mask and real-time status bits.
struct SPinInfo {
    std::string_view name;
    EInputKind kind;
    uint8_t kindIndex;  // row in the table of its kind below
    SRegBit beep;
    SRegBit status;
};

// Beep masks: 0x56, 0x57, bank 4 0x53, and bits 4-5 of 0x4E. Status: bank 4 0x59..0x5B.
inline constexpr SReg BEEP0{0, 0x56};
inline constexpr SReg BEEP1{0, 0x57};
inline constexpr SReg BEEP2{4, 0x53};
inline constexpr SReg BEEP3{0, REG_BANK_SELECT};
inline constexpr SReg STATUS0{4, 0x59};
inline constexpr SReg STATUS1{4, 0x5A};
inline constexpr SReg STATUS2{4, 0x5B};
inline constexpr SRegBit GLOBAL_BEEP{{0, 0x57}, 7};

// SMI mask registers in the order the monitor saves them.
inline constexpr std::array<SReg, 4> SMI_MASKS{{{0, 0x43}, {0, 0x44}, {0, 0x46}, {4, 0x51}}};

// In pin-table order.
inline constexpr std::array<SPinInfo, PIN_COUNT> PINS{{
    {"VCORE", EInputKind::Voltage, 0, {BEEP0, 0}, {STATUS0, 0}},
    {"VIN0", EInputKind::Voltage, 1, {BEEP0, 1}, {STATUS0, 1}},
    {"VAVCC", EInputKind::Voltage, 2, {BEEP0, 2}, {STATUS0, 2}},
    {"V3VCC", EInputKind::Voltage, 3, {BEEP0, 3}, {STATUS0, 3}},
    {"VIN1", EInputKind::Voltage, 4, {BEEP1, 0}, {STATUS1, 0}},
    {"VIN2", EInputKind::Voltage, 5, {BEEP1, 1}, {STATUS2, 5}},
    {"VIN3", EInputKind::Voltage, 6, {BEEP1, 2}, {STATUS2, 4}},
    {"VSB", EInputKind::Voltage, 7, {BEEP2, 0}, {STATUS2, 0}},
    {"VBAT", EInputKind::Voltage, 8, {BEEP2, 1}, {STATUS2, 1}},
    {"VIN4", EInputKind::Voltage, 9, {BEEP2, 3}, {STATUS2, 3}},
    {"CPUTEMPERATURE", EInputKind::Temperature, 0, {BEEP0, 5}, {STATUS0, 5}},
    {"AUXTEMPERATURE", EInputKind::Temperature, 1, {BEEP1, 5}, {STATUS1, 5}},
    {"SYSTEMPERATURE", EInputKind::Temperature, 2, {BEEP0, 4}, {STATUS0, 4}},
    {"SYSFAN", EInputKind::Fan, 0, {BEEP0, 6}, {STATUS0, 6}},
    {"CPUFAN0", EInputKind::Fan, 1, {BEEP0, 7}, {STATUS0, 7}},
    {"AUXFAN0", EInputKind::Fan, 2, {BEEP1, 3}, {STATUS1, 3}},
    {"CPUFAN1", EInputKind::Fan, 3, {BEEP3, 4}, {STATUS1, 2}},
    {"AUXFAN1", EInputKind::Fan, 4, {BEEP3, 5}, {STATUS2, 7}},
}};

// Index into PINS of a pin name (exact, case-sensitive), or nothing.
std::optional<int> FindPin(std::string_view name);
// Index into PINS of the input of a kind.
int PinOf(EInputKind kind, int kindIndex);

struct SVoltageRegs {
    SReg value;
    SReg high;
    SReg low;
};

inline constexpr std::array<SVoltageRegs, VOLTAGE_COUNT> VOLTAGES{{
    {{0, 0x20}, {0, 0x2B}, {0, 0x2C}},
    {{0, 0x21}, {0, 0x2D}, {0, 0x2E}},
    {{0, 0x22}, {0, 0x2F}, {0, 0x30}},
    {{0, 0x23}, {0, 0x31}, {0, 0x32}},
    {{0, 0x24}, {0, 0x33}, {0, 0x34}},
    {{0, 0x25}, {0, 0x35}, {0, 0x36}},
    {{0, 0x26}, {0, 0x37}, {0, 0x38}},
    {{5, 0x50}, {5, 0x54}, {5, 0x55}},
    {{5, 0x51}, {5, 0x56}, {5, 0x57}},
    {{5, 0x52}, {5, 0x58}, {5, 0x59}},
}};

// Temperatures: whole degrees plus, for the 0x50 sensors, a half-degree byte (bit 7 = 0.5).
struct STemperatureRegs {
    bool hasHalf;
    SReg value;
    SReg half;
    SReg high;
    SReg highHalf;
    SReg hyst;
    SReg hystHalf;
};

inline constexpr std::array<STemperatureRegs, TEMPERATURE_COUNT> TEMPERATURES{{
    {true, {1, 0x50}, {1, 0x51}, {1, 0x55}, {1, 0x56}, {1, 0x53}, {1, 0x54}},
    {true, {2, 0x50}, {2, 0x51}, {2, 0x55}, {2, 0x56}, {2, 0x53}, {2, 0x54}},
    {false, {0, 0x27}, {0, 0x27}, {0, 0x39}, {0, 0x39}, {0, 0x3A}, {0, 0x3A}},
}};

inline constexpr uint8_t HALF_DEGREE_BIT = 0x80;

struct SFanRegs {
    SReg count;
    SReg limit;
    std::array<SRegBit, 3> divisorBits;  // bit 0, 1, 2 of the divisor code
};

inline constexpr std::array<SFanRegs, FAN_COUNT> FANS{{
    {{0, 0x28}, {0, 0x3B}, {{{{0, 0x47}, 4}, {{0, 0x47}, 5}, {{0, 0x5D}, 5}}}},
    {{0, 0x29}, {0, 0x3C}, {{{{0, 0x47}, 6}, {{0, 0x47}, 7}, {{0, 0x5D}, 6}}}},
    {{0, 0x2A}, {0, 0x3D}, {{{{0, 0x4B}, 6}, {{0, 0x4B}, 7}, {{0, 0x5D}, 7}}}},
    {{0, 0x3F}, {0, 0x3E}, {{{{0, 0x59}, 0}, {{0, 0x59}, 1}, {{0, 0x4C}, 7}}}},
    {{5, 0x53}, {5, 0x5C}, {{{{0, 0x59}, 2}, {{0, 0x59}, 3}, {{0, 0x59}, 7}}}},
}};

// Fan-control registers (bank 0) of the four controlled fans. 0x07 holds SYSFAN's and CPUFAN0's
// tolerances; CPUFAN1's lives beside its mode and output type in 0x62.
struct SFanControlRegs {
    uint8_t duty;
    SField mode;
    SField outputType;
    uint8_t target;  // bits 6..0
    SField tolerance;
    uint8_t stop;
    uint8_t start;
    SField flag;
    uint8_t followsTemperature;  // TEMPERATURES row that its automatic control watches
};

inline constexpr std::array<SFanControlRegs, CONTROLLED_FAN_COUNT> FAN_CONTROLS{{
    {0x01, {0x04, 2, 2}, {0x04, 0, 1}, 0x05, {0x07, 0, 4}, 0x08, 0x0A, {0x12, 5, 1}, 2},
    {0x03, {0x04, 4, 2}, {0x04, 1, 1}, 0x06, {0x07, 4, 4}, 0x09, 0x0B, {0x12, 4, 1}, 0},
    {0x11, {0x12, 1, 2}, {0x12, 0, 1}, 0x13, {0x14, 0, 4}, 0x15, 0x16, {0x12, 3, 1}, 1},
    {0x61, {0x62, 4, 2}, {0x62, 6, 1}, 0x63, {0x62, 0, 4}, 0x64, 0x65, {0x12, 6, 1}, 0},
}};

inline constexpr uint8_t FAN_MODE_MANUAL = 0;
inline constexpr uint8_t FAN_MODE_THERMAL_CRUISE = 1;
inline constexpr uint8_t FAN_TARGET_MASK = 0x7F;

}  // namespace sim_ehf
