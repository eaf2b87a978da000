#pragma once
// The monitor without a window: the same engine start, the same two-second pass and the same
// power-off as the window, shown as a table refreshed in the terminal or as one JSON line per
// pass. Only one copy runs per user, window or console.

#include <cstdio>

#include "console_options.h"
#include "machine.h"

inline constexpr int PASS_INTERVAL_MS = 2000;
inline constexpr int EXIT_ALREADY_RUNNING = 1;

class CConsoleFrontEnd {
  public:
    CConsoleFrontEnd(IMachine& machine, const ConsoleOptions& options, std::FILE* out = stdout)
        : m_machine(machine), m_options(options), m_out(out) {}

    // Runs until the passes asked for are done or SIGINT, SIGTERM or SIGHUP arrives; then every
    // fan gets its own fan control back and the engine undoes its chip set-up. The exit code.
    int Run();

  private:
    IMachine& m_machine;
    ConsoleOptions m_options;
    std::FILE* m_out;
};
