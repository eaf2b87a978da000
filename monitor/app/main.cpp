// vornpilot: the hardware monitor, in its skinned window when there is a display, else (and
// with --console) in the terminal.

#include <cstdio>
#include <string>
#include <vector>

#include "chip_identity_guard.h"
#include "console_front_end.h"
#include "console_options.h"
#include "library_port_io.h"
#include "local_machine.h"
#include "notifier.h"
#include "plain_words_notifier.h"
#include "port_guard.h"
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
    if (options.window && !HasDisplay()) {
        std::fprintf(stderr, "vornpilot: --window needs a display ($DISPLAY is not set)\n");
        return 2;
    }

    CStderrNotifier stderrNotifier;
    CPlainWordsNotifier notifier(stderrNotifier);
    CLocalMachine machine(notifier);
    // Every chip access goes through the port-I/O library, only to a chip identified as the
    // W83627EHF, and bounded when the service hangs.
    CLibraryPortIo library;
    CChipIdentityGuard identified(library, [](const std::string& text) {
        std::fprintf(stderr, "vornpilot: %s\n", text.c_str());
    });
    CPortGuard io(identified, [&machine] { return machine.PerfCounter(); });
    int code = 0;
#ifdef VORN_HAVE_WINDOW
    if (options.window || (!options.console && HasDisplay()))
        code = RunWindowFrontEnd(machine, io, options.startInTray, argc, argv, options.metrics);
    else
#endif
        code = CConsoleFrontEnd(machine, options, io).Run();
    std::fflush(stdout);
    return code;
}
