#pragma once
// The user's own settings: where they are kept and under which names is known here alone.
// They live in the current user's settings file, under one key: the item count and the global
// beep, one record per item (its number as the subkey's name; for an item reading a hwmon
// sensor, "hwmon\" and the sensor's stable name, so that its settings follow the sensor when
// devices come and go), and the switches declared below.
// Every change reaches the file at once, atomically, unless it is made inside InOneWrite.
//
// A new on/off setting is one more SSwitchSetting below, read and written with Get and Set.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sensor_item_config.h"

class CRegistryStore;

// An on/off value stored as text. It reads as on for exactly `onText`, and for a missing or
// empty value when `onWhenUnset`; any other text reads as off.
struct SSwitchSetting {
    const char* name;
    const char* onText;
    const char* offText;
    bool onWhenUnset;
};

// The temperature unit: "C" (or nothing stored) is Celsius, anything else Fahrenheit.
inline constexpr SSwitchSetting UNIT_CELSIUS{"UNIT", "C", "F", true};
// The error log's recording.
inline constexpr SSwitchSetting ERROR_LOG_RECORDING{"ErrorLog", "TRUE", "FALSE", false};
// Desktop notifications (on unless switched off) and the hottest temperature drawn on the tray
// icon (off unless switched on).
inline constexpr SSwitchSetting NOTIFICATIONS{"NOTIFICATIONS", "TRUE", "FALSE", true};
inline constexpr SSwitchSetting TRAY_TEMPERATURE{"TRAYTEMPERATURE", "TRUE", "FALSE", false};

// A text value, read as stored.
struct STextSetting {
    const char* name;
};
// The way to the chip: "auto", "kernel" or "raw"; nothing stored is auto.
inline constexpr STextSetting CHIP_PATH{"ChipPath"};

class CUserSettings {
  public:
    // The settings of the user the process runs for, in the file the environment names now.
    CUserSettings();
    ~CUserSettings();
    CUserSettings(const CUserSettings&) = delete;
    CUserSettings& operator=(const CUserSettings&) = delete;

    // The settings file.
    std::string FilePath() const;
    // Whether anything was ever saved.
    bool Exists() const;

    bool Get(const SSwitchSetting& setting) const;
    // False when the file could not be written.
    bool Set(const SSwitchSetting& setting, bool on);
    // "" when missing or not a text.
    std::string Get(const STextSetting& setting) const;

    // The global beep saved with the items; false when it or the item count beside it is
    // missing (the items then count as never saved). The count is not given back: the board
    // file's count rules the table.
    bool ReadGlobalValues(bool* globalBeep) const;
    bool WriteGlobalValues(int32_t itemCount, bool globalBeep);

    // Reads item `itemNo`'s record into the fields the settings keep (names, number, type,
    // switches, limits and, for fans, FanPilot; the board file's own fields are left alone).
    // False at the first value missing or not of its type, which `problem` then names.
    bool ReadItem(int32_t itemNo, SensorItemConfig* record, std::string* problem) const;
    // The same for the item of the table that reads the hwmon sensor `pinName`: the record is
    // found by the sensor and gets the table's `itemNo`. False with `problem` empty when the
    // sensor's settings were never saved.
    bool ReadHwmonItem(const std::string& pinName, int32_t itemNo, SensorItemConfig* record,
                       std::string* problem) const;
    // Writes the same fields under the record's ItemNo (a hwmon sensor's under the sensor);
    // false at the first failed write (the values written before it stay).
    bool WriteItem(const SensorItemConfig& record);

    // Runs `writes` so that all they change reaches the file in one write. True when every
    // write succeeded and the file was written.
    bool InOneWrite(const std::function<bool()>& writes);

    // Copies the settings file beside itself as "<file>.replaced-<date-time>", before the
    // board file's settings replace it in bulk. True with `aside` empty when there is no file.
    bool CopyAside(std::string* aside, std::string* error) const;

  private:
    std::unique_ptr<CRegistryStore> m_store;
};

// Whether the stored unit text means Celsius.
bool UnitIsCelsius(const std::string& unit);
