#include "user_settings.h"

#include "monitor_engine.h"
#include "registry_store.h"

namespace {
constexpr const char* UNIT_VALUE = "UNIT";
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
