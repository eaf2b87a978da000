#pragma once
// The hwmon attributes a client may have vorn-iod write: the chip's limits and fan-control
// settings that the monitor uses, and nothing else. Names are bare attribute names, checked
// character by character, so no path, no dot and no NUL ever reaches the file system.

#include <string_view>

// in0..in9 _min/_max, temp1..temp3 _max/_max_hyst, fan1..fan5 _min, and pwm1..pwm4 with
// _enable, _mode, _target, _tolerance, _start_output, _stop_output.
bool IsAllowedHwmonAttribute(std::string_view name);

// An optional '-' and 1 to 11 decimal digits: what every allowed attribute takes.
bool IsHwmonDecimalValue(std::string_view value);
