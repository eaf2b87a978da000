#pragma once
// Finding every hwmon device of the machine under <sysfs root>/class/hwmon/ and the channels
// each one offers. A scan lists directories; readings afterwards use only the paths it found.

#include <string>
#include <vector>

#include "hwmon_sensor.h"
#include "sysfs_root.h"

// Devices in hwmonN order, channels in the order voltages, temperatures, fans, each by N. A
// device that vanishes during the scan, or has no name, is left out; a missing class/hwmon
// directory is a machine without hwmon devices. Channel names are unique on the machine and
// made from the devices' identities, so they do not change between boots.
std::vector<SHwmonDevice> ScanHwmonDevices(const std::string& sysfsRoot);

// Parses "in3", "temp1", "fan12"; false for anything else.
bool ParseHwmonChannel(const std::string& channel, EHwmonKind* kind, int* index);
