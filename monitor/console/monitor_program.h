#pragma once
// What every monitor program sets up before its front end runs: the machine's facts, with
// notices in plain words on standard error until a front end shows them otherwise, and the
// chip's port calls through the port-I/O library, bounded when the service hangs.

#include <functional>

#include <optional>

#include "chip_path.h"
#include "machine.h"
#include "port_guard.h"

using MonitorFrontEnd = std::function<int(IMachine& machine, CPortGuard& io, CChipPath& path)>;

// Chooses the way to the chip (`forced`, else the user's setting, else by itself), runs
// `frontEnd` and returns its exit code, with standard output flushed; 2 when a forced kernel way
// has no kernel driver. `hwmonItems`: the front end asks for every hwmon sensor as its items
// (--hwmon-sensors). The port-I/O library, and with it the driver service, is started first when
// the items will read the chip; a monitor of hwmon sensors alone never starts it.
int RunMonitorProgram(std::optional<EChipPathMode> forced, bool hwmonItems,
                      const MonitorFrontEnd& frontEnd);

// Whether the monitor's items will read the chip, as the engine's start will decide it.
bool ItemsReadChip(IMachine& machine, bool hwmonItems);

// The name the monitor's single copy is claimed under, whichever program runs it.
inline constexpr const char* MONITOR_APP_NAME = "vornpilot";
