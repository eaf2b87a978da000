#include "msr_bank.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint64_t APIC_BSP = 1ull << 8;
// Bits 0-7 and 9 and everything above a 36-bit physical address are reserved.
constexpr uint64_t APIC_RESERVED = 0x2FFull | ~((1ull << 36) - 1);
constexpr uint64_t THERM_VALID = 1ull << 31;
constexpr uint64_t THERM_STATUS = 1ull << 0;
constexpr uint64_t THERM_LOG = 1ull << 1;

}  // namespace

uint64_t CMsrBank::Tsc(double seconds) const {
    return m_tscOffset + static_cast<uint64_t>(std::max(0.0, seconds) * TSC_HZ);
}

void CMsrBank::UpdateThermalLog(double cpuCelsius) {
    if (cpuCelsius >= TJ_MAX)
        m_thermalLog = true;
}

bool CMsrBank::Read(uint32_t msr, double seconds, double cpuCelsius, uint64_t* value) {
    switch (msr) {
        case MSR_TSC:
            *value = Tsc(seconds);
            return true;
        case MSR_APIC_BASE:
            *value = m_apicBase;
            return true;
        case MSR_THERM_STATUS: {
            UpdateThermalLog(cpuCelsius);
            const double below = std::clamp(std::floor(TJ_MAX - cpuCelsius), 0.0, 127.0);
            *value = THERM_VALID | (static_cast<uint64_t>(below) << 16) |
                     (cpuCelsius >= TJ_MAX ? THERM_STATUS : 0) | (m_thermalLog ? THERM_LOG : 0);
            return true;
        }
        case MSR_MISC_ENABLE:
            *value = m_miscEnable;
            return true;
        case MSR_TEMPERATURE_TARGET:
            *value = static_cast<uint64_t>(TJ_MAX) << 16;
            return true;
        default:
            return false;
    }
}

bool CMsrBank::Write(uint32_t msr, uint64_t value, double seconds, double cpuCelsius) {
    switch (msr) {
        case MSR_TSC:
            m_tscOffset = value - Tsc(seconds) + m_tscOffset;
            return true;
        case MSR_APIC_BASE:
            if (value & APIC_RESERVED)
                return false;
            m_apicBase = (value & ~APIC_BSP) | (m_apicBase & APIC_BSP);
            return true;
        case MSR_THERM_STATUS:
            UpdateThermalLog(cpuCelsius);
            if (!(value & THERM_LOG))
                m_thermalLog = cpuCelsius >= TJ_MAX;
            return true;
        case MSR_MISC_ENABLE:
            m_miscEnable = value;
            return true;
        default:
            return false;
    }
}
