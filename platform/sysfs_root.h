#pragma once
// Where the machine's sysfs facts are looked up: VORNPILOT_SYSFS_ROOT when set and not empty,
// else /sys. Tests and the simulated kernel driver present a machine as a directory tree there.

#include <string>

std::string SysfsRoot();
