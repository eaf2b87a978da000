// The chip's own fan-speed control registers.

#include "w83627ehf.h"

using namespace ehf;

// 1 with *control set for a controllable fan; 0 for a fan without control; -101 otherwise.
int CW83627EHF::FanControlPin(uint8_t pin, const SFanControl** control) {
    *control = FindFanControl(pin);
    if (*control != nullptr)
        return 1;
    if (FindFanInput(pin) != nullptr)
        return 0;
    return Reject(ERR_NOT_FAN_PIN);
}

int CW83627EHF::WriteFanField(uint8_t pin, uint8_t value, FanField field) {
    int r = SelectBank(FAN_CONTROL_BANK);
    if (r < 1)
        return r;
    // Every fan's field has the same width, so the value is checked before the pin.
    if (value > FieldMax(FAN_CONTROLS[0].*field))
        return 0;
    const SFanControl* control = nullptr;
    r = FanControlPin(pin, &control);
    if (r < 1)
        return r;
    return WriteField(control->*field, value);
}

int CW83627EHF::ReadFanField(uint8_t pin, uint8_t* value, FanField field) {
    int r = SelectBank(FAN_CONTROL_BANK);
    if (r < 1)
        return r;
    const SFanControl* control = nullptr;
    r = FanControlPin(pin, &control);
    if (r < 1)
        return r;
    return ReadField(control->*field, value);
}

int CW83627EHF::SetFanDuty(uint8_t pin, uint8_t duty) {
    return WriteFanField(pin, duty, &SFanControl::duty);
}
int CW83627EHF::ReadFanMode(uint8_t pin, uint8_t* mode) {
    return ReadFanField(pin, mode, &SFanControl::mode);
}
int CW83627EHF::SetFanMode(uint8_t pin, uint8_t mode) {
    return WriteFanField(pin, mode, &SFanControl::mode);
}
int CW83627EHF::SetFanOutputType(uint8_t pin, uint8_t type) {
    return WriteFanField(pin, type, &SFanControl::outputType);
}
int CW83627EHF::ReadFanTarget(uint8_t pin, uint8_t* target) {
    return ReadFanField(pin, target, &SFanControl::target);
}
int CW83627EHF::SetFanTarget(uint8_t pin, uint8_t target) {
    return WriteFanField(pin, target, &SFanControl::target);
}
int CW83627EHF::ReadFanTolerance(uint8_t pin, uint8_t* tolerance) {
    return ReadFanField(pin, tolerance, &SFanControl::tolerance);
}
int CW83627EHF::SetFanTolerance(uint8_t pin, uint8_t tolerance) {
    return WriteFanField(pin, tolerance, &SFanControl::tolerance);
}
int CW83627EHF::ReadFanStopValue(uint8_t pin, uint8_t* value) {
    return ReadFanField(pin, value, &SFanControl::stopValue);
}
int CW83627EHF::SetFanStopValue(uint8_t pin, uint8_t value) {
    return WriteFanField(pin, value, &SFanControl::stopValue);
}
int CW83627EHF::ReadFanStartValue(uint8_t pin, uint8_t* value) {
    return ReadFanField(pin, value, &SFanControl::startValue);
}
int CW83627EHF::SetFanStartValue(uint8_t pin, uint8_t value) {
    return WriteFanField(pin, value, &SFanControl::startValue);
}

// The flags register is read before the fan is looked up, even for a fan without control.
int CW83627EHF::SetFanControlFlag(uint8_t pin, bool on) {
    int r = SelectBank(FAN_CONTROL_BANK);
    if (r < 1)
        return r;
    uint8_t flags = 0;
    r = ReadField(FAN_CONTROL_FLAGS, &flags);
    if (r < 1)
        return r;
    const SFanControl* control = nullptr;
    r = FanControlPin(pin, &control);
    if (r < 1)
        return r;
    return WriteField(FAN_CONTROL_FLAGS, WithField(flags, control->controlFlag, on));
}
