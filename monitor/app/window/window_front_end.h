#pragma once
// The monitor in its skinned window: one window per user, the session on the window's timer
// until "Exit" or "CLOSE".

#include "chip_path.h"
#include "machine.h"
#include "metrics_options.h"
#include "port_guard.h"

// argc/argv go to the toolkit. Returns the exit code: 0, also when an earlier instance was
// brought forward instead; 4 (as the console's) when the metrics asked for cannot start.
// `path` is the way to the chip. `hwmonItems`: every hwmon sensor of the machine as the items,
// whatever the board file (--hwmon-sensors).
int RunWindowFrontEnd(IMachine& machine, CPortGuard& guard, CChipPath& path, bool startInTray,
                      int argc, char** argv, const SMetricsOptions& metrics = {},
                      bool hwmonItems = false);
