#pragma once
// Readings and limits as the chip can tell them apart, for the faces that show numbers rather
// than texts (JSON, metrics): a float reading such as 1.351999935783449 is 1.352. Voltages come
// in 8 mV steps (thousandths of a volt hold every step after the dividers), temperatures in half
// degrees (tenths), fans as whole revolutions per minute.

#include <cstdint>

double AtChipResolution(int32_t itemType, double value);
