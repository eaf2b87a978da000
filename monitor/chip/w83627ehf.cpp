#include "w83627ehf.h"

#include <cmath>

#include "chip_conversions.h"
#include "pin_table.h"
#include "w83627ehf_registers.h"

using namespace ehf;

CW83627EHF::CW83627EHF(IPortIo& io) : CSensorChip(io) {
    // SelectBank reports its own failure; later calls simply try again.
    SelectBank(0);
}

int CW83627EHF::Reject(int code) {
    ReportChipError(code, "");
    return code;
}

int CW83627EHF::LookupPin(const std::string& name, uint8_t pinAndBank[2]) {
    const PinRecord* r = FindPin(name);
    if (!r)
        return ERR_PIN_NAME_UNKNOWN;
    pinAndBank[0] = PinRegister(*r);
    pinAndBank[1] = PinBank(*r);
    return 1;
}

int CW83627EHF::ReadRegisters(uint8_t bank, std::initializer_list<RegisterRead> reads) {
    int r = SelectBank(bank);
    for (auto it = reads.begin(); r >= 1 && it != reads.end(); ++it) {
        r = ReadChipRegister(Port(), it->reg, it->into);
    }
    return r;
}

int CW83627EHF::WriteRegisters(uint8_t bank, std::initializer_list<RegisterWrite> writes) {
    int r = SelectBank(bank);
    for (auto it = writes.begin(); r >= 1 && it != writes.end(); ++it) {
        r = WriteChipRegister(Port(), it->reg, it->value);
    }
    return r;
}

int CW83627EHF::UpdateBits(uint8_t reg, uint8_t mask, uint8_t bits) {
    uint8_t v = 0;
    int r = ReadChipRegister(Port(), reg, &v);
    if (r < 1)
        return r;
    return WriteChipRegister(Port(), reg, static_cast<uint8_t>((v & ~mask) | (bits & mask)));
}

int CW83627EHF::ReadBit(uint8_t reg, uint8_t bit, uint8_t* into, uint8_t weight) {
    uint8_t v = 0;
    int r = ReadChipRegister(Port(), reg, &v);
    if (r >= 1 && (v & (1u << bit)))
        *into |= weight;
    return r;
}

// ---- Voltages ----

int CW83627EHF::ReadVoltageRaw(uint8_t pin, uint8_t* raw) {
    if (!IsVoltagePin(pin))
        return Reject(ERR_NOT_VOLTAGE_PIN);
    return ReadRegisters(VoltageBank(pin), {{pin, raw}});
}

int CW83627EHF::ReadVoltage(uint8_t pin, double* volts, double factor, bool negative) {
    uint8_t raw = 0;
    int r = ReadVoltageRaw(pin, &raw);
    if (r >= 1)
        *volts = VoltsFromCount(raw, factor, negative);
    return r;
}

int CW83627EHF::ReadVoltageLimitsRaw(uint8_t pin, uint8_t* high, uint8_t* low) {
    if (!IsVoltagePin(pin))
        return Reject(ERR_NOT_VOLTAGE_PIN);
    return ReadRegisters(VoltageBank(pin),
                         {{VoltageHighLimit(pin), high}, {VoltageLowLimit(pin), low}});
}

int CW83627EHF::WriteVoltageLimitsRaw(uint8_t pin, uint8_t high, uint8_t low) {
    if (!IsVoltagePin(pin))
        return Reject(ERR_NOT_VOLTAGE_PIN);
    return WriteRegisters(VoltageBank(pin),
                          {{VoltageHighLimit(pin), high}, {VoltageLowLimit(pin), low}});
}

int CW83627EHF::ReadVoltageLimits(uint8_t pin, double* high, double* low, double factor,
                                  bool negative) {
    uint8_t rawHigh = 0, rawLow = 0;
    int r = ReadVoltageLimitsRaw(pin, &rawHigh, &rawLow);
    if (r >= 1) {
        *high = LimitVoltsFromCount(rawHigh, factor, negative);
        *low = LimitVoltsFromCount(rawLow, factor, negative);
    }
    return r;
}

int CW83627EHF::SetVoltageLimits(uint8_t pin, double high, double low, double factor,
                                 bool negative) {
    return WriteVoltageLimitsRaw(pin, CountFromVolts(high, factor, negative),
                                 CountFromVolts(low, factor, negative));
}

// ---- Temperatures ----

int CW83627EHF::ReadTemperatureRaw(uint8_t pin, uint8_t* whole, uint8_t* half, uint8_t bank) {
    if (!IsTemperaturePin(pin))
        return Reject(ERR_NOT_TEMP_PIN);
    if (pin == 0x27)
        return ReadRegisters(bank, {{pin, whole}});
    return ReadRegisters(bank, {{pin, whole}, {TEMP_HALF, half}});
}

int CW83627EHF::ReadTemperature(uint8_t pin, double* celsius, uint8_t bank) {
    uint8_t whole = 0, half = 0;
    int r = ReadTemperatureRaw(pin, &whole, &half, bank);
    if (r >= 1)
        *celsius = CelsiusFromBytes(whole, half);
    return r;
}

int CW83627EHF::ReadTemperatureLimitsRaw(uint8_t pin, uint8_t* highWhole, uint8_t* highHalf,
                                         uint8_t* lowWhole, uint8_t* lowHalf, uint8_t bank) {
    if (!IsTemperaturePin(pin))
        return Reject(ERR_NOT_TEMP_PIN);
    if (pin == 0x27) {
        *highHalf = 0;
        *lowHalf = 0;
        return ReadRegisters(bank, {{SYSTEMP_HIGH, highWhole}, {SYSTEMP_LOW, lowWhole}});
    }
    return ReadRegisters(bank, {{TEMP_HIGH_WHOLE, highWhole},
                                {TEMP_HIGH_HALF, highHalf},
                                {TEMP_LOW_WHOLE, lowWhole},
                                {TEMP_LOW_HALF, lowHalf}});
}

int CW83627EHF::ReadTemperatureLimits(uint8_t pin, double* high, double* low, uint8_t bank) {
    uint8_t hw = 0, hh = 0, lw = 0, lh = 0;
    int r = ReadTemperatureLimitsRaw(pin, &hw, &hh, &lw, &lh, bank);
    if (r >= 1) {
        *high = CelsiusFromBytes(hw, hh);
        *low = CelsiusFromBytes(lw, lh);
    }
    return r;
}

int CW83627EHF::WriteTemperatureLimitsRaw(uint8_t pin, uint8_t highWhole, uint8_t highHalf,
                                          uint8_t lowWhole, uint8_t lowHalf, uint8_t bank) {
    if (!IsTemperaturePin(pin))
        return Reject(ERR_NOT_TEMP_PIN);
    if (pin == 0x27)
        return WriteRegisters(bank, {{SYSTEMP_HIGH, highWhole}, {SYSTEMP_LOW, lowWhole}});
    return WriteRegisters(bank, {{TEMP_HIGH_WHOLE, highWhole},
                                 {TEMP_HIGH_HALF, highHalf},
                                 {TEMP_LOW_WHOLE, lowWhole},
                                 {TEMP_LOW_HALF, lowHalf}});
}

int CW83627EHF::SetTemperatureLimits(uint8_t pin, double high, double low, uint8_t bank) {
    uint8_t highWhole = WholeDegrees(high);
    uint8_t lowWhole = WholeDegrees(low);
    // The half bit follows the high limit's fraction only, for both limits; a clamped limit
    // is a whole number.
    bool clamped = !(high >= 0 && high < 256);
    uint8_t half = (pin == 0x50 && !clamped && high - std::trunc(high) != 0) ? HALF_DEGREE : 0;
    return WriteTemperatureLimitsRaw(pin, highWhole, half, lowWhole, half, bank);
}

// ---- Fans ----

int CW83627EHF::ReadFanDivisorCode(uint8_t pin, uint8_t* code) {
    if (!IsFanPin(pin))
        return Reject(ERR_NOT_FAN_PIN);
    int r = SelectBank(0);
    if (r < 1)
        return r;
    for (const FanDivisorBits& f : FAN_DIVISOR_BITS) {
        if (f.pin != pin)
            continue;
        uint8_t v = 0;
        r = ReadChipRegister(Port(), f.bit0.reg, &v);
        if (r < 1)
            return r;
        uint8_t c = ((v >> f.bit0.bit) & 1) | (((v >> f.bit1.bit) & 1) << 1);
        r = ReadBit(f.bit2.reg, f.bit2.bit, &c, 4);
        if (r < 1)
            return r;
        *code = c;
        return r;
    }
    return Reject(ERR_NOT_FAN_PIN);
}

int CW83627EHF::ReadFanCount(uint8_t pin, uint8_t* count) {
    if (!IsFanPin(pin))
        return Reject(ERR_NOT_FAN_PIN);
    return ReadRegisters(FanBank(pin), {{pin, count}});
}

int CW83627EHF::ReadFanSpeed(uint8_t pin, int* rpm) {
    uint8_t code = 0, count = 0;
    int r = ReadFanDivisorCode(pin, &code);
    if (r < 1)
        return r;
    r = ReadFanCount(pin, &count);
    if (r < 1)
        return r;
    if (count == 255) {
        *rpm = 0;  // stalled, or too slow to count
        return r;
    }
    if (count == 0)
        return 0;
    *rpm = RpmFromCount(count, FanDivisor(code));
    return r;
}

namespace {
uint8_t FanLimitRegisterOf(uint8_t pin) {
    for (const auto& f : FAN_LIMIT_REGISTERS) {
        if (f.pin == pin)
            return f.reg;
    }
    return 0;
}
}  // namespace

int CW83627EHF::ReadFanLimitCount(uint8_t pin, uint8_t* count) {
    if (!IsFanPin(pin))
        return Reject(ERR_NOT_FAN_PIN);
    return ReadRegisters(FanBank(pin), {{FanLimitRegisterOf(pin), count}});
}

int CW83627EHF::WriteFanLimitCount(uint8_t pin, uint8_t count) {
    if (!IsFanPin(pin))
        return Reject(ERR_NOT_FAN_PIN);
    return WriteRegisters(FanBank(pin), {{FanLimitRegisterOf(pin), count}});
}

int CW83627EHF::ReadFanLimit(uint8_t pin, int* rpm) {
    uint8_t code = 0, count = 0;
    int r = ReadFanDivisorCode(pin, &code);
    if (r < 1)
        return r;
    r = ReadFanLimitCount(pin, &count);
    if (r < 1)
        return r;
    if (count == 0)
        return 0;
    *rpm = RpmFromCount(count, FanDivisor(code));
    return r;
}

int CW83627EHF::SetFanLimit(uint8_t pin, int rpm) {
    uint8_t code = 0;
    int r = ReadFanDivisorCode(pin, &code);
    if (r < 1)
        return r;
    if (rpm == 0)
        return 0;
    return WriteFanLimitCount(pin, LimitCountFromRpm(rpm, FanDivisor(code)));
}

// ---- SMI, beep, status ----

int CW83627EHF::ReadSmiMasks(uint8_t m[4]) {
    int r = ReadRegisters(
        0, {{SMI_MASK_BANK0[0], &m[0]}, {SMI_MASK_BANK0[1], &m[1]}, {SMI_MASK_BANK0[2], &m[2]}});
    if (r < 1)
        return r;
    return ReadRegisters(4, {{SMI_MASK_BANK4, &m[3]}});
}

int CW83627EHF::WriteSmiMasks(const uint8_t m[4]) {
    int r = WriteRegisters(
        0, {{SMI_MASK_BANK0[0], m[0]}, {SMI_MASK_BANK0[1], m[1]}, {SMI_MASK_BANK0[2], m[2]}});
    if (r < 1)
        return r;
    return WriteRegisters(4, {{SMI_MASK_BANK4, m[3]}});
}

int CW83627EHF::SetGlobalBeep(bool on) {
    int r = SelectBank(0);
    if (r < 1)
        return r;
    return UpdateBits(BEEP_MASK_2, GLOBAL_BEEP_BIT, on ? GLOBAL_BEEP_BIT : 0);
}

int CW83627EHF::ReadBeepMasks(uint8_t b[4]) {
    int r = ReadRegisters(
        0, {{BEEP_MASK_1, &b[0]}, {BEEP_MASK_2, &b[1]}, {BANK_SELECT_REGISTER, &b[3]}});
    if (r < 1)
        return r;
    return ReadRegisters(4, {{BEEP_MASK_BANK4, &b[2]}});
}

int CW83627EHF::WriteBeepMasks(const uint8_t b[4]) {
    int r = WriteRegisters(0, {{BEEP_MASK_1, b[0]}, {BEEP_MASK_2, b[1]}});
    if (r < 1)
        return r;
    // Only the beep bits and the bank bits of the bank-select register survive.
    uint8_t bankSelect = 0;
    r = ReadChipRegister(Port(), BANK_SELECT_REGISTER, &bankSelect);
    if (r < 1)
        return r;
    r = WriteChipRegister(
        Port(), BANK_SELECT_REGISTER,
        static_cast<uint8_t>((b[3] & BANK_SELECT_BEEP_BITS) | (bankSelect & BANK_BITS)));
    if (r < 1)
        return r;
    return WriteRegisters(4, {{BEEP_MASK_BANK4, b[2]}});
}

int CW83627EHF::ReadRealTimeStatus(uint8_t s[3]) {
    return ReadRegisters(
        4, {{REALTIME_STATUS[0], &s[0]}, {REALTIME_STATUS[1], &s[1]}, {REALTIME_STATUS[2], &s[2]}});
}

int CW83627EHF::WriteRegister0E(uint8_t value) {
    return WriteRegisters(0, {{SETUP_REGISTER_0E, value}});
}

int CW83627EHF::SetBank4Register53Bit5(bool on) {
    int r = SelectBank(4);
    if (r < 1)
        return r;
    return UpdateBits(SETUP_BANK4_REGISTER_53, 0x20, on ? 0x20 : 0);
}

int CW83627EHF::SetRegister47Bit0(bool on) {
    int r = SelectBank(0);
    if (r < 1)
        return r;
    return UpdateBits(SETUP_REGISTER_47, 0x01, on ? 0x01 : 0);
}
