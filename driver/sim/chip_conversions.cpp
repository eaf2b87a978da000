#include "chip_conversions.h"

#include <algorithm>
#include <cmath>

namespace sim_ehf {

double PinVolts(double volts, double divider, bool negative) {
    const double scaled = volts * divider;
    if (!negative)
        return scaled;
    // Inverse of the negative reading formula, expressed at the pin (8 mV per count).
    return (scaled / NEGATIVE_SCALE + NEGATIVE_OFFSET) / NEGATIVE_VOLTS_PER_COUNT * VOLTS_PER_COUNT;
}

double ExactVoltageCount(double volts, double divider, bool negative) {
    return PinVolts(volts, divider, negative) / VOLTS_PER_COUNT;
}

bool VoltageMeasurable(double volts, double divider, bool negative) {
    const double count = ExactVoltageCount(volts, divider, negative);
    return std::isfinite(count) && count >= -0.5 && count < 255.5;
}

uint8_t VoltageCountFromPin(double pinVolts) {
    const double count = std::round(pinVolts / VOLTS_PER_COUNT);
    if (!(count > 0))
        return 0;
    return static_cast<uint8_t>(std::min(count, 255.0));
}

uint8_t VoltageCount(double volts, double divider, bool negative) {
    return VoltageCountFromPin(PinVolts(volts, divider, negative));
}

double VoltsFromCount(uint8_t count, double divider, bool negative) {
    if (!negative)
        return count * VOLTS_PER_COUNT / divider;
    return (count * NEGATIVE_VOLTS_PER_COUNT - NEGATIVE_OFFSET) * NEGATIVE_SCALE / divider;
}

STemperatureBytes TemperatureBytes(double celsius) {
    const double clamped = std::clamp(celsius, TEMPERATURE_MIN, TEMPERATURE_MAX);
    const int halves = static_cast<int>(std::floor(clamped * 2.0));
    // Arithmetic shift floors, so -0.5 is whole -1 plus a half: the chip's 9-bit format.
    const int whole = halves >> 1;
    return {static_cast<uint8_t>(whole & 0xFF), static_cast<uint8_t>((halves & 1) ? 0x80 : 0)};
}

int TemperatureHalfUnits(STemperatureBytes bytes) {
    return static_cast<int8_t>(bytes.whole) * 2 + ((bytes.half & 0x80) ? 1 : 0);
}

double CelsiusFromBytes(STemperatureBytes bytes) {
    return TemperatureHalfUnits(bytes) / 2.0;
}

int FanDivisor(uint8_t code) {
    return 1 << (code & 0x07);
}

uint8_t FanCount(double rpm, int divisor) {
    if (!(rpm > 0) || divisor <= 0)
        return FAN_COUNT_STALLED;
    const double count = std::round(FAN_CLOCK / (rpm * divisor));
    if (count >= FAN_COUNT_STALLED)
        return FAN_COUNT_STALLED;
    return static_cast<uint8_t>(std::max(count, 1.0));
}

double FanMaxRpm(int divisor) {
    return FAN_CLOCK / divisor;
}

int FanRpmFromCount(uint8_t count, int divisor) {
    if (count == 0 || count == FAN_COUNT_STALLED)
        return 0;
    return 1350000 / divisor / count;
}

uint8_t FanLimitCount(double rpm, int divisor) {
    if (!(rpm >= 1))
        return FAN_COUNT_STALLED;
    const long count = 1350000L / static_cast<long>(rpm) / divisor;
    return static_cast<uint8_t>(std::clamp(count, 1L, 255L));
}

uint8_t DutyFromPercent(int percent) {
    return static_cast<uint8_t>(std::clamp(percent * 256 / 100, 0, 255));
}

int PercentFromDuty(uint8_t duty) {
    return duty * 100 / 256 + 1;
}

}  // namespace sim_ehf
