#pragma once
// Where the library and the driver service keep their files. Each directory comes from the
// environment so tests and side-by-side runs never share anything.

#include <string>

std::string VornioRuntimeDir();  // $VORNIO_RUNTIME_DIR, default /run/vorn-io
std::string VornioStateDir();    // $VORNIO_STATE_DIR, default /var/lib/vorn-io
std::string VornioBackend();     // $VORNIO_BACKEND, default sim

inline constexpr const char* DEVICE_SOCKET_NAME = "VORN-IO";
inline constexpr const char* SIM_SOCKET_NAME = "VORN-SIM";
inline constexpr const char* DRIVER_PID_FILE_NAME = "vorn-iod.pid";
// Left in the state directory by a driver service that exited because the kernel forbids raw
// port access (kernel lockdown); holds the service's own words. Removed when it next serves.
inline constexpr const char* DRIVER_LOCKDOWN_NOTE_NAME = "vorn-iod.lockdown";

// dir + "/" + name, without doubling a trailing slash.
std::string JoinPath(const std::string& dir, const std::string& name);
