#pragma once
// The chip's unit conversions, as small pure functions.

#include <cstdint>

// 8 mV per count; negative rails go through the chip's negative-input formula. Both are then
// divided by the board's divider factor.
double VoltsFromCount(uint8_t raw, double factor, bool negative);
// Limits use the reading's encoding, multiplied by 1/factor.
double LimitVoltsFromCount(uint8_t raw, double factor, bool negative);
// The inverse of the reading conversion, truncated toward zero, clamped to what the 8-bit
// register can hold.
uint8_t CountFromVolts(double volts, double factor, bool negative);

// Whole degrees truncated toward zero and clamped to 0..255.
uint8_t WholeDegrees(double celsius);
double CelsiusFromBytes(uint8_t whole, uint8_t half);

inline constexpr int FAN_CLOCK = 1350000;
int FanDivisor(uint8_t code);
// rpm = 1350000 / divisor / count, integer division in that order; count must be nonzero.
int RpmFromCount(uint8_t count, int divisor);
// The limit count for rpm (nonzero), clamped to 1..255: a count past 255 would wrap in the
// 8-bit register and turn a low limit into a high one.
uint8_t LimitCountFromRpm(int rpm, int divisor);

// FanPilot duties: percent to duty byte (100 % is 255) and back (a duty of 0 reads as 1 %).
uint8_t DutyFromPercent(int percent);
int PercentFromDuty(uint8_t duty);
