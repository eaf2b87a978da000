#pragma once
// Whether the kernel's own hwmon driver for the chip is loaded or bound: the hw backend and the
// kernel would then drive the same index/data ports and corrupt each other's register accesses.

#include <optional>
#include <string>

// The first sysfs entry under sysfsRoot that shows the kernel driver; nullopt when none does.
std::optional<std::string> FindKernelChipDriver(const std::string& sysfsRoot);
