#include "fan_control.h"

#include "chip_conversions.h"

int WriteSmartFanMode(CW83627EHF& chip, uint8_t pin, bool on) {
    int r = chip.SetFanMode(pin, on ? 1 : 0);
    if (r < 1)
        return r;
    r = chip.SetFanOutputType(pin, 0);
    if (r < 1)
        return r;
    return on ? chip.SetFanControlFlag(pin, true) : chip.SetFanDuty(pin, 255);
}

FanControlSnapshot CaptureFanControl(CW83627EHF& chip, uint8_t pin) {
    FanControlSnapshot s;
    uint8_t mode = 0, target = 0, tolerance = 0, start = 0, stop = 0;
    chip.ReadFanMode(pin, &mode);
    chip.ReadFanTarget(pin, &target);
    chip.ReadFanTolerance(pin, &tolerance);
    chip.ReadFanStartValue(pin, &start);
    chip.ReadFanStopValue(pin, &stop);
    s.automatic = mode == 1;
    s.target = target;
    s.tolerance = tolerance;
    s.startPercent = PercentFromDuty(start);
    s.stopPercent = PercentFromDuty(stop);
    return s;
}
