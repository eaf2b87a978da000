#pragma once
// A sensor item as the status page reads it. CSensorPageItem adapts the engine's live items;
// the page's rules are tested against plain records.

#include <cstdint>
#include <string>

class IPageItem {
  public:
    virtual ~IPageItem() = default;
    virtual const std::string& GetName() const = 0;
    // ITEM_VOLTAGE, ITEM_TEMPERATURE or ITEM_FAN.
    virtual int32_t GetItemType() const = 0;
    virtual uint8_t GetCpuNo() const = 0;
    virtual bool IsEnabled() const = 0;
    virtual bool IsAlarm() const = 0;
    // Volts, degrees Celsius or rpm.
    virtual double GetValue() const = 0;
    virtual void GetLimits(double* hi, double* lo) const = 0;
    // Used to silence an item of a second processor the machine does not have.
    virtual bool SetBeepBit(bool on) = 0;
    virtual void SetEnabled(bool on) = 0;
};
