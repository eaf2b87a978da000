#pragma once
// Reading the channels a scan found: one open and read per attribute file, no directory lists.

#include <string>
#include <vector>

#include "hwmon_sensor.h"

// Reads one integer attribute. 0 and *value set, or why not: the errno of open or read
// (ENOENT for a vanished file, EIO, ENODATA while a disk sleeps), EINVAL for text that is not
// a whole number.
int ReadHwmonInteger(const std::string& path, long long* value);

// The kernel's units (mV, m°C, rpm) as volts, degrees Celsius, rpm.
double HwmonValue(EHwmonKind kind, long long raw);

// One channel's reading. A limit or alarm that cannot be read is absent from this reading; an
// input that cannot be read sets Error and nothing else.
SHwmonReading ReadHwmonChannel(const SHwmonChannel& channel);

// Every channel of every device, in scan order: readings[d][c] belongs to devices[d].Channels[c].
std::vector<std::vector<SHwmonReading>> ReadHwmonDevices(const std::vector<SHwmonDevice>& devices);
