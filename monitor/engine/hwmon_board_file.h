#pragma once
// A board file that starts from what the kernel's hwmon devices offer: one item for every
// voltage, temperature and fan channel, named as the scan names it, its pin naming the device
// and channel, limits from the kernel where it has them.

#include <cstdint>
#include <string>
#include <vector>

#include "hwmon_sensor.h"
#include "sensor_item_config.h"

// One item for every channel, numbered from 1 in scan order: enabled, no beep, no power-off,
// Factor 1, limits from the kernel where it has them, else at the end of their range (none).
// readings[d][c] belongs to devices[d].Channels[c] (hwmon_read.h).
std::vector<SensorItemConfig> HwmonItemRecords(
    const std::vector<SHwmonDevice>& devices,
    const std::vector<std::vector<SHwmonReading>>& readings);

// The same items as a board file's text.
std::string HwmonBoardFileText(const std::vector<SHwmonDevice>& devices,
                               const std::vector<std::vector<SHwmonReading>>& readings);

// The item type that reads a channel of this kind: ITEM_VOLTAGE, ITEM_TEMPERATURE or ITEM_FAN.
int32_t HwmonItemType(EHwmonKind kind);
