// The chip's own fan-speed control registers.

#include "w83627ehf.h"

using namespace ehf;

namespace {
uint8_t FieldMask(const Field& f) {
    return static_cast<uint8_t>(((1u << f.width) - 1) << f.shift);
}
}  // namespace

// 1 with *regs set for a controllable fan; 0 for the fan without control; -101 otherwise.
int CW83627EHF::FanControlPin(uint8_t pin, const FanControlRegisters** regs) {
    for (const FanControlRegisters& r : FAN_CONTROL) {
        if (r.pin == pin) {
            *regs = &r;
            return 1;
        }
    }
    if (pin == 0x53)
        return 0;
    return Reject(ERR_NOT_FAN_PIN);
}

int CW83627EHF::WriteFanField(uint8_t pin, uint8_t value, uint8_t maxValue, FanField field,
                              bool shared) {
    int r = SelectBank(0);
    if (r < 1)
        return r;
    if (value > maxValue)
        return 0;
    const FanControlRegisters* regs = nullptr;
    r = FanControlPin(pin, &regs);
    if (r < 1)
        return r;
    const Field& f = regs->*field;
    if (!shared)
        return WriteChipRegister(Port(), f.reg, value);
    uint8_t v = 0;
    r = ReadChipRegister(Port(), f.reg, &v);
    if (r < 1)
        return r;
    uint8_t mask = FieldMask(f);
    return WriteChipRegister(Port(), f.reg,
                             static_cast<uint8_t>((v & ~mask) | ((value << f.shift) & mask)));
}

int CW83627EHF::ReadFanField(uint8_t pin, uint8_t* value, FanField field) {
    int r = SelectBank(0);
    if (r < 1)
        return r;
    const FanControlRegisters* regs = nullptr;
    r = FanControlPin(pin, &regs);
    if (r < 1)
        return r;
    const Field& f = regs->*field;
    uint8_t v = 0;
    r = ReadChipRegister(Port(), f.reg, &v);
    if (r >= 1)
        *value = static_cast<uint8_t>((v & FieldMask(f)) >> f.shift);
    return r;
}

int CW83627EHF::SetFanDuty(uint8_t pin, uint8_t duty) {
    return WriteFanField(pin, duty, 255, &FanControlRegisters::duty, false);
}
int CW83627EHF::ReadFanMode(uint8_t pin, uint8_t* mode) {
    return ReadFanField(pin, mode, &FanControlRegisters::mode);
}
int CW83627EHF::SetFanMode(uint8_t pin, uint8_t mode) {
    return WriteFanField(pin, mode, 3, &FanControlRegisters::mode, true);
}
int CW83627EHF::SetFanOutputType(uint8_t pin, uint8_t type) {
    return WriteFanField(pin, type, 1, &FanControlRegisters::outputType, true);
}
int CW83627EHF::ReadFanTarget(uint8_t pin, uint8_t* target) {
    return ReadFanField(pin, target, &FanControlRegisters::target);
}
int CW83627EHF::SetFanTarget(uint8_t pin, uint8_t target) {
    return WriteFanField(pin, target, 127, &FanControlRegisters::target, false);
}
int CW83627EHF::ReadFanTolerance(uint8_t pin, uint8_t* tolerance) {
    return ReadFanField(pin, tolerance, &FanControlRegisters::tolerance);
}
int CW83627EHF::SetFanTolerance(uint8_t pin, uint8_t tolerance) {
    return WriteFanField(pin, tolerance, 15, &FanControlRegisters::tolerance, true);
}
int CW83627EHF::ReadFanStopValue(uint8_t pin, uint8_t* value) {
    return ReadFanField(pin, value, &FanControlRegisters::stopValue);
}
int CW83627EHF::SetFanStopValue(uint8_t pin, uint8_t value) {
    return WriteFanField(pin, value, 255, &FanControlRegisters::stopValue, false);
}
int CW83627EHF::ReadFanStartValue(uint8_t pin, uint8_t* value) {
    return ReadFanField(pin, value, &FanControlRegisters::startValue);
}
int CW83627EHF::SetFanStartValue(uint8_t pin, uint8_t value) {
    return WriteFanField(pin, value, 255, &FanControlRegisters::startValue, false);
}

int CW83627EHF::SetFanControlFlag(uint8_t pin, bool on) {
    int r = SelectBank(0);
    if (r < 1)
        return r;
    uint8_t v = 0;
    r = ReadChipRegister(Port(), FAN_CONTROL_FLAGS, &v);
    if (r < 1)
        return r;
    const FanControlRegisters* regs = nullptr;
    r = FanControlPin(pin, &regs);
    if (r < 1)
        return r;
    uint8_t mask = FieldMask(regs->controlFlag);
    return WriteChipRegister(Port(), FAN_CONTROL_FLAGS,
                             static_cast<uint8_t>(on ? (v | mask) : (v & ~mask)));
}
