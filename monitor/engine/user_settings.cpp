#include "user_settings.h"

#include "monitor_engine.h"
#include "registry_store.h"

namespace {
constexpr const char* UNIT_VALUE = "UNIT";
constexpr const char* NOTIFICATIONS_VALUE = "NOTIFICATIONS";
constexpr const char* TRAY_TEMPERATURE_VALUE = "TRAYTEMPERATURE";

bool StoredSwitch(const char* name, bool fallback) {
    CRegistryStore registry;
    registry.SetRoot(HKEY_CURRENT_USER);
    std::string value;
    if (!registry.GetString(SETTINGS_KEY, name, &value))
        return fallback;
    return value == "TRUE" ? true : value == "FALSE" ? false : fallback;
}

bool StoreSwitch(const char* name, bool on) {
    CRegistryStore registry;
    registry.SetRoot(HKEY_CURRENT_USER);
    return registry.SetString(SETTINGS_KEY, name, on ? "TRUE" : "FALSE");
}
}  // namespace

bool UnitIsCelsius(const std::string& unit) {
    return unit.empty() || unit == "C";
}

bool StoredUnitIsCelsius() {
    CRegistryStore registry;
    registry.SetRoot(HKEY_CURRENT_USER);
    std::string unit;
    registry.GetString(SETTINGS_KEY, UNIT_VALUE, &unit);
    return UnitIsCelsius(unit);
}

bool StoreUnit(bool celsius) {
    CRegistryStore registry;
    registry.SetRoot(HKEY_CURRENT_USER);
    return registry.SetString(SETTINGS_KEY, UNIT_VALUE, celsius ? "C" : "F");
}

bool StoredNotificationsOn() {
    return StoredSwitch(NOTIFICATIONS_VALUE, true);
}

bool StoreNotificationsOn(bool on) {
    return StoreSwitch(NOTIFICATIONS_VALUE, on);
}

bool StoredTrayTemperature() {
    return StoredSwitch(TRAY_TEMPERATURE_VALUE, false);
}

bool StoreTrayTemperature(bool on) {
    return StoreSwitch(TRAY_TEMPERATURE_VALUE, on);
}
