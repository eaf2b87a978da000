#pragma once
// Finding a kernel hwmon device by its name. All sysfs look-ups start at one root,
// $VORNPILOT_SYSFS_ROOT (default /sys), so that a test or the simulator can present a machine
// as a directory tree.

#include <string>

#include "sysfs_root.h"

// The directory holding the attributes of the first device under <root>/class/hwmon/ whose
// "name" attribute is `name` (newer kernels keep the attributes beside "name" in hwmonN, older
// ones in hwmonN/device). "" when there is none.
std::string FindHwmonDevice(const std::string& sysfsRoot, const std::string& name);
