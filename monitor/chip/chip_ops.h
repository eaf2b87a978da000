#pragma once
// The chip at the level of its operations: a reading, a limit, an alarm, a fan-control value.
// The engine and its items work through this, whichever way reaches the chip: raw registers
// through the port-I/O library, or the kernel's hwmon driver for the chip. Every operation
// returns the chip-layer result (above 0 success, 0 nothing done, negative an error code) and
// leaves the caller's values alone when it fails. Pins are the pin table's register and bank.

#include <cstdint>
#include <memory>

#include "fan_control.h"

// What a way to the chip may lack.
enum class EChipFeature {
    Beep,      // the chip's beeper: global beep and per-input beep bits
    SmiMasks,  // SMI mask registers and the set-up writes made when monitoring starts
};

class IChipOps {
  public:
    virtual ~IChipOps() = default;

    virtual bool Offers(EChipFeature feature) const = 0;

    virtual int ReadVoltage(uint8_t pin, double* volts, double factor, bool negative) = 0;
    virtual int ReadVoltageLimits(uint8_t pin, double* high, double* low, double factor,
                                  bool negative) = 0;
    virtual int SetVoltageLimits(uint8_t pin, double high, double low, double factor,
                                 bool negative) = 0;

    virtual int ReadTemperature(uint8_t pin, double* celsius, uint8_t bank) = 0;
    virtual int ReadTemperatureLimits(uint8_t pin, double* high, double* low, uint8_t bank) = 0;
    virtual int SetTemperatureLimits(uint8_t pin, double high, double low, uint8_t bank) = 0;

    virtual int ReadFanSpeed(uint8_t pin, int* rpm) = 0;
    virtual int ReadFanLimit(uint8_t pin, int* rpm) = 0;
    // rpm above 0; 0 rpm writes nothing and gives 0.
    virtual int SetFanLimit(uint8_t pin, int rpm) = 0;
    // The slowest limit the chip holds: no turning or stalled fan is ever under it.
    virtual int ClearFanLimit(uint8_t pin) = 0;

    // The real-time status bytes s[0..2], bits placed as item_binding.h reads them.
    virtual int ReadRealTimeStatus(uint8_t s[3]) = 0;

    // Beeper and SMI: 0 (nothing done) where the way does not offer them.
    virtual int ReadBeepMasks(uint8_t b[4]) = 0;
    virtual int WriteBeepMasks(const uint8_t b[4]) = 0;
    virtual int SetGlobalBeep(bool on) = 0;
    virtual int ReadSmiMasks(uint8_t m[4]) = 0;
    virtual int WriteSmiMasks(const uint8_t m[4]) = 0;
    // Masks more SMI sources (the masks as found are read and kept by the caller first).
    virtual int MaskMoreSmiSources() = 0;
    virtual int MakeSetupWrites() = 0;

    // FanPilot. On: the chip's automatic (thermal cruise) mode; off: manual at full duty.
    virtual int WriteSmartFanMode(uint8_t pin, bool on) = 0;
    virtual int SetFanTarget(uint8_t pin, uint8_t celsius) = 0;
    virtual int SetFanTolerance(uint8_t pin, uint8_t celsius) = 0;
    virtual int SetFanStartValue(uint8_t pin, uint8_t duty) = 0;
    virtual int SetFanStopValue(uint8_t pin, uint8_t duty) = 0;
    // A failed read leaves its value 0; the reads are not checked.
    virtual FanControlSnapshot CaptureFanControl(uint8_t pin) = 0;
};

// A way to the chip: it makes the chip objects the engine and its items own.
class IChipAccess {
  public:
    virtual ~IChipAccess() = default;
    virtual std::unique_ptr<IChipOps> NewChip() = 0;
};
