#include "console_options.h"

#include <charconv>
#include <cstdlib>

bool ParseConsoleOptions(const std::vector<std::string>& args, ConsoleOptions* options,
                         std::string* error) {
    ConsoleOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-s" || a == "-S" || a == "-m" || a == "-M") {
            o.startInTray = true;
        } else if (a == "--console") {
            o.console = true;
        } else if (a == "--window") {
            o.window = true;
        } else if (a == "--once") {
            o.once = true;
        } else if (a == "--json") {
            o.json = true;
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--hwmon-sensors") {
            o.hwmonSensors = true;
        } else if (a == "--list-sensors") {
            o.listSensors = true;
        } else if (a == "--write-board-file") {
            if (i + 1 == args.size() || args[i + 1].empty()) {
                *error = "--write-board-file needs a file name";
                return false;
            }
            o.writeBoardFile = args[++i];
        } else if (a == "--passes") {
            if (i + 1 == args.size()) {
                *error = "--passes needs a number";
                return false;
            }
            const std::string& n = args[++i];
            int value = 0;
            auto [end, ec] = std::from_chars(n.data(), n.data() + n.size(), value);
            if (ec != std::errc() || end != n.data() + n.size() || value < 1) {
                *error = "--passes needs a whole number of at least 1, not \"" + n + "\"";
                return false;
            }
            o.passes = value;
        } else if (a == "--log-errors") {
            if (i + 1 == args.size() || (args[i + 1] != "on" && args[i + 1] != "off")) {
                *error = "--log-errors needs \"on\" or \"off\"";
                return false;
            }
            o.logErrors = args[++i] == "on";
        } else if (a == "--chip-path") {
            EChipPathMode mode = EChipPathMode::Auto;
            if (i + 1 == args.size() || !ParseChipPathMode(args[i + 1], &mode)) {
                *error = "--chip-path needs \"auto\", \"kernel\" or \"raw\"";
                return false;
            }
            ++i;
            o.chipPath = mode;
        } else {
            switch (ParseMetricsArgument(args, &i, &o.metrics, error)) {
                case EMetricsArgument::Taken:
                    continue;
                case EMetricsArgument::Bad:
                    return false;
                case EMetricsArgument::NotMetrics:
                    break;
            }
            *error = "unknown argument \"" + a + "\"";
            return false;
        }
    }
    if (o.once || o.json || o.passes > 0 || o.logErrors)
        o.console = true;
    if (o.window && o.console) {
        *error = "--window cannot be combined with the console switches";
        return false;
    }
    if ((o.listSensors || !o.writeBoardFile.empty()) &&
        (o.console || o.window || o.startInTray || o.metrics.Any() || o.chipPath ||
         o.hwmonSensors)) {
        *error = "--list-sensors and --write-board-file run alone";
        return false;
    }
    *options = o;
    return true;
}

namespace {

// The switches both programs take, and what their exit status means.
std::string PassSwitchesUsage() {
    return "  --once       one monitoring pass, then exit\n"
           "  --json       one JSON object per pass, on one line\n"
           "  --passes N   stop after N passes (one every 2 seconds)\n"
           "  --log-errors on|off\n"
           "               record changes of the sensors in warning in Error.log beside the\n"
           "               program, or stop recording (remembered for later starts)\n"
           "  --chip-path auto|kernel|raw\n"
           "               reach the chip through the kernel's driver w83627ehf or through raw\n"
           "               ports (vorn-iod); auto, the default, takes the kernel's when it is\n"
           "               loaded. The setting ChipPath does the same when this is not given\n"
           "  --hwmon-sensors\n"
           "               monitor every voltage, temperature and fan sensor the kernel shows\n"
           "               (its hwmon devices) even where the board has a board file; without\n"
           "               a board file that is what the monitor does anyway\n"
           "  --list-sensors\n"
           "               list the kernel's hwmon sensors of this machine and exit\n"
           "  --write-board-file PATH\n"
           "               write a board file of those sensors to PATH (never replaced) and exit\n";
}

std::string ExitStatusUsage() {
    return "Exit status: 0; 1 when another copy runs; 2 for a bad argument; 3 when the last\n"
           "pass of --once or --passes read nothing (the chip did not answer, or there is no\n"
           "sensor at all); 4 when the metrics cannot be served or written; 5 when\n"
           "--write-board-file wrote nothing.\n";
}

}  // namespace

std::string ConsoleUsage() {
    return "Usage: vornpilot [--window] [--console] [--once] [--json] [--passes N]\n"
           "                 [--log-errors on|off] [--metrics-listen ADDRESS:PORT]\n"
           "                 [--metrics-file PATH] [--chip-path auto|kernel|raw]\n"
           "                 [--hwmon-sensors] [-s]\n"
           "       vornpilot --list-sensors | --write-board-file PATH\n"
           "  --window     the skinned window (the default with a display)\n"
           "  --console    run the monitor in this terminal (the default without a display)\n" +
           PassSwitchesUsage() + "  -s, -m       start in the tray (the window's switch)\n" +
           MetricsUsage() + ExitStatusUsage();
}

std::string HeadlessUsage() {
    return "Usage: vornpilot-headless [--once] [--json] [--passes N] [--log-errors on|off]\n"
           "                          [--metrics-listen ADDRESS:PORT] [--metrics-file PATH]\n"
           "                          [--chip-path auto|kernel|raw] [--hwmon-sensors]\n"
           "       vornpilot-headless --list-sensors | --write-board-file PATH\n"
           "The monitor in this terminal or as a service, without a window: a table of every\n"
           "sensor refreshed every 2 seconds, or JSON lines, and Prometheus metrics.\n" +
           PassSwitchesUsage() + MetricsUsage() + ExitStatusUsage();
}

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* v = std::getenv(name);
        if (v != nullptr && v[0] != '\0')
            return true;
    }
    return false;
}
