// vornpilot: the hardware monitor. The window is not part of this build yet, so every start runs
// the console front end; without a display that is the rule anyway.

#include <cstdio>
#include <string>
#include <vector>

#include "console_front_end.h"
#include "console_options.h"
#include "library_port_io.h"
#include "local_machine.h"
#include "notifier.h"
#include "port_guard.h"
#include "port_io.h"

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
    if (!options.console && HasDisplay()) {
        std::fprintf(stderr,
                     "vornpilot: the monitor window is not available in this version; running "
                     "the console front end\n");
    }

    CStderrNotifier notifier;
    CLocalMachine machine(notifier);
    // Every chip access goes through the port-I/O library, bounded when the service hangs.
    CLibraryPortIo library;
    CPortGuard io(library, [&machine] { return machine.PerfCounter(); });
    SetChipPortIo(&io);
    int code = CConsoleFrontEnd(machine, options, &io).Run();
    std::fflush(stdout);
    SetChipPortIo(nullptr);
    return code;
}
