#pragma once
// The environment of a vornpilot run against a test's own vorn-iod on the simulated board.

#include <string>
#include <vector>

#include "temp_dir.h"

// The service's runtime directory; state, settings and per-user directories of the run's own
// under `dir` (created here); the simulated board's DMI facts; no display; `powerOffCommand` as
// the power-off.
std::vector<std::string> MonitorEnvironment(const std::string& runtimeDir, const CTempDir& dir,
                                            const std::string& powerOffCommand);
