#include "w83627ehf.h"

#include <cmath>

#include "chip_conversions.h"
#include "pin_table.h"

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

// Selects each field's bank before the first field in it, then accesses the field.
template <typename Item, typename Access>
int CW83627EHF::InBanks(std::initializer_list<Item> items, Access access) {
    int r = 1;
    for (auto it = items.begin(); r >= 1 && it != items.end(); ++it) {
        if (it == items.begin() || it->field.bank != (it - 1)->field.bank)
            r = SelectBank(it->field.bank);
        if (r >= 1)
            r = access(*it);
    }
    return r;
}

int CW83627EHF::ReadFields(std::initializer_list<FieldRead> reads) {
    return InBanks(reads, [this](const FieldRead& f) { return ReadField(f.field, f.into); });
}

int CW83627EHF::WriteFields(std::initializer_list<FieldWrite> writes) {
    return InBanks(writes, [this](const FieldWrite& f) { return WriteField(f.field, f.value); });
}

// ---- Voltages ----

int CW83627EHF::ReadVoltageRaw(uint8_t pin, uint8_t* raw) {
    const SVoltageInput* in = FindVoltageInput(pin);
    if (!in)
        return Reject(ERR_NOT_VOLTAGE_PIN);
    return ReadFields({{in->reading, raw}});
}

int CW83627EHF::ReadVoltage(uint8_t pin, double* volts, double factor, bool negative) {
    uint8_t raw = 0;
    int r = ReadVoltageRaw(pin, &raw);
    if (r >= 1)
        *volts = VoltsFromCount(raw, factor, negative);
    return r;
}

int CW83627EHF::ReadVoltageLimitsRaw(uint8_t pin, uint8_t* high, uint8_t* low) {
    const SVoltageInput* in = FindVoltageInput(pin);
    if (!in)
        return Reject(ERR_NOT_VOLTAGE_PIN);
    return ReadFields({{in->high, high}, {in->low, low}});
}

int CW83627EHF::WriteVoltageLimitsRaw(uint8_t pin, uint8_t high, uint8_t low) {
    const SVoltageInput* in = FindVoltageInput(pin);
    if (!in)
        return Reject(ERR_NOT_VOLTAGE_PIN);
    return WriteFields({{in->high, high}, {in->low, low}});
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
    const STemperatureInput* t = FindTemperatureInput(pin);
    if (!t)
        return Reject(ERR_NOT_TEMP_PIN);
    if (t->half == NO_REGISTER)
        return ReadFields({{Register(bank, t->whole), whole}});
    return ReadFields({{Register(bank, t->whole), whole}, {Register(bank, t->half), half}});
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
    const STemperatureInput* t = FindTemperatureInput(pin);
    if (!t)
        return Reject(ERR_NOT_TEMP_PIN);
    if (t->highHalf == NO_REGISTER) {
        *highHalf = 0;
        *lowHalf = 0;
        return ReadFields(
            {{Register(bank, t->highWhole), highWhole}, {Register(bank, t->lowWhole), lowWhole}});
    }
    return ReadFields({{Register(bank, t->highWhole), highWhole},
                       {Register(bank, t->highHalf), highHalf},
                       {Register(bank, t->lowWhole), lowWhole},
                       {Register(bank, t->lowHalf), lowHalf}});
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
    const STemperatureInput* t = FindTemperatureInput(pin);
    if (!t)
        return Reject(ERR_NOT_TEMP_PIN);
    if (t->highHalf == NO_REGISTER)
        return WriteFields(
            {{Register(bank, t->highWhole), highWhole}, {Register(bank, t->lowWhole), lowWhole}});
    return WriteFields({{Register(bank, t->highWhole), highWhole},
                        {Register(bank, t->highHalf), highHalf},
                        {Register(bank, t->lowWhole), lowWhole},
                        {Register(bank, t->lowHalf), lowHalf}});
}

int CW83627EHF::SetTemperatureLimits(uint8_t pin, double high, double low, uint8_t bank) {
    // The half byte follows the high limit's fraction only, for both limits; a clamped limit
    // is a whole number. An input without half bytes ignores it.
    bool clamped = !(high >= 0 && high < 256);
    uint8_t half = !clamped && high - std::trunc(high) != 0 ? HALF_DEGREE : 0;
    return WriteTemperatureLimitsRaw(pin, WholeDegrees(high), half, WholeDegrees(low), half, bank);
}

// ---- Fans ----

int CW83627EHF::ReadFanDivisorCode(uint8_t pin, uint8_t* code) {
    const SFanInput* fan = FindFanInput(pin);
    if (!fan)
        return Reject(ERR_NOT_FAN_PIN);
    uint8_t low = 0, high = 0;
    int r = ReadFields({{fan->divisorLow, &low}, {fan->divisorHigh, &high}});
    if (r >= 1)
        *code = static_cast<uint8_t>(low | high << 2);
    return r;
}

int CW83627EHF::ReadFanCount(uint8_t pin, uint8_t* count) {
    const SFanInput* fan = FindFanInput(pin);
    if (!fan)
        return Reject(ERR_NOT_FAN_PIN);
    return ReadFields({{fan->count, count}});
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

int CW83627EHF::ReadFanLimitCount(uint8_t pin, uint8_t* count) {
    const SFanInput* fan = FindFanInput(pin);
    if (!fan)
        return Reject(ERR_NOT_FAN_PIN);
    return ReadFields({{fan->limit, count}});
}

int CW83627EHF::WriteFanLimitCount(uint8_t pin, uint8_t count) {
    const SFanInput* fan = FindFanInput(pin);
    if (!fan)
        return Reject(ERR_NOT_FAN_PIN);
    return WriteFields({{fan->limit, count}});
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
    return ReadFields({{SMI_MASKS[0], &m[0]},
                       {SMI_MASKS[1], &m[1]},
                       {SMI_MASKS[2], &m[2]},
                       {SMI_MASKS[3], &m[3]}});
}

int CW83627EHF::WriteSmiMasks(const uint8_t m[4]) {
    return WriteFields(
        {{SMI_MASKS[0], m[0]}, {SMI_MASKS[1], m[1]}, {SMI_MASKS[2], m[2]}, {SMI_MASKS[3], m[3]}});
}

int CW83627EHF::SetGlobalBeep(bool on) {
    return WriteFields({{GLOBAL_BEEP, on}});
}

int CW83627EHF::ReadBeepMasks(uint8_t b[4]) {
    // The bank-0 registers first.
    return ReadFields({{BEEP_MASKS[0], &b[0]},
                       {BEEP_MASKS[1], &b[1]},
                       {BEEP_MASKS[3], &b[3]},
                       {BEEP_MASKS[2], &b[2]}});
}

int CW83627EHF::WriteBeepMasks(const uint8_t b[4]) {
    return WriteFields({{BEEP_MASKS[0], b[0]},
                        {BEEP_MASKS[1], b[1]},
                        {BANK_SELECT_BEEP_BITS, static_cast<uint8_t>(b[3] >> 4)},
                        {BEEP_MASKS[2], b[2]}});
}

int CW83627EHF::ReadRealTimeStatus(uint8_t s[3]) {
    return ReadFields(
        {{REALTIME_STATUS[0], &s[0]}, {REALTIME_STATUS[1], &s[1]}, {REALTIME_STATUS[2], &s[2]}});
}

int CW83627EHF::WriteRegister0E(uint8_t value) {
    return WriteFields({{SETUP_REGISTER_0E, value}});
}

int CW83627EHF::SetBank4Register53Bit5(bool on) {
    return WriteFields({{SETUP_BANK4_REGISTER_53_BIT5, on}});
}

int CW83627EHF::SetRegister47Bit0(bool on) {
    return WriteFields({{SETUP_REGISTER_47_BIT0, on}});
}
