#pragma once
// Kernel lockdown (Secure Boot kernels switch it on) forbids raw port access through /dev/port
// even to root. Restarting the service cannot change that, so the service says so and exits
// with a status of its own, which the unit does not restart; it also leaves a note in its state
// directory so that the library can tell the user why the service is not there.

#include <optional>
#include <string>

// The lockdown mode sysfsRoot/kernel/security/lockdown names in brackets ("none [integrity]
// confidentiality" gives "integrity"); nullopt when the file is missing or the mode is none.
std::optional<std::string> KernelLockdownMode(const std::string& sysfsRoot);
