#pragma once
// The monitor without a window: the monitor session driven every two seconds, each pass shown as
// a table refreshed in the terminal or as one JSON line, and as metrics when asked. Only one copy
// runs per user, window or console, whichever program shows it. SIGINT, SIGTERM and SIGHUP end it:
// every fan gets its own fan control back where the chip answers, and the engine undoes its chip
// set-up.

#include <cstdio>
#include <string>
#include <utility>

#include "chip_path.h"
#include "console_options.h"
#include "machine.h"
#include "port_guard.h"

inline constexpr int PASS_INTERVAL_MS = 2000;
inline constexpr int EXIT_ALREADY_RUNNING = 1;
// A bounded run (--once, --passes) whose last pass read nothing at all: the chip did not answer,
// or the machine has no sensor.
inline constexpr int EXIT_NO_READINGS = 3;

class CConsoleFrontEnd {
  public:
    // `guard`: the chip's port calls, re-armed by the session before each pass. `appName`: the
    // name the single copy is claimed under; empty for the program file's own name.
    // `path`: the way to the chip.
    CConsoleFrontEnd(IMachine& machine, const ConsoleOptions& options, CPortGuard& guard,
                     CChipPath& path, std::FILE* out = stdout, std::string appName = {})
        : m_machine(machine),
          m_options(options),
          m_guard(guard),
          m_path(path),
          m_out(out),
          m_appName(std::move(appName)) {}

    // Runs until the passes asked for are done or a stop signal arrives. The exit code: 0, or
    // EXIT_NO_READINGS when the last pass of a bounded run read nothing.
    int Run();

  private:
    IMachine& m_machine;
    ConsoleOptions m_options;
    CPortGuard& m_guard;
    CChipPath& m_path;
    std::FILE* m_out;
    std::string m_appName;
};
