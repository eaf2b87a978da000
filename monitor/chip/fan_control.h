#pragma once
// FanPilot register sequences over a chip object and a fan pin: switching the chip's automatic
// fan control on or off, and capturing the fan-control values a fan had when monitoring began.

#include <cstdint>

#include "w83627ehf.h"

// The chip's fan-control values of one fan, percents as the duty conversion gives them.
struct FanControlSnapshot {
    bool automatic = false;  // fan mode 1
    uint8_t target = 0;
    uint8_t tolerance = 0;
    int startPercent = 0;
    int stopPercent = 0;
};

// On: mode 1, output type 0, control flag set. Off: mode 0, output type 0, duty 255 (manual at
// full duty). Stops at the first result below 1 and returns it; else the last write's result.
int WriteSmartFanMode(CW83627EHF& chip, uint8_t pin, bool on);

// Reads mode, target, tolerance, start and stop value in that order. A failed read leaves its
// value 0; the reads are not checked.
FanControlSnapshot CaptureFanControl(CW83627EHF& chip, uint8_t pin);
