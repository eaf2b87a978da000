#include "monitor_program.h"

#include <unistd.h>

#include <cstdio>

#include "chip_identity_guard.h"
#include "hwmon_pin.h"
#include "ini_file.h"
#include "library_port_io.h"
#include "local_machine.h"
#include "monitor_engine.h"
#include "notifier.h"
#include "plain_words_notifier.h"
#include "settings_notices.h"

namespace {

// A port that answers nothing: the engine below is asked for its file names, never started.
class CNoPort : public IPortIo {
  public:
    int InPortB(uint16_t, uint8_t*) override { return 0; }
    int OutPortB(uint16_t, uint8_t) override { return 0; }
};

// The board file the engine's start will read: the user's own for this board model, else the
// program folder's.
std::string BoardFileOf(IMachine& machine) {
    CNoPort none;
    CMonitorEngine names(machine, none);
    const std::string own = names.UserBoardFileName();
    return ::access(own.c_str(), F_OK) == 0 ? own : names.BuildConfigFileName();
}

}  // namespace

bool ItemsReadChip(IMachine& machine, bool hwmonItems) {
    if (hwmonItems)
        return false;
    const std::string path = BoardFileOf(machine);
    if (::access(path.c_str(), F_OK) != 0)
        return false;
    CIniFile ini;
    if (!ini.Load(path))
        return true;
    const int32_t count = ini.GetInt("GLOBAL", "Total_Item_Count", 0);
    if (count <= 0)
        return true;
    for (int32_t i = 1; i <= count; ++i) {
        if (!IsHwmonPin(ini.GetString("ITEM" + std::to_string(i), "PinName").value_or("")))
            return true;
    }
    return false;
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
