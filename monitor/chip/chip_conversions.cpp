#include "chip_conversions.h"

#include <cmath>

namespace {
constexpr double NEGATIVE_OFFSET = 2.9000000000000004;
constexpr double NEGATIVE_SCALE = 5.142857142857143;

uint8_t ClampToByte(double v) {
    if (!(v > 0))
        return 0;  // also NaN
    if (v >= 255)
        return 255;
    return static_cast<uint8_t>(v);
}
}  // namespace

double VoltsFromCount(uint8_t raw, double factor, bool negative) {
    if (!negative)
        return raw * 0.008 / factor;
    return (raw * 16 * 0.001 - NEGATIVE_OFFSET) * NEGATIVE_SCALE / factor;
}

double LimitVoltsFromCount(uint8_t raw, double factor, bool negative) {
    if (!negative)
        return raw * 0.008 * (1 / factor);
    return (raw * 16 * 0.001 - NEGATIVE_OFFSET) * NEGATIVE_SCALE * (1 / factor);
}

uint8_t CountFromVolts(double volts, double factor, bool negative) {
    double x = volts * factor;
    double raw = negative ? (x / NEGATIVE_SCALE + NEGATIVE_OFFSET) / (16 * 0.001) : x * 125.0;
    return ClampToByte(std::trunc(raw));
}

uint8_t WholeDegrees(double celsius) {
    return ClampToByte(std::trunc(celsius));
}

double CelsiusFromBytes(uint8_t whole, uint8_t half) {
    return whole + (half != 0 ? 0.5 : 0.0);
}

int FanDivisor(uint8_t code) {
    return 1 << (code & 0x07);
}

int RpmFromCount(uint8_t count, int divisor) {
    return FAN_CLOCK / divisor / count;
}

uint8_t LimitCountFromRpm(int rpm, int divisor) {
    if (rpm < 0)
        return 255;  // below any speed: the slowest limit the register can hold
    int count = FAN_CLOCK / rpm / divisor;
    if (count > 255)
        return 255;
    if (count < 1)
        return 1;
    return static_cast<uint8_t>(count);
}

uint8_t DutyFromPercent(int percent) {
    int duty = percent * 256 / 100;
    if (duty > 255)
        return 255;
    if (duty < 0)
        return 0;
    return static_cast<uint8_t>(duty);
}

int PercentFromDuty(uint8_t duty) {
    return duty * 100 / 256 + 1;
}
