#include "sensor_item.h"

#include "pin_table.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>

#include "hwmon_pin.h"
#include "item_binding.h"
#include "raw_chip.h"

CSensorItem::CSensorItem(const SensorItemConfig* source, IMachine& machine, IPortIo& io)
    : CSensorItem(source, machine, std::make_unique<CRawChip>(io)) {}

CSensorItem::CSensorItem(const SensorItemConfig* source, IMachine& machine,
                         std::unique_ptr<IChipOps> chip)
    : m_source(source),
      m_chip(std::move(chip)),
      m_machine(machine),
      m_perfFrequency(PERF_FREQUENCY),
      m_hwmonPin(source != nullptr && IsHwmonPin(source->PinName)) {}

CSensorItem::~CSensorItem() = default;

// ---- Plain accessors ----

double CSensorItem::GetValue() const {
    return m_config.ItemType == ITEM_FAN ? static_cast<double>(m_fanRpm) : m_value;
}

void CSensorItem::GetLimits(double* hi, double* lo) const {
    *hi = m_config.HiLimit;
    *lo = m_config.LoLimit;
}

void CSensorItem::GetLimitRange(double* hi, double* lo) const {
    *hi = m_config.HiBound;
    *lo = m_config.LoBound;
}

void CSensorItem::SetEnabled(bool on) {
    m_config.Enable = on;
    ResetShutdownTimer();
}

void CSensorItem::SetShutdownEnabled(bool on) {
    m_config.ShutDownEnable = on;
    ResetShutdownTimer();
}

void CSensorItem::SetBeepFlag(bool on) {
    m_config.BeepEnable = on;
}

void CSensorItem::StoreLimits(double hi, double lo) {
    m_config.HiLimit = hi;
    m_config.LoLimit = lo;
}

// ---- Hardware binding ----

bool PinFitsType(uint8_t pin, int32_t itemType) {
    switch (itemType) {
        case ITEM_VOLTAGE:
            return IsVoltagePin(pin);
        case ITEM_TEMPERATURE:
            return IsTemperaturePin(pin);
        case ITEM_FAN:
            return IsFanPin(pin);
        default:
            return false;
    }
}

bool CSensorItem::ListUnbound() {
    if (m_source == nullptr)
        return false;
    m_config = *m_source;
    // The kernel's fan control is not driven from here.
    if (m_hwmonPin) {
        m_config.SmartFanSupport = false;
        m_config.SmartFanEnable = false;
    }
    if (m_config.ItemType != ITEM_FAN) {
        m_config.SmartFanSupport = false;
        m_config.SmartFanEnable = false;
        m_config.TargetTemp = 0;
        m_config.ToleranceTemp = 0;
        m_config.StartCtrl = 0;
        m_config.StopCtrl = 0;
    }
    return true;
}

bool CSensorItem::BindHwmon(const std::vector<SHwmonDevice>& devices) {
    if (!m_hwmonPin || !ListUnbound())
        return false;
    m_hwmon = FindHwmonInput(devices, m_config.PinName);
    if (!m_hwmon)
        return false;
    if (m_config.CpuNo == 2) {
        m_secondCpu = HasSecondCpu();
        if (!m_secondCpu) {
            m_config.BeepEnable = false;
            m_config.Enable = false;
            ResetShutdownTimer();
        }
    }
    return true;
}

bool CSensorItem::FindHwmonAgain(const std::vector<SHwmonDevice>& devices) {
    if (!m_hwmonPin)
        return false;
    std::optional<CHwmonInput> found = FindHwmonInput(devices, m_config.PinName);
    if (!found)
        return false;
    m_hwmon = std::move(found);
    m_readError = 0;
    return true;
}

bool CSensorItem::IsHwmonSensorMissing() const {
    return m_hwmonPin &&
           (!m_hwmon || m_readError == ENOENT || m_readError == ENODEV || m_readError == ENXIO);
}

bool CSensorItem::ReadHwmonValue() {
    if (!m_hwmon)
        return false;
    double value = 0;
    bool alarm = false;
    m_readError = m_hwmon->Read(m_config, &value, &alarm);
    if (m_readError != 0)
        return false;
    if (m_config.ItemType == ITEM_FAN)
        m_fanRpm = static_cast<int32_t>(std::lround(value));
    else
        m_value = value;
    m_alarm = alarm;
    return true;
}

bool CSensorItem::Bind() {
    if (m_hwmonPin || !ListUnbound())
        return false;
    const PinRecord* pin = FindPin(m_config.PinName);
    if (pin == nullptr)
        return false;
    m_pinRegister = PinRegister(*pin);
    m_pinBank = PinBank(*pin);

    if (m_config.CpuNo == 2) {
        m_secondCpu = HasSecondCpu();
        if (!m_secondCpu) {
            uint8_t b[4] = {0, 0, 0, 0};
            if (m_chip->ReadBeepMasks(b) >= 1) {
                SetBeepMaskBit(b, m_pinRegister, m_pinBank, false);
                m_chip->WriteBeepMasks(b);
            }
            m_config.BeepEnable = false;
            m_config.Enable = false;
            ResetShutdownTimer();
        }
    }
    if (m_config.ItemType == ITEM_FAN)
        m_savedFanControl = m_chip->CaptureFanControl(m_pinRegister);
    return true;
}

bool CSensorItem::ReadValue() {
    if (m_hwmonPin)
        return ReadHwmonValue();
    switch (m_config.ItemType) {
        case ITEM_VOLTAGE:
            return m_chip->ReadVoltage(m_pinRegister, &m_value, m_config.Factor,
                                       m_config.Negative) >= 1;
        case ITEM_TEMPERATURE:
            return m_chip->ReadTemperature(m_pinRegister, &m_value, m_pinBank) >= 1;
        case ITEM_FAN: {
            int rpm = m_fanRpm;
            int r = m_chip->ReadFanSpeed(m_pinRegister, &rpm);
            if (r >= 1)
                m_fanRpm = rpm;
            return r >= 1;
        }
        default:
            return false;
    }
}

bool CSensorItem::ReadLimits() {
    // A hwmon item's limits are its own, from the board file or the user.
    if (m_hwmonPin)
        return true;
    double hi = m_config.HiLimit, lo = m_config.LoLimit;
    int r = 0;
    switch (m_config.ItemType) {
        case ITEM_VOLTAGE:
            r = m_chip->ReadVoltageLimits(m_pinRegister, &hi, &lo, m_config.Factor,
                                          m_config.Negative);
            break;
        case ITEM_TEMPERATURE:
            r = m_chip->ReadTemperatureLimits(m_pinRegister, &hi, &lo, m_pinBank);
            break;
        case ITEM_FAN: {
            int rpm = 0;
            r = m_chip->ReadFanLimit(m_pinRegister, &rpm);
            if (r < 1)
                rpm = 0;
            StoreLimits(rpm, rpm);
            return r >= 1;
        }
        default:
            return false;
    }
    if (r >= 1)
        StoreLimits(hi, lo);
    return r >= 1;
}

namespace {
// The rpm a fan low limit asks for, truncated toward zero; NaN asks for none.
int FanLimitRpm(double lo) {
    if (std::isnan(lo))
        return 0;
    double t = std::trunc(lo);
    if (t >= std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (t <= std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(t);
}

double NearestHalf(double celsius) {
    return std::round(celsius * 2) / 2;
}
}  // namespace

bool CSensorItem::SetLimits(double hi, double lo) {
    if (m_hwmonPin) {
        StoreLimits(hi, lo);
        return true;
    }
    int r = 0;
    switch (m_config.ItemType) {
        case ITEM_VOLTAGE:
            r = m_chip->SetVoltageLimits(m_pinRegister, hi, lo, m_config.Factor, m_config.Negative);
            break;
        case ITEM_TEMPERATURE:
            // The chip holds half degrees and sets the half bit for any fraction: a limit read
            // as 70.0000033 from thousandths must reach it as 70, not 70.5.
            r = m_chip->SetTemperatureLimits(m_pinRegister, NearestHalf(hi), NearestHalf(lo),
                                             m_pinBank);
            break;
        case ITEM_FAN: {
            int rpm = FanLimitRpm(lo);
            r = rpm > 0 ? m_chip->SetFanLimit(m_pinRegister, rpm)
                        : m_chip->ClearFanLimit(m_pinRegister);
            break;
        }
        default:
            break;
    }
    StoreLimits(hi, lo);
    return r >= 1;
}

bool CSensorItem::SetBeepBit(bool on) {
    // No beeper: the flag is kept, as for a way to the chip without one.
    if (m_hwmonPin)
        return true;
    ItemBits bits{};
    if (!FindItemBits(m_pinRegister, m_pinBank, &bits))
        return false;
    // A way to the chip without its beeper has no bit to set: the flag is kept for the way
    // that has one.
    if (!m_chip->Offers(EChipFeature::Beep))
        return true;
    uint8_t b[4] = {0, 0, 0, 0};
    if (m_chip->ReadBeepMasks(b) < 1)
        return false;
    SetBeepMaskBit(b, m_pinRegister, m_pinBank, on);
    return m_chip->WriteBeepMasks(b) >= 1;
}

bool CSensorItem::IsSilencedSecondCpuItem() const {
    return m_config.CpuNo == 2 && !m_secondCpu;
}

bool CSensorItem::ApplySettings() {
    if (m_source == nullptr)
        return false;
    return ApplySettingsFrom(*m_source, EConfigSource::BoardFile);
}

bool CSensorItem::ApplySettings(const SensorItemConfig& s) {
    return ApplySettingsFrom(s, EConfigSource::Registry);
}

bool CSensorItem::ApplySettingsFrom(const SensorItemConfig& s, EConfigSource from) {
    if (IsSilencedSecondCpuItem()) {
        m_config.BeepEnable = false;
        if (!SetBeepBit(false))
            return false;
        m_config.Enable = false;
        ResetShutdownTimer();
        return true;
    }
    if (!SetLimits(s.HiLimit, s.LoLimit))
        return false;
    if (s.Enable) {
        m_config.BeepEnable = s.BeepEnable;
        if (!SetBeepBit(s.BeepEnable))
            return false;
    } else {
        m_config.BeepEnable =
            from == EConfigSource::Registry && m_config.CpuNo != 2 ? s.BeepEnable : false;
        if (!SetBeepBit(false))
            return false;
    }
    m_config.Enable = s.Enable;
    m_config.ShutDownEnable = s.ShutDownEnable;
    ResetShutdownTimer();
    return true;
}

bool CSensorItem::UpdateAlarmFromStatus(const uint8_t s[3]) {
    // Its alarm comes with its reading.
    if (m_hwmonPin)
        return true;
    bool set = false;
    if (!StatusBit(s, m_pinRegister, m_pinBank, &set)) {
        m_alarm = false;
        return false;
    }
    m_alarm = set;
    return true;
}

bool CSensorItem::HasSecondCpu() {
    return m_machine.ProcessorCount() >= 2;
}

// ---- Monitoring pass ----

bool CSensorItem::UpdateItem() {
    m_valueFresh = false;
    if (!m_config.Enable)
        return true;
    m_valueFresh = ReadValue();
    if (m_alarm && m_config.ShutDownEnable)
        CheckShutdown();
    else
        ResetShutdownTimer();
    return true;
}

bool CSensorItem::CheckShutdown() {
    if (m_alarmSince == 0) {
        // 0 means "not timing", so a counter reading of 0 starts the timing at 1 tick.
        m_alarmSince = std::max<int64_t>(m_machine.PerfCounter(), 1);
    }
    int64_t elapsed = (m_machine.PerfCounter() - m_alarmSince) / m_perfFrequency;
    if (static_cast<int32_t>(elapsed) >= SHUTDOWN_DELAY_SECONDS)
        m_machine.RequestPowerOff();
    return true;
}

int CSensorItem::ShutdownSecondsLeft() {
    if (m_alarmSince == 0)
        return -1;
    int64_t elapsed = (m_machine.PerfCounter() - m_alarmSince) / m_perfFrequency;
    return static_cast<int>(
        std::clamp<int64_t>(SHUTDOWN_DELAY_SECONDS - elapsed, 0, SHUTDOWN_DELAY_SECONDS));
}
