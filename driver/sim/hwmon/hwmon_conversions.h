#pragma once
// The kernel hwmon driver's conversions for the W83627EHF, between register contents and the
// sysfs units (millivolts, millidegrees Celsius, rpm), with its own rounding and clamps, so the
// simulated driver shows and stores exactly what the kernel's does.

#include <array>
#include <cstdint>
#include <string_view>

namespace sim_hwmon {

inline constexpr int IN_COUNT = 10;
inline constexpr int FAN_COUNT = 5;
inline constexpr int TEMP_COUNT = 3;
inline constexpr int PWM_COUNT = 4;

// 8 mV a count, times 100, doubled for the inputs the chip scales down inside (in2 AVCC,
// in3 3VCC, in7 VSB, in8 VBAT).
inline constexpr std::array<uint32_t, IN_COUNT> SCALE_IN{800, 800, 1600, 1600, 800,
                                                         800, 800, 1600, 1600, 800};

long InFromReg(uint8_t reg, int channel);
// val is taken as the kernel takes it: an unsigned 32-bit number.
uint8_t InToReg(long val, int channel);

// Temperatures as 16-bit left-aligned register values: whole degrees in the high byte, the half
// degree in bit 7 of the low byte. 8-bit registers are read into the high byte.
inline constexpr long TEMP_MIN = -55000;
inline constexpr long TEMP_MAX = 125000;
long TempFromReg(uint16_t reg);
// Nearest half degree within TEMP_MIN..TEMP_MAX; an 8-bit register then keeps the high byte.
uint16_t TempToReg(long millidegrees);

// Fans: 1350000 / (count << divisor code); 0 for the counts 0 and 255.
unsigned FanFromReg8(uint16_t reg, unsigned divisorCode);

// The kernel's choice for a new fan minimum: the limit count and the divisor code, picking the
// divisor that puts the count in 96..192; 0 disables the limit (count 255, divisor kept).
struct SFanMin {
    uint8_t count;
    uint8_t divisorCode;
};
SFanMin FanMinToReg(unsigned long rpm, uint8_t currentDivisorCode);

// DIV_ROUND_CLOSEST for a signed value and a positive divisor: halves away from zero.
long DivRoundClosest(long value, long divisor);

// kstrtol / kstrtoul: optional sign ('-' only when signed), decimal digits, one optional
// trailing newline. 0 with *out set, else EINVAL or ERANGE.
int ParseKernelLong(std::string_view text, bool allowNegative, long* out);

}  // namespace sim_hwmon
