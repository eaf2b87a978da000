// FanPilot operations of a fan item: the chip's own fan control switched and programmed from the
// item's settings, and the values found at start put back at the end.

#include "chip_conversions.h"
#include "sensor_item.h"

namespace {
// A value the chip's byte-wide setters can be handed without wrapping; they refuse what their
// field cannot hold.
bool FitsByte(int v) {
    return v >= 0 && v <= 255;
}
}  // namespace

bool CSensorItem::SetSmartFan(bool on) {
    if (!IsChipFan() || m_chip->WriteSmartFanMode(m_pinRegister, on) < 1)
        return false;
    m_config.SmartFanEnable = on;
    return true;
}

bool CSensorItem::SetTargetTemp(int t) {
    if (!IsChipFan() || !FitsByte(t) ||
        m_chip->SetFanTarget(m_pinRegister, static_cast<uint8_t>(t)) < 1)
        return false;
    m_config.TargetTemp = t;
    return true;
}

bool CSensorItem::SetToleranceTemp(int t) {
    if (!IsChipFan() || !FitsByte(t) ||
        m_chip->SetFanTolerance(m_pinRegister, static_cast<uint8_t>(t)) < 1)
        return false;
    m_config.ToleranceTemp = t;
    return true;
}

bool CSensorItem::SetStartCtrl(int percent) {
    if (!IsChipFan() || m_chip->SetFanStartValue(m_pinRegister, DutyFromPercent(percent)) < 1)
        return false;
    m_config.StartCtrl = percent;
    return true;
}

bool CSensorItem::SetStopCtrl(int percent) {
    if (!IsChipFan() || m_chip->SetFanStopValue(m_pinRegister, DutyFromPercent(percent)) < 1)
        return false;
    m_config.StopCtrl = percent;
    return true;
}

bool CSensorItem::ApplyFanControl() {
    if (m_source == nullptr)
        return false;
    return ApplyFanControlFrom(*m_source, EFanCheck::SecondCpu);
}

bool CSensorItem::ApplyFanControl(const SensorItemConfig& s) {
    return ApplyFanControlFrom(s, EFanCheck::SecondCpu);
}

bool CSensorItem::ApplyFanControlFromDialog(const SensorItemConfig& s) {
    return ApplyFanControlFrom(s, EFanCheck::Skip);
}

bool CSensorItem::ApplyFanControlFrom(const SensorItemConfig& s, EFanCheck check) {
    if (!IsChipFan())
        return false;
    if (check == EFanCheck::SecondCpu && IsSilencedSecondCpuItem()) {
        // The second processor's fan is not there: manual mode at full duty.
        m_config.SmartFanSupport = false;
        if (m_chip->WriteSmartFanMode(m_pinRegister, false) < 1)
            return false;
        m_config.SmartFanEnable = false;
        return true;
    }
    return SetSmartFan(s.SmartFanEnable) && SetTargetTemp(s.TargetTemp) &&
           SetToleranceTemp(s.ToleranceTemp) && SetStartCtrl(s.StartCtrl) &&
           SetStopCtrl(s.StopCtrl);
}

bool CSensorItem::RestoreFanControl() {
    if (!IsChipFan())
        return false;
    const FanControlSnapshot& saved = m_savedFanControl;
    // Each step is tried whatever the one before did.
    m_chip->WriteSmartFanMode(m_pinRegister, saved.automatic);
    if (m_chip->SetFanTarget(m_pinRegister, saved.target) >= 1) {
        m_config.TargetTemp = saved.target;
    }
    if (m_chip->SetFanTolerance(m_pinRegister, saved.tolerance) >= 1) {
        m_config.ToleranceTemp = saved.tolerance;
    }
    if (m_chip->SetFanStartValue(m_pinRegister, DutyFromPercent(saved.startPercent)) >= 1) {
        m_config.StartCtrl = saved.startPercent;
    }
    if (m_chip->SetFanStopValue(m_pinRegister, DutyFromPercent(saved.stopPercent)) < 1)
        return false;
    m_config.StopCtrl = saved.stopPercent;
    return true;
}
