#pragma once
// Limits, bounds and factors are kept as integers in thousandths in the board file and the
// registry. Reading multiplies by the single-precision constant 0.001 in double precision, so
// 12600 gives 12.6000006; writing truncates x * 1000 toward zero, giving the integer back.

#include <cstdint>

double FromThousandths(int32_t value);
// Saturates at the 32-bit range; NaN gives 0.
int32_t ToThousandths(double value);
