#include "w83627ehf_model.h"

#include <algorithm>

using namespace sim_ehf;

namespace {

bool SameReg(SReg a, SReg b) {
    return a.index == b.index && (!IsBanked(a.index) || a.bank == b.bank);
}

constexpr uint8_t POWER_ON_BANK_SELECT = 0x80;

}  // namespace

CW83627ehfModel::CW83627ehfModel() {
    m_regs[REG_BANK_SELECT] = POWER_ON_BANK_SELECT;
}

int CW83627ehfModel::Slot(SReg reg) const {
    if (!IsBanked(reg.index))
        return reg.index;
    return 256 + (reg.bank & BANK_BITS) * 16 + (reg.index - BANK_WINDOW_FIRST);
}

uint8_t CW83627ehfModel::Bank() const {
    return m_regs[REG_BANK_SELECT] & BANK_BITS;
}

uint8_t CW83627ehfModel::ReadRegister(uint8_t index) const {
    return Read({Bank(), index});
}

void CW83627ehfModel::WriteRegister(uint8_t index, uint8_t value) {
    ++m_registerWrites;
    Write({Bank(), index}, value);
}

bool CW83627ehfModel::IsReadOnly(SReg reg) {
    for (const auto& v : VOLTAGES) {
        if (SameReg(reg, v.value))
            return true;
    }
    for (const auto& t : TEMPERATURES) {
        if (SameReg(reg, t.value) || (t.hasHalf && SameReg(reg, t.half)))
            return true;
    }
    for (const auto& f : FANS) {
        if (SameReg(reg, f.count))
            return true;
    }
    return SameReg(reg, STATUS0) || SameReg(reg, STATUS1) || SameReg(reg, STATUS2) ||
           SameReg(reg, {0, REG_VENDOR_ID}) || SameReg(reg, {0, REG_CHIP_ID});
}

uint8_t CW83627ehfModel::Read(SReg reg) const {
    for (int i = 0; i < VOLTAGE_COUNT; ++i) {
        if (SameReg(reg, VOLTAGES[i].value))
            return VoltageCount(i);
    }
    for (int i = 0; i < TEMPERATURE_COUNT; ++i) {
        if (SameReg(reg, TEMPERATURES[i].value))
            return TemperatureReading(i).whole;
        if (TEMPERATURES[i].hasHalf && SameReg(reg, TEMPERATURES[i].half)) {
            return TemperatureReading(i).half;
        }
    }
    for (int i = 0; i < FAN_COUNT; ++i) {
        if (SameReg(reg, FANS[i].count))
            return FanCount(i);
    }
    if (SameReg(reg, {0, REG_VENDOR_ID})) {
        const bool high = m_regs[REG_BANK_SELECT] & HIGH_BYTE_ACCESS;
        return static_cast<uint8_t>(high ? m_identity.vendor >> 8 : m_identity.vendor & 0xFF);
    }
    if (SameReg(reg, {0, REG_CHIP_ID}))
        return m_identity.chip;
    for (SReg status : {STATUS0, STATUS1, STATUS2}) {
        if (SameReg(reg, status))
            return StatusByte(status);
    }
    return m_regs[Slot(reg)];
}

void CW83627ehfModel::Write(SReg reg, uint8_t value) {
    if (IsReadOnly(reg))
        return;
    m_regs[Slot(reg)] = value;
    // A new limit can start or end a temperature alarm at once.
    UpdateTemperatureAlarms();
}

bool CW83627ehfModel::ReadBit(SRegBit bit) const {
    return (Read(bit.reg) >> bit.bit) & 1;
}

void CW83627ehfModel::WriteBit(SRegBit bit, bool on) {
    const uint8_t mask = static_cast<uint8_t>(1u << bit.bit);
    const uint8_t old = Read(bit.reg);
    Write(bit.reg, on ? (old | mask) : (old & ~mask));
}

void CW83627ehfModel::SetVoltageInput(int index, double pinVolts) {
    m_pinVolts[index] = pinVolts;
}

void CW83627ehfModel::SetTemperatureInput(int index, double celsius) {
    m_celsius[index] = celsius;
    UpdateTemperatureAlarms();
}

void CW83627ehfModel::SetFanInput(int index, double rpm) {
    m_rpm[index] = rpm;
}

uint8_t CW83627ehfModel::VoltageCount(int index) const {
    return VoltageCountFromPin(m_pinVolts[index]);
}

STemperatureBytes CW83627ehfModel::TemperatureReading(int index) const {
    STemperatureBytes bytes = TemperatureBytes(m_celsius[index]);
    if (!TEMPERATURES[index].hasHalf)
        bytes.half = 0;
    return bytes;
}

uint8_t CW83627ehfModel::FanDivisorCode(int index) const {
    uint8_t code = 0;
    for (int b = 0; b < 3; ++b) {
        if (ReadBit(FANS[index].divisorBits[b]))
            code |= static_cast<uint8_t>(1u << b);
    }
    return code;
}

void CW83627ehfModel::SetFanDivisorCode(int index, uint8_t code) {
    for (int b = 0; b < 3; ++b)
        WriteBit(FANS[index].divisorBits[b], (code >> b) & 1);
}

uint8_t CW83627ehfModel::FanCount(int index) const {
    return sim_ehf::FanCount(m_rpm[index], FanDivisor(FanDivisorCode(index)));
}

bool CW83627ehfModel::InAlarm(int pin) const {
    const SPinInfo& info = PINS[pin];
    switch (info.kind) {
        case EInputKind::Voltage: {
            const SVoltageRegs& regs = VOLTAGES[info.kindIndex];
            const uint8_t count = VoltageCount(info.kindIndex);
            return count > Read(regs.high) || count < Read(regs.low);
        }
        case EInputKind::Temperature:
            return m_temperatureAlarm[info.kindIndex];
        case EInputKind::Fan: {
            // 255 can never be exceeded and 0 is an unprogrammed limit: both watch nothing.
            const uint8_t limit = Read(FANS[info.kindIndex].limit);
            if (limit == 0 || limit == FAN_COUNT_STALLED)
                return false;
            return FanCount(info.kindIndex) > limit;
        }
    }
    return false;
}

void CW83627ehfModel::UpdateTemperatureAlarms() {
    for (int i = 0; i < TEMPERATURE_COUNT; ++i) {
        const STemperatureRegs& regs = TEMPERATURES[i];
        const uint8_t highHalf = regs.hasHalf ? m_regs[Slot(regs.highHalf)] : 0;
        const uint8_t hystHalf = regs.hasHalf ? m_regs[Slot(regs.hystHalf)] : 0;
        const int reading = TemperatureHalfUnits(TemperatureReading(i));
        const int high = TemperatureHalfUnits({m_regs[Slot(regs.high)], highHalf});
        const int hyst = TemperatureHalfUnits({m_regs[Slot(regs.hyst)], hystHalf});
        if (reading > high) {
            m_temperatureAlarm[i] = true;
        } else if (reading < hyst) {
            m_temperatureAlarm[i] = false;
        }
    }
}

uint8_t CW83627ehfModel::StatusByte(SReg statusReg) const {
    uint8_t byte = 0;
    for (int pin = 0; pin < PIN_COUNT; ++pin) {
        if (SameReg(PINS[pin].status.reg, statusReg) && InAlarm(pin)) {
            byte |= static_cast<uint8_t>(1u << PINS[pin].status.bit);
        }
    }
    return byte;
}

bool CW83627ehfModel::BeepEnabled(int pin) const {
    return ReadBit(PINS[pin].beep);
}

bool CW83627ehfModel::GlobalBeep() const {
    return ReadBit(GLOBAL_BEEP);
}

bool CW83627ehfModel::IsBeeping() const {
    if (!GlobalBeep())
        return false;
    for (int pin = 0; pin < PIN_COUNT; ++pin) {
        if (InAlarm(pin) && BeepEnabled(pin))
            return true;
    }
    return false;
}

uint8_t CW83627ehfModel::Field(SField field) const {
    const uint8_t mask = static_cast<uint8_t>((1u << field.width) - 1);
    return (m_regs[field.index] >> field.shift) & mask;
}

SFanControlState CW83627ehfModel::FanControl(int fan) const {
    const SFanControlRegs& c = FAN_CONTROLS[fan];
    return {Field(c.mode),      Field(c.outputType),
            m_regs[c.duty],     static_cast<uint8_t>(m_regs[c.target] & FAN_TARGET_MASK),
            Field(c.tolerance), m_regs[c.stop],
            m_regs[c.start],    Field(c.flag) != 0};
}

void CW83627ehfModel::StepFanControl() {
    for (int fan = 0; fan < CONTROLLED_FAN_COUNT; ++fan) {
        const SFanControlState s = FanControl(fan);
        if (s.mode != FAN_MODE_THERMAL_CRUISE)
            continue;
        const SFanControlRegs& c = FAN_CONTROLS[fan];
        const int reading = TemperatureHalfUnits(TemperatureReading(c.followsTemperature));
        const int upper = (s.target + s.tolerance) * 2;
        const int lower = (s.target - s.tolerance) * 2;
        // The duty moves between the stop and the start value, whichever order they are in.
        const int lo = std::min(s.stop, s.start);
        const int hi = std::max(s.stop, s.start);
        int duty = s.duty;
        if (reading > upper) {
            // A stopped fan comes back at its start value.
            duty = duty == 0 ? s.start : std::clamp(duty + CRUISE_DUTY_STEP, lo, hi);
        } else if (reading < lower) {
            if (duty > lo) {
                duty = std::max(lo, duty - CRUISE_DUTY_STEP);
            } else {
                // At the stop value: the fan stops unless its flag keeps it at the minimum.
                duty = s.keepMinimum ? lo : 0;
            }
        } else if (duty != 0 || s.keepMinimum) {
            duty = std::clamp(duty, lo, hi);
        }
        m_regs[c.duty] = static_cast<uint8_t>(duty);
    }
}
