#pragma once
// The W83627EHF hardware monitor as a board sees it: banked registers, analog inputs turned
// into counts, limit comparison into the real-time status bits, beep state, and the chip's own
// automatic fan control ("thermal cruise"). Registers the model gives no meaning read back
// what was written; reading, counting and status registers are read-only.

#include <array>
#include <cstdint>

#include "chip_conversions.h"
#include "w83627ehf_registers.h"

struct SFanControlState {
    uint8_t mode;
    uint8_t outputType;
    uint8_t duty;
    uint8_t target;
    uint8_t tolerance;
    uint8_t stop;
    uint8_t start;
    bool keepMinimum;  // the fan's control flag in 0x12
};

class CW83627ehfModel {
  public:
    // Power-on state: every register 0 except the bank select (0x80, bank 0).
    CW83627ehfModel();

    // The data port: the register `index` in the bank that 0x4E selects. Every write through it
    // is counted, read-only registers included.
    uint8_t ReadRegister(uint8_t index) const;
    void WriteRegister(uint8_t index, uint8_t value);
    uint64_t RegisterWrites() const { return m_registerWrites; }

    // What the identification registers answer; the chip can pretend to be another one.
    sim_ehf::SChipIdentity Identity() const { return m_identity; }
    void SetIdentity(sim_ehf::SChipIdentity identity) { m_identity = identity; }
    uint8_t Bank() const;

    // Any bank, without touching 0x4E. Writes follow the data port's rules.
    uint8_t Read(sim_ehf::SReg reg) const;
    void Write(sim_ehf::SReg reg, uint8_t value);
    bool ReadBit(sim_ehf::SRegBit bit) const;
    void WriteBit(sim_ehf::SRegBit bit, bool on);
    static bool IsReadOnly(sim_ehf::SReg reg);

    // What the inputs carry: volts at the pin, degrees Celsius, rpm.
    void SetVoltageInput(int index, double pinVolts);
    void SetTemperatureInput(int index, double celsius);
    void SetFanInput(int index, double rpm);

    // What the chip measures now.
    uint8_t VoltageCount(int index) const;
    sim_ehf::STemperatureBytes TemperatureReading(int index) const;
    uint8_t FanCount(int index) const;
    uint8_t FanDivisorCode(int index) const;
    void SetFanDivisorCode(int index, uint8_t code);

    // Limit comparison per pin (index into sim_ehf::PINS).
    bool InAlarm(int pin) const;
    bool BeepEnabled(int pin) const;
    bool GlobalBeep() const;
    // An input in alarm has its beep bit set and global beep is on.
    bool IsBeeping() const;

    SFanControlState FanControl(int fan) const;
    // One update of the automatic fan control, due every CRUISE_STEP_SECONDS: every fan in
    // thermal cruise moves its duty one step toward keeping its temperature within target +/-
    // tolerance.
    void StepFanControl();
    static constexpr int CRUISE_DUTY_STEP = 1;
    static constexpr double CRUISE_STEP_SECONDS = 1.0;

  private:
    static constexpr int SLOT_COUNT = 256 + sim_ehf::BANK_COUNT * 16;
    int Slot(sim_ehf::SReg reg) const;
    uint8_t StatusByte(sim_ehf::SReg statusReg) const;
    uint8_t Field(sim_ehf::SField field) const;
    void UpdateTemperatureAlarms();

    std::array<uint8_t, SLOT_COUNT> m_regs{};
    sim_ehf::SChipIdentity m_identity;
    uint64_t m_registerWrites = 0;
    std::array<double, sim_ehf::VOLTAGE_COUNT> m_pinVolts{};
    std::array<double, sim_ehf::TEMPERATURE_COUNT> m_celsius{};
    std::array<double, sim_ehf::FAN_COUNT> m_rpm{};
    // Temperatures latch their alarm above the limit until they fall below the hysteresis.
    std::array<bool, sim_ehf::TEMPERATURE_COUNT> m_temperatureAlarm{};
};
