#pragma once
// Driver of the Winbond W83627EHF hardware-monitor chip: its banked register map
// (w83627ehf_map.h) turned into operations on pins. Every operation selects the bank it needs
// first, stops at its first failed access and returns the chip-layer result (above 0 success, 0
// nothing done, negative an error code). Bytes not yet read stay as the caller pre-set them.

#include <cstdint>
#include <initializer_list>
#include <string>

#include "chip_register.h"
#include "w83627ehf_map.h"

class CW83627EHF : public CSensorChip {
  public:
    // Selects bank 0 through `io`; a failure is reported and the object stays usable.
    explicit CW83627EHF(IPortIo& io);

    int LookupPin(const std::string& name, uint8_t pinAndBank[2]);

    // Voltages.
    int ReadVoltageRaw(uint8_t pin, uint8_t* raw);
    int ReadVoltage(uint8_t pin, double* volts, double factor, bool negative);
    int ReadVoltageLimitsRaw(uint8_t pin, uint8_t* high, uint8_t* low);
    int WriteVoltageLimitsRaw(uint8_t pin, uint8_t high, uint8_t low);
    int ReadVoltageLimits(uint8_t pin, double* high, double* low, double factor, bool negative);
    int SetVoltageLimits(uint8_t pin, double high, double low, double factor, bool negative);

    // Temperatures: whole degrees plus a half-degree byte.
    int ReadTemperatureRaw(uint8_t pin, uint8_t* whole, uint8_t* half, uint8_t bank);
    int ReadTemperature(uint8_t pin, double* celsius, uint8_t bank);
    int ReadTemperatureLimitsRaw(uint8_t pin, uint8_t* highWhole, uint8_t* highHalf,
                                 uint8_t* lowWhole, uint8_t* lowHalf, uint8_t bank);
    int ReadTemperatureLimits(uint8_t pin, double* high, double* low, uint8_t bank);
    int WriteTemperatureLimitsRaw(uint8_t pin, uint8_t highWhole, uint8_t highHalf,
                                  uint8_t lowWhole, uint8_t lowHalf, uint8_t bank);
    int SetTemperatureLimits(uint8_t pin, double high, double low, uint8_t bank);

    // Fans.
    int ReadFanDivisorCode(uint8_t pin, uint8_t* code);
    int ReadFanCount(uint8_t pin, uint8_t* count);
    int ReadFanSpeed(uint8_t pin, int* rpm);
    int ReadFanLimitCount(uint8_t pin, uint8_t* count);
    int WriteFanLimitCount(uint8_t pin, uint8_t count);
    int ReadFanLimit(uint8_t pin, int* rpm);
    int SetFanLimit(uint8_t pin, int rpm);

    // SMI, beep and real-time status.
    int ReadSmiMasks(uint8_t m[4]);
    int WriteSmiMasks(const uint8_t m[4]);
    int SetGlobalBeep(bool on);
    int ReadBeepMasks(uint8_t b[4]);
    int WriteBeepMasks(const uint8_t b[4]);
    int ReadRealTimeStatus(uint8_t s[3]);

    // Set-up writes made when monitoring starts.
    int WriteRegister0E(uint8_t value);
    int SetBank4Register53Bit5(bool on);
    int SetRegister47Bit0(bool on);

    // The chip's own fan-speed control (pins 0x28, 0x29, 0x2A, 0x3F; 0x53 has none).
    int SetFanDuty(uint8_t pin, uint8_t duty);
    int ReadFanMode(uint8_t pin, uint8_t* mode);
    int SetFanMode(uint8_t pin, uint8_t mode);
    int SetFanOutputType(uint8_t pin, uint8_t type);
    int ReadFanTarget(uint8_t pin, uint8_t* target);
    int SetFanTarget(uint8_t pin, uint8_t target);
    int ReadFanTolerance(uint8_t pin, uint8_t* tolerance);
    int SetFanTolerance(uint8_t pin, uint8_t tolerance);
    int ReadFanStopValue(uint8_t pin, uint8_t* value);
    int SetFanStopValue(uint8_t pin, uint8_t value);
    int ReadFanStartValue(uint8_t pin, uint8_t* value);
    int SetFanStartValue(uint8_t pin, uint8_t value);
    int SetFanControlFlag(uint8_t pin, bool on);

  private:
    struct FieldRead {
        ehf::SChipField field;
        uint8_t* into;
    };
    struct FieldWrite {
        ehf::SChipField field;
        uint8_t value;
    };
    // Reads or writes the fields in order, selecting each field's bank before the first field
    // in it; the first failure stops them.
    int ReadFields(std::initializer_list<FieldRead> reads);
    int WriteFields(std::initializer_list<FieldWrite> writes);
    template <typename Item, typename Access>
    int InBanks(std::initializer_list<Item> items, Access access);
    int Reject(int code);
    using FanField = ehf::SChipField ehf::SFanControl::*;
    // Fan-control access: bank 0, then the value check, then the pin; 0 for a fan without
    // control.
    int WriteFanField(uint8_t pin, uint8_t value, FanField field);
    int ReadFanField(uint8_t pin, uint8_t* value, FanField field);
    int FanControlPin(uint8_t pin, const ehf::SFanControl** control);
};
