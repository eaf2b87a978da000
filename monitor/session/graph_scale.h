#pragma once
// The vertical scale of a sensor's graph. It spans at least the item's limit band (a voltage's
// window, a temperature's ceiling, a fan's floor) or, without usable limits, a minimum span for
// its kind, so that one step of the chip's resolution is a small step on the graph and not a
// full-height square wave. The page's small graphs follow the same rule (history.js).

#include <cstdint>

struct SGraphScale {
    double low = 0;
    double high = 1;
};

// Smallest spans drawn: volts, °C, rpm.
constexpr double MIN_VOLT_SPAN = 1.0;
constexpr double MIN_TEMP_SPAN = 20.0;
constexpr double MIN_FAN_SPAN = 1000.0;

// `dataLow`..`dataHigh` the readings shown (dataLow > dataHigh when there are none); limits in
// the item's unit as the snapshot holds them. `type` is ITEM_VOLTAGE, ITEM_TEMPERATURE or
// ITEM_FAN.
SGraphScale GraphScale(int32_t type, double dataLow, double dataHigh, double loLimit,
                       double hiLimit);
