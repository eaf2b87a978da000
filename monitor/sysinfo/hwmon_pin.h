#pragma once
// How a board file names a hwmon sensor as an item's pin:
//
//   PinName=hwmon:<device identity>/<channel>
//   PinName=hwmon:devices/pci0000:00/0000:00:18.3/temp1
//
// The channel follows the last "/"; the identity is the device's stable identity as a scan
// gives it. Chip pins never begin with "hwmon:", so every existing board file reads as before.

#include <optional>
#include <string>

#include "hwmon_sensor.h"

inline constexpr const char* HWMON_PIN_PREFIX = "hwmon:";

struct SHwmonPin {
    std::string Identity;
    std::string Channel;
    EHwmonKind Kind = EHwmonKind::Voltage;
    int Index = 0;
};

bool IsHwmonPin(const std::string& pinName);
// nullopt when the name is not a hwmon pin or its channel is not inN, tempN or fanN.
std::optional<SHwmonPin> ParseHwmonPin(const std::string& pinName);
std::string HwmonPinName(const std::string& identity, const std::string& channel);
