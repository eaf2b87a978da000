#pragma once
// The chip reached through its registers: each chip object owns a CW83627EHF over the port it
// is given, so every access is exactly the register sequence of that class.

#include "chip_ops.h"
#include "w83627ehf.h"

class CRawChip : public IChipOps {
  public:
    // Selects bank 0 through `io`, as the register driver's constructor does.
    explicit CRawChip(IPortIo& io) : m_chip(io) {}

    CW83627EHF& Registers() { return m_chip; }

    bool Offers(EChipFeature) const override { return true; }

    int ReadVoltage(uint8_t pin, double* volts, double factor, bool negative) override;
    int ReadVoltageLimits(uint8_t pin, double* high, double* low, double factor,
                          bool negative) override;
    int SetVoltageLimits(uint8_t pin, double high, double low, double factor,
                         bool negative) override;
    int ReadTemperature(uint8_t pin, double* celsius, uint8_t bank) override;
    int ReadTemperatureLimits(uint8_t pin, double* high, double* low, uint8_t bank) override;
    int SetTemperatureLimits(uint8_t pin, double high, double low, uint8_t bank) override;
    int ReadFanSpeed(uint8_t pin, int* rpm) override;
    int ReadFanLimit(uint8_t pin, int* rpm) override;
    int SetFanLimit(uint8_t pin, int rpm) override;
    int ClearFanLimit(uint8_t pin) override;
    int ReadRealTimeStatus(uint8_t s[3]) override;
    int ReadBeepMasks(uint8_t b[4]) override;
    int WriteBeepMasks(const uint8_t b[4]) override;
    int SetGlobalBeep(bool on) override;
    int ReadSmiMasks(uint8_t m[4]) override;
    int WriteSmiMasks(const uint8_t m[4]) override;
    int MaskMoreSmiSources() override;
    int MakeSetupWrites() override;
    int WriteSmartFanMode(uint8_t pin, bool on) override;
    int SetFanTarget(uint8_t pin, uint8_t celsius) override;
    int SetFanTolerance(uint8_t pin, uint8_t celsius) override;
    int SetFanStartValue(uint8_t pin, uint8_t duty) override;
    int SetFanStopValue(uint8_t pin, uint8_t duty) override;
    FanControlSnapshot CaptureFanControl(uint8_t pin) override;

  private:
    CW83627EHF m_chip;
};

// Raw ports through the port the program gives (the port-I/O library, or a test's).
class CRawChipAccess : public IChipAccess {
  public:
    explicit CRawChipAccess(IPortIo& io) : m_io(io) {}
    std::unique_ptr<IChipOps> NewChip() override { return std::make_unique<CRawChip>(m_io); }

  private:
    IPortIo& m_io;
};
