#pragma once
// One item's configuration as the board file or the user's registry settings give it.

#include <cstdint>
#include <string>

// Item types. Other values are kept as read, but no operation reads or programs such an item.
inline constexpr int32_t ITEM_VOLTAGE = 1;
inline constexpr int32_t ITEM_TEMPERATURE = 2;
inline constexpr int32_t ITEM_FAN = 3;

// Limits and bounds are in the item's unit: volts, degrees Celsius or rpm.
struct SensorItemConfig {
    std::string Name;
    int32_t ItemNo = 0;  // 1-based; identifies the item across board file, registry and table
    int32_t ItemType = 0;
    double HiLimit = 0;
    double LoLimit = 0;
    double HiBound = 0;  // the range the user may choose limits from
    double LoBound = 0;
    bool ShutDownEnable = false;
    bool Enable = false;
    double Factor = 0;    // the input's external divider, pin volts per measured volt
    std::string PinName;  // a name from the chip's pin table, or a hwmon sensor (hwmon_pin.h)
    bool Negative = false;
    uint8_t CpuNo = 0;  // 2: belongs to the second processor
    bool BeepEnable = false;
    // Fans only; left as they are for other types.
    bool SmartFanSupport = false;
    bool SmartFanEnable = false;
    int32_t TargetTemp = 0;
    int32_t StartCtrl = 0;  // percent of full duty
    int32_t StopCtrl = 0;   // percent of full duty
    int32_t ToleranceTemp = 0;
    // Hwmon pins only: added to the kernel's value after the Factor, in the item's unit.
    double Offset = 0;
};
