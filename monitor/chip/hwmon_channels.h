#pragma once
// Where the kernel's hwmon driver for the W83627EHF puts each pin: voltage inputs in0..in9,
// temperatures temp1..temp3, fans fan1..fan5 and the four fan outputs pwm1..pwm4. The kernel
// shows voltages in millivolts with some inputs already doubled (its own scaling of the chip's
// internal dividers), temperatures in millidegrees and fans in rpm.

#include <cstdint>
#include <string>

// The kernel's name of the chip's hwmon device.
inline constexpr const char* HWMON_CHIP_NAME = "w83627ehf";

// Channel numbers; -1 when the pin has no such channel.
int HwmonVoltageChannel(uint8_t pin);  // "inN": 0..9
// Millivolts per chip count of in`channel`: 8, or 16 where the kernel doubles the input.
int HwmonVoltageScale(int channel);
int HwmonTemperatureChannel(uint8_t pin, uint8_t bank);  // "tempN": 1..3
int HwmonFanChannel(uint8_t pin);                        // "fanN": 1..5
int HwmonPwmChannel(uint8_t pin);                        // "pwmN": 1..4; none for AUXFAN1

// "in3_min", "temp2_max_hyst", "pwm1_enable": the channel's attribute.
std::string HwmonAttribute(const char* kind, int channel, const char* what);
