#pragma once
// The user's own settings that are not an item's: where they are kept and under which names is
// known here alone.

#include <string>

// The stored "UNIT": "C" or "" (also when missing) means Celsius, anything else Fahrenheit.
bool UnitIsCelsius(const std::string& unit);
bool StoredUnitIsCelsius();
// Writes "C" or "F"; false when the settings file could not be written.
bool StoreUnit(bool celsius);

// Tray choices: desktop notifications (on unless switched off) and the hottest temperature drawn
// on the tray icon (off unless switched on). A Store returns false when the file could not be
// written.
bool StoredNotificationsOn();
bool StoreNotificationsOn(bool on);
bool StoredTrayTemperature();
bool StoreTrayTemperature(bool on);
