#pragma once
// The one formatter for the program's fixed-point texts. The system's texts round halves away
// from zero ("%3.0f" of 44.5 is " 45"); glibc's printf rounds exact ties to even, so printf is
// not used for them directly.

#include <string>

// Like printf("%*.*f", width, precision, value), but an exact tie rounds away from zero.
std::string FormatFixed(double value, int width, int precision);
