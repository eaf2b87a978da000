#pragma once
// The command line of vornpilot.
//
//   vornpilot [-s|-S|-m|-M] [--window] [--console] [--once] [--json] [--passes N]
//             [--log-errors on|off] [--metrics-listen ADDRESS:PORT] [--metrics-file PATH]
//             [--chip-path auto|kernel|raw] [--hwmon-sensors] [--help]
//   vornpilot --list-sensors | --write-board-file PATH
//
// "-s", "-S", "-m" or "-M" as a whole argument starts the window in the tray; the console front
// end has no window and takes them as given. --once is one pass; --passes N stops after N.
// --list-sensors and --write-board-file look at the machine's hwmon sensors and exit.
// --log-errors switches the error log as the tray's "Record" does, and is remembered. The metrics
// switches belong to every front end (metrics_options.h), and so does --chip-path, the way to the
// chip (chip_path.h). --hwmon-sensors makes the items every hwmon sensor of the machine even
// where the board has a board file, in the window as in the console.

#include <optional>
#include <string>
#include <vector>

#include "chip_path.h"
#include "metrics_options.h"

struct ConsoleOptions {
    bool console = false;  // --console, or implied by the other console switches
    bool once = false;
    bool json = false;
    int passes = 0;                 // 0: until stopped
    std::optional<bool> logErrors;  // --log-errors on|off
    bool startInTray = false;
    bool window = false;  // --window: the skinned window (needs a display)
    bool help = false;
    bool listSensors = false;    // --list-sensors
    std::string writeBoardFile;  // --write-board-file PATH
    SMetricsOptions metrics;
    std::optional<EChipPathMode> chipPath;  // --chip-path; else the settings key decides
    bool hwmonSensors = false;              // --hwmon-sensors
};

// False with *error set for an argument it does not know or a bad --passes value.
bool ParseConsoleOptions(const std::vector<std::string>& args, ConsoleOptions* options,
                         std::string* error);

std::string ConsoleUsage();
// The same switches for vornpilot-headless, which has no window: --console and the tray switches
// are taken and change nothing, --window is refused.
std::string HeadlessUsage();

// True when a graphical display is reachable: $DISPLAY or $WAYLAND_DISPLAY is set.
bool HasDisplay();
