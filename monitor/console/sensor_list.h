#pragma once
// The table of --list-sensors: one row per hwmon channel with its device, input attribute,
// label, reading and limits, then the pin name of each device for a board file.

#include <string>
#include <vector>

#include "hwmon_sensor.h"

// readings[d][c] belongs to devices[d].Channels[c]. With no devices, a line saying so,
// naming where they were looked for (`sysfsRoot`).
std::string SensorListText(const std::vector<SHwmonDevice>& devices,
                           const std::vector<std::vector<SHwmonReading>>& readings,
                           const std::string& sysfsRoot);

// "45.0 °C", "1.104 V", "1200 rpm".
std::string HwmonValueText(EHwmonKind kind, double value);
