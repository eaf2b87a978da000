#include "monitor_program.h"

#include <cstdio>

#include "chip_identity_guard.h"
#include "library_port_io.h"
#include "local_machine.h"
#include "monitor_engine.h"
#include "notifier.h"
#include "plain_words_notifier.h"
#include "settings_notices.h"

namespace {

// A port that answers nothing: the engine below only looks at the board file.
class CNoPort : public IPortIo {
  public:
    int InPortB(uint16_t, uint8_t*) override { return 0; }
    int OutPortB(uint16_t, uint8_t) override { return 0; }
};

}  // namespace

bool ItemsReadChip(IMachine& machine, bool hwmonItems) {
    CNoPort none;
    CMonitorEngine engine(machine, none);
    if (hwmonItems)
        engine.AskForHwmonItems();
    return engine.WillReadChip();
}

int RunMonitorProgram(std::optional<EChipPathMode> forced, bool hwmonItems,
                      const MonitorFrontEnd& frontEnd) {
    CStderrNotifier stderrNotifier;
    CPlainWordsNotifier notifier(stderrNotifier);
    CLocalMachine machine(notifier);
    // The library's start (the driver service's, and the end of the process when it fails)
    // comes before any front end, as a linked library's would; without the chip it never comes.
    if (ItemsReadChip(machine, hwmonItems))
        OpenPortLibrary();
    // Every chip access goes through the port-I/O library, only to a chip identified as the
    // W83627EHF, and bounded when the service hangs.
    CLibraryPortIo library;
    CChipIdentityGuard identified(library, [](const std::string& text) {
        std::fprintf(stderr, "vornpilot: %s\n", text.c_str());
    });
    CPortGuard io(identified, [&machine] { return machine.PerfCounter(); });
    // The way to the chip, chosen once: the kernel's driver when it is loaded, else raw ports.
    std::string problem, error;
    const EChipPathMode mode = forced ? *forced : StoredChipPathMode(&problem);
    if (!problem.empty())
        SettingsNotice(problem);
    auto path = CChipPath::Choose(mode, io, &error);
    if (!path) {
        std::fprintf(stderr, "vornpilot: %s\n", error.c_str());
        return 2;
    }
    const int code = frontEnd(machine, io, *path);
    std::fflush(stdout);
    return code;
}
