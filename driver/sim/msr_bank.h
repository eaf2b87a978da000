#pragma once
// The few model-specific registers the simulated processor has. Any other MSR fails, as a
// real processor faults on it.
//   0x10  time-stamp counter: counts at TSC_HZ from board start; a write sets it.
//   0x1B  APIC base: read/write; reserved bits set in a write fail it; the BSP bit is fixed.
//   0x19C thermal status: valid bit 31, digital readout (TJ_MAX - CPU temperature) in bits
//         22..16, status bit 0 at or above TJ_MAX with its sticky log bit 1 (a written 0 clears
//         the log; other bits ignore writes).
//   0x1A0 misc enable: read/write.
//   0x1A2 temperature target: TJ_MAX in bits 23..16, read only.

#include <cstdint>

class CMsrBank {
  public:
    static constexpr uint32_t MSR_TSC = 0x10;
    static constexpr uint32_t MSR_APIC_BASE = 0x1B;
    static constexpr uint32_t MSR_THERM_STATUS = 0x19C;
    static constexpr uint32_t MSR_MISC_ENABLE = 0x1A0;
    static constexpr uint32_t MSR_TEMPERATURE_TARGET = 0x1A2;
    static constexpr double TSC_HZ = 2.4e9;
    static constexpr int TJ_MAX = 100;

    // seconds: time since board start; cpuCelsius: the processor's temperature now.
    bool Read(uint32_t msr, double seconds, double cpuCelsius, uint64_t* value);
    bool Write(uint32_t msr, uint64_t value, double seconds, double cpuCelsius);

  private:
    uint64_t Tsc(double seconds) const;
    void UpdateThermalLog(double cpuCelsius);

    uint64_t m_tscOffset = 0;
    uint64_t m_apicBase = 0xFEE00900;  // base 0xFEE00000, enabled, bootstrap processor
    uint64_t m_miscEnable = 0x850089;
    bool m_thermalLog = false;
};
