// Load step: the driver must be running before any client code runs. When it cannot be
// started the user is asked to run the program once as administrator, and the process ends;
// when the service ended because the kernel forbids raw port access, the user is told that
// instead, since logging in as administrator cannot help. Then the process joins the shared
// block. Unload step: the process's waiting thread ends and the last window it registered leaves
// the table.

#include <syslog.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "library_state.h"
#include "runtime_paths.h"

namespace {

constexpr const char* ADMIN_MESSAGE =
    "When you see this dialog box, please login as administrator and run this\n"
    "program once so that you won't see this dialog box again.";
constexpr const char* LOCKDOWN_MESSAGE =
    "The VORN-IO service has stopped: the kernel forbids raw port access on this\n"
    "system (kernel lockdown, as under Secure Boot), so the chip cannot be reached\n"
    "through the service. Its log says more: journalctl -u vorn-iod\n"
    "Load the kernel's own driver for the chip instead (modprobe w83627ehf); the\n"
    "monitor reads the chip through it by itself.";

// The note a service that ended under kernel lockdown left behind: its own words, or nothing.
std::string LockdownNote() {
    std::ifstream in(JoinPath(VornioStateDir(), DRIVER_LOCKDOWN_NOTE_NAME));
    std::string line;
    std::getline(in, line);
    return line;
}
// The exit status of a process whose start was refused.
constexpr int EXIT_REFUSED = 1;

__attribute__((constructor)) void LibraryLoad() {
    CLibraryState& state = CLibraryState::Instance();
    if (state.Start()) {
        state.Attach();
        return;
    }
    const std::string cause = state.Failure().Cause();
    // Root was about to run a program that others can change: logging in would not help, and
    // the process must not go on as if nothing had happened.
    if (state.Failure().IsRefusal()) {
        std::fprintf(stderr, "vorn-io: %s\n", cause.c_str());
        syslog(LOG_ERR, "vorn-io: %s", cause.c_str());
        std::exit(EXIT_REFUSED);
    }
    // A service the kernel stopped: the process ends as the rule says, with the true reason.
    if (const std::string note = LockdownNote(); !note.empty()) {
        state.Failure().Record("Start driver fail!", static_cast<unsigned>(errno), note);
        std::fprintf(stderr, "vorn-io: %s\n", note.c_str());
        std::fprintf(stderr, "MSG: %s\n", LOCKDOWN_MESSAGE);
        syslog(LOG_ERR, "vorn-io: %s", note.c_str());
        syslog(LOG_ERR, "MSG: %s", LOCKDOWN_MESSAGE);
        std::exit(0);
    }
    // The rule stays (ask for the administrator, end with 0), but what was found is said too,
    // so a broken installation is not mistaken for a missing log-in.
    state.Failure().Record("Start driver fail!", static_cast<unsigned>(errno), cause);
    if (!cause.empty())
        std::fprintf(stderr, "vorn-io: %s\n", cause.c_str());
    std::fprintf(stderr, "MSG: %s\n", ADMIN_MESSAGE);
    if (!cause.empty())
        syslog(LOG_ERR, "vorn-io: %s", cause.c_str());
    syslog(LOG_ERR, "MSG: %s", ADMIN_MESSAGE);
    std::exit(0);
}

__attribute__((destructor)) void LibraryUnload() {
    CLibraryState::Instance().Unload();
}

}  // namespace
