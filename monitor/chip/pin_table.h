#pragma once
// The chip's pin table: each sensor input by its configuration name, with the register that
// holds its reading and the bank of that register.

#include <array>
#include <cstdint>
#include <string_view>

struct PinRecord {
    char name[32];     // ASCII, NUL-padded
    uint8_t value[2];  // little-endian: register, then bank
};
static_assert(sizeof(PinRecord) == 34);

inline constexpr size_t PIN_COUNT = 18;
extern const std::array<PinRecord, PIN_COUNT> PIN_TABLE;

inline constexpr uint8_t PinRegister(const PinRecord& r) {
    return r.value[0];
}
inline constexpr uint8_t PinBank(const PinRecord& r) {
    return r.value[1];
}

// Exact, case-sensitive match; nullptr when the name is not in the table.
const PinRecord* FindPin(std::string_view name);

// The pin sets the operations accept, by register: the inputs of the register map.
bool IsVoltagePin(uint8_t pin);
bool IsTemperaturePin(uint8_t pin);
bool IsFanPin(uint8_t pin);
