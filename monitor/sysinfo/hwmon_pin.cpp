#include "hwmon_pin.h"

#include "hwmon_scan.h"

bool IsHwmonPin(const std::string& pinName) {
    return pinName.rfind(HWMON_PIN_PREFIX, 0) == 0;
}

std::optional<SHwmonPin> ParseHwmonPin(const std::string& pinName) {
    if (!IsHwmonPin(pinName))
        return std::nullopt;
    const std::string rest = pinName.substr(std::string(HWMON_PIN_PREFIX).size());
    const size_t slash = rest.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return std::nullopt;
    SHwmonPin pin;
    pin.Identity = rest.substr(0, slash);
    pin.Channel = rest.substr(slash + 1);
    if (!ParseHwmonChannel(pin.Channel, &pin.Kind, &pin.Index))
        return std::nullopt;
    return pin;
}

std::string HwmonPinName(const std::string& identity, const std::string& channel) {
    return HWMON_PIN_PREFIX + identity + "/" + channel;
}
