#pragma once
// Conversions between what a board's inputs carry (volts, degrees Celsius, rpm) and the
// W83627EHF's register contents. Readings in the monitor use the same formulas backwards.

#include <cstdint>

namespace sim_ehf {

inline constexpr double VOLTS_PER_COUNT = 0.008;
// Negative rails reach the chip through an inverting network: rail volts =
// (count x 16 mV - 2.9) x 5.142857142857143, then divided by the input's divider.
inline constexpr double NEGATIVE_OFFSET = 2.9000000000000004;
inline constexpr double NEGATIVE_SCALE = 5.142857142857143;
inline constexpr double NEGATIVE_VOLTS_PER_COUNT = 16 * 0.001;
inline constexpr double FAN_CLOCK = 1350000.0;
inline constexpr uint8_t FAN_COUNT_STALLED = 255;

// Volts at the chip pin for an input of `volts` (the board's rail) through its divider.
double PinVolts(double volts, double divider, bool negative);
// Exact (unrounded) count of an input; outside [-0.5, 255.5) the input cannot be measured.
double ExactVoltageCount(double volts, double divider, bool negative);
bool VoltageMeasurable(double volts, double divider, bool negative);
// Count the chip's converter gives: nearest count, saturated at 0 and 255.
uint8_t VoltageCount(double volts, double divider, bool negative);
uint8_t VoltageCountFromPin(double pinVolts);
// Input volts that a count stands for (the monitor's reading formula).
double VoltsFromCount(uint8_t count, double divider, bool negative);

// Temperature registers: the whole byte is two's complement, the half byte has bit 7 for 0.5.
// The chip truncates to the half degree below.
struct STemperatureBytes {
    uint8_t whole;
    uint8_t half;
};
inline constexpr double TEMPERATURE_MIN = -128.0;
inline constexpr double TEMPERATURE_MAX = 127.5;
STemperatureBytes TemperatureBytes(double celsius);
// Half-degree units of a reading or limit (signed), the unit the chip compares in.
int TemperatureHalfUnits(STemperatureBytes bytes);
double CelsiusFromBytes(STemperatureBytes bytes);

// Fans: count = 1350000 / (rpm x divisor), nearest count; 255 when stalled or too slow to count;
// at least 1 for a turning fan.
int FanDivisor(uint8_t code);
uint8_t FanCount(double rpm, int divisor);
// Fastest speed a divisor can count (count 1).
double FanMaxRpm(int divisor);
// rpm of a count as the monitor computes it (integer division); 0 for 255 and for 0.
int FanRpmFromCount(uint8_t count, int divisor);
// Count written for an rpm limit (integer division, as the monitor does); 255 when too slow.
uint8_t FanLimitCount(double rpm, int divisor);

// Duty byte and percent of full duty, with the monitor's rounding.
uint8_t DutyFromPercent(int percent);
int PercentFromDuty(uint8_t duty);

}  // namespace sim_ehf
