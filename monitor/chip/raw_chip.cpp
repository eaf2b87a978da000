#include "raw_chip.h"

#include "monitor_setup.h"

int CRawChip::ReadVoltage(uint8_t pin, double* volts, double factor, bool negative) {
    return m_chip.ReadVoltage(pin, volts, factor, negative);
}

int CRawChip::ReadVoltageLimits(uint8_t pin, double* high, double* low, double factor,
                                bool negative) {
    return m_chip.ReadVoltageLimits(pin, high, low, factor, negative);
}

int CRawChip::SetVoltageLimits(uint8_t pin, double high, double low, double factor, bool negative) {
    return m_chip.SetVoltageLimits(pin, high, low, factor, negative);
}

int CRawChip::ReadTemperature(uint8_t pin, double* celsius, uint8_t bank) {
    return m_chip.ReadTemperature(pin, celsius, bank);
}

int CRawChip::ReadTemperatureLimits(uint8_t pin, double* high, double* low, uint8_t bank) {
    return m_chip.ReadTemperatureLimits(pin, high, low, bank);
}

int CRawChip::SetTemperatureLimits(uint8_t pin, double high, double low, uint8_t bank) {
    return m_chip.SetTemperatureLimits(pin, high, low, bank);
}

int CRawChip::ReadFanSpeed(uint8_t pin, int* rpm) {
    return m_chip.ReadFanSpeed(pin, rpm);
}

int CRawChip::ReadFanLimit(uint8_t pin, int* rpm) {
    return m_chip.ReadFanLimit(pin, rpm);
}

int CRawChip::SetFanLimit(uint8_t pin, int rpm) {
    return m_chip.SetFanLimit(pin, rpm);
}

int CRawChip::ClearFanLimit(uint8_t pin) {
    constexpr uint8_t SLOWEST_COUNT = 255;
    return m_chip.WriteFanLimitCount(pin, SLOWEST_COUNT);
}

int CRawChip::ReadRealTimeStatus(uint8_t s[3]) {
    return m_chip.ReadRealTimeStatus(s);
}

int CRawChip::ReadBeepMasks(uint8_t b[4]) {
    return m_chip.ReadBeepMasks(b);
}

int CRawChip::WriteBeepMasks(const uint8_t b[4]) {
    return m_chip.WriteBeepMasks(b);
}

int CRawChip::SetGlobalBeep(bool on) {
    return m_chip.SetGlobalBeep(on);
}

int CRawChip::ReadSmiMasks(uint8_t m[4]) {
    return m_chip.ReadSmiMasks(m);
}

int CRawChip::WriteSmiMasks(const uint8_t m[4]) {
    return m_chip.WriteSmiMasks(m);
}

int CRawChip::MaskMoreSmiSources() {
    return ::MaskMoreSmiSources(m_chip);
}

int CRawChip::MakeSetupWrites() {
    return ::MakeSetupWrites(m_chip);
}

int CRawChip::WriteSmartFanMode(uint8_t pin, bool on) {
    return ::WriteSmartFanMode(m_chip, pin, on);
}

int CRawChip::SetFanTarget(uint8_t pin, uint8_t celsius) {
    return m_chip.SetFanTarget(pin, celsius);
}

int CRawChip::SetFanTolerance(uint8_t pin, uint8_t celsius) {
    return m_chip.SetFanTolerance(pin, celsius);
}

int CRawChip::SetFanStartValue(uint8_t pin, uint8_t duty) {
    return m_chip.SetFanStartValue(pin, duty);
}

int CRawChip::SetFanStopValue(uint8_t pin, uint8_t duty) {
    return m_chip.SetFanStopValue(pin, duty);
}

FanControlSnapshot CRawChip::CaptureFanControl(uint8_t pin) {
    return ::CaptureFanControl(m_chip, pin);
}
