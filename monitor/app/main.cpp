// vornpilot: the hardware monitor, in its skinned window when there is a display, else (and
// with --console) in the terminal.

#include <cstdio>
#include <string>
#include <vector>

#include "console_front_end.h"
#include "console_options.h"
#include "hwmon_scan.h"
#include "monitor_program.h"
#include "sensor_commands.h"
#ifdef VORN_HAVE_WINDOW
#include "window_front_end.h"
#endif

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    ConsoleOptions options;
    std::string error;
    if (!ParseConsoleOptions(args, &options, &error)) {
        std::fprintf(stderr, "vornpilot: %s\n%s", error.c_str(), ConsoleUsage().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(ConsoleUsage().c_str(), stdout);
        return 0;
    }
    // The sensor commands need neither the chip nor a display.
    if (options.listSensors)
        return ListSensors(SysfsRoot(), stdout);
    if (!options.writeBoardFile.empty())
        return WriteSensorBoardFile(SysfsRoot(), options.writeBoardFile, "vornpilot", stdout,
                                    stderr);
    if (options.window && !HasDisplay()) {
        std::fprintf(stderr, "vornpilot: --window needs a display ($DISPLAY is not set)\n");
        return 2;
    }

    return RunMonitorProgram(options.chipPath, options.hwmonSensors,
                             [&](IMachine& machine, CPortGuard& io, CChipPath& path) {
#ifdef VORN_HAVE_WINDOW
                                 if (options.window || (!options.console && HasDisplay()))
                                     return RunWindowFrontEnd(
                                         machine, io, path, options.startInTray, argc, argv,
                                         options.metrics, options.hwmonSensors);
#endif
                                 return CConsoleFrontEnd(machine, options, io, path).Run();
                             });
}
