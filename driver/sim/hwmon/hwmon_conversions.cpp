#include "hwmon_conversions.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <limits>

namespace sim_hwmon {

namespace {

constexpr unsigned FAN_CLOCK = 1350000U;
constexpr uint8_t FAN_COUNT_OFF = 255;
constexpr uint8_t MAX_DIVISOR_CODE = 7;

}  // namespace

long DivRoundClosest(long value, long divisor) {
    return value >= 0 ? (value + divisor / 2) / divisor : (value - divisor / 2) / divisor;
}

long InFromReg(uint8_t reg, int channel) {
    return DivRoundClosest(static_cast<long>(reg) * SCALE_IN[channel], 100);
}

uint8_t InToReg(long val, int channel) {
    // Unsigned 32-bit arithmetic throughout, wrap-around included, as in the kernel.
    const uint32_t scale = SCALE_IN[channel];
    const uint32_t scaled = static_cast<uint32_t>(val) * 100U;
    return static_cast<uint8_t>(std::min<uint32_t>((scaled + scale / 2) / scale, 255U));
}

long TempFromReg(uint16_t reg) {
    return static_cast<long>(static_cast<int16_t>(reg) / 128) * 500;
}

uint16_t TempToReg(long millidegrees) {
    int t = static_cast<int>(std::clamp(millidegrees, TEMP_MIN, TEMP_MAX));
    t += t < 0 ? -250 : 250;
    return static_cast<uint16_t>((t / 500) * 128);
}

unsigned FanFromReg8(uint16_t reg, unsigned divisorCode) {
    if (reg == 0 || reg == FAN_COUNT_OFF)
        return 0;
    return FAN_CLOCK / (static_cast<unsigned>(reg) << divisorCode);
}

SFanMin FanMinToReg(unsigned long rpm, uint8_t currentDivisorCode) {
    if (rpm == 0)
        return {FAN_COUNT_OFF, currentDivisorCode};
    unsigned long reg = FAN_CLOCK / rpm;
    // Slower than the largest divisor can count: the slowest it can.
    if (reg >= 128 * 255)
        return {254, MAX_DIVISOR_CODE};
    // Faster than the smallest divisor can count: the fastest it can.
    if (reg == 0)
        return {1, 0};
    uint8_t code = 0;
    while (reg > 192 && code < MAX_DIVISOR_CODE) {
        reg >>= 1;
        ++code;
    }
    return {static_cast<uint8_t>(reg), code};
}

int ParseKernelLong(std::string_view text, bool allowNegative, long* out) {
    if (text.ends_with('\n'))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        if (negative && !allowNegative)
            return EINVAL;
        text.remove_prefix(1);
    }
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return EINVAL;
    unsigned long magnitude = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, 10);
    if (end != text.data() + text.size())
        return EINVAL;
    if (ec == std::errc::result_out_of_range)
        return ERANGE;
    const unsigned long limit =
        allowNegative
            ? static_cast<unsigned long>(std::numeric_limits<long>::max()) + (negative ? 1 : 0)
            : std::numeric_limits<unsigned long>::max();
    if (magnitude > limit)
        return ERANGE;
    if (negative) {
        *out = static_cast<long>(0UL - magnitude);
    } else {
        // An unsigned value beyond LONG_MAX clamps like LONG_MAX in every store that takes one.
        *out = static_cast<long>(std::min<unsigned long>(
            magnitude, static_cast<unsigned long>(std::numeric_limits<long>::max())));
    }
    return 0;
}

}  // namespace sim_hwmon
