// vornpilot-headless: the monitor without a window, for servers and terminals. It runs the same
// session as vornpilot --console, with the same table, JSON lines and metrics, and never links
// the window's toolkit, so a server installs and maps none of it.

#include <cstdio>
#include <string>
#include <vector>

#include "console_front_end.h"
#include "console_options.h"
#include "hwmon_scan.h"
#include "monitor_program.h"
#include "sensor_commands.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    ConsoleOptions options;
    std::string error;
    if (!ParseConsoleOptions(args, &options, &error)) {
        std::fprintf(stderr, "vornpilot-headless: %s\n%s", error.c_str(), HeadlessUsage().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(HeadlessUsage().c_str(), stdout);
        return 0;
    }
    // The sensor commands need neither the chip nor a display.
    if (options.listSensors)
        return ListSensors(SysfsRoot(), stdout);
    if (!options.writeBoardFile.empty())
        return WriteSensorBoardFile(SysfsRoot(), options.writeBoardFile, "vornpilot-headless",
                                    stdout, stderr);
    if (options.window) {
        std::fprintf(stderr,
                     "vornpilot-headless: there is no window here; the window is vornpilot's "
                     "(package vornpilot)\n");
        return 2;
    }
    // A window and a headless monitor of one user would both program the chip: they share one
    // single-copy claim.
    return RunMonitorProgram(
        options.chipPath, options.hwmonSensors,
        [&options](IMachine& machine, CPortGuard& io, CChipPath& path) {
            return CConsoleFrontEnd(machine, options, io, path, stdout, MONITOR_APP_NAME).Run();
        });
}
