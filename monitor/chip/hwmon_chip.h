#pragma once
// The chip reached through the kernel's hwmon driver for it: readings, limits, alarms and the
// chip's fan control as the driver's attributes. Attributes are read straight from their files,
// one read each; writes go through the writer the program gives. Values cross in the chip's own
// units, so an item shows the same value, and the chip gets the same register contents, as over
// raw registers. What the driver does not offer (the beeper, SMI masks, the set-up writes) gives
// 0, nothing done.

#include <string>

#include "chip_ops.h"
#include "hwmon_writer.h"

class CHwmonChip : public IChipOps {
  public:
    // `deviceDir` holds the attributes; `writer` must outlive the object.
    CHwmonChip(std::string deviceDir, IHwmonWriter& writer)
        : m_dir(std::move(deviceDir)), m_writer(writer) {}

    bool Offers(EChipFeature) const override { return false; }

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
    int ReadBeepMasks(uint8_t[4]) override { return 0; }
    int WriteBeepMasks(const uint8_t[4]) override { return 0; }
    int SetGlobalBeep(bool) override { return 0; }
    int ReadSmiMasks(uint8_t[4]) override { return 0; }
    int WriteSmiMasks(const uint8_t[4]) override { return 0; }
    int MaskMoreSmiSources() override { return 0; }
    int MakeSetupWrites() override { return 0; }
    int WriteSmartFanMode(uint8_t pin, bool on) override;
    int SetFanTarget(uint8_t pin, uint8_t celsius) override;
    int SetFanTolerance(uint8_t pin, uint8_t celsius) override;
    int SetFanStartValue(uint8_t pin, uint8_t duty) override;
    int SetFanStopValue(uint8_t pin, uint8_t duty) override;
    FanControlSnapshot CaptureFanControl(uint8_t pin) override;

    // The writer's text for the last write that failed; "" when none has.
    const std::string& LastWriteError() const { return m_lastWriteError; }

  private:
    // Above 0 when the attribute held a whole number.
    int Read(const std::string& attribute, long* value);
    int Write(const std::string& attribute, long value);
    int ReadCount(int channel, const char* what, uint8_t* count);
    int ReadHalfDegrees(int channel, const char* what, uint8_t* whole, uint8_t* half);
    int WriteHalfDegrees(int channel, const char* what, uint8_t whole, uint8_t half);
    int PwmChannel(uint8_t pin, int* channel);

    std::string m_dir;
    IHwmonWriter& m_writer;
    std::string m_lastWriteError;
};

// The kernel driver's device as a way to the chip.
class CHwmonChipAccess : public IChipAccess {
  public:
    CHwmonChipAccess(std::string deviceDir, IHwmonWriter& writer)
        : m_dir(std::move(deviceDir)), m_writer(writer) {}
    std::unique_ptr<IChipOps> NewChip() override {
        return std::make_unique<CHwmonChip>(m_dir, m_writer);
    }
    const std::string& DeviceDir() const { return m_dir; }

  private:
    std::string m_dir;
    IHwmonWriter& m_writer;
};
