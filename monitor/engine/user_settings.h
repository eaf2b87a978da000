#pragma once
// The user's own settings that are not an item's: where they are kept and under which names is
// known here alone.

#include <string>

// The stored "UNIT": "C" or "" (also when missing) means Celsius, anything else Fahrenheit.
bool UnitIsCelsius(const std::string& unit);
bool StoredUnitIsCelsius();
// Writes "C" or "F"; false when the settings file could not be written.
bool StoreUnit(bool celsius);
