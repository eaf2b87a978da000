// vornio-listen: an example client of libvorn-io.so. It makes a window, registers it and the
// interrupt event with the library, and prints one line for every "GX4410_INTERRUPTED" message
// the library posts to it, until SIGINT or SIGTERM.
//
//   listening: window 0x<handle>, message 0x<number>, event registered <now|already>
//   GX4410_INTERRUPTED sources 0x<pending sources>
//   stopped
//
// The window is one of the platform's window queues in $VORNIO_RUNTIME_DIR: its file
// descriptor joins the poll loop below, as it would join any program's event loop.

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "message_window.h"
#include "runtime_paths.h"
#include "vornio.h"
#include "window_message_names.h"

namespace {

constexpr const char* USAGE =
    "Usage: vornio-listen\n"
    "Registers a window and the microcontroller's interrupt event with libvorn-io and prints\n"
    "each GX4410_INTERRUPTED message with its pending sources until SIGINT or SIGTERM.\n";

int Fail(const char* what) {
    std::fprintf(stderr, "vornio-listen: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (argc != 1) {
        std::fputs(USAGE, stderr);
        return 2;
    }

    // Blocked before the library starts its thread, so that the signals come here only.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    if (sigprocmask(SIG_BLOCK, &stopSignals, nullptr) != 0)
        return Fail("cannot block the stop signals");
    const int stopFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (stopFd < 0)
        return Fail("cannot watch the stop signals");

    const std::string dir = VornioRuntimeDir();
    const uint32_t interrupted = RegisterWindowMessage(dir, "GX4410_INTERRUPTED");
    if (interrupted == 0)
        return Fail("cannot register the window message GX4410_INTERRUPTED");
    CMessageWindow window;
    if (!window.Create(dir))
        return Fail("cannot create a window");
    if (!RegisterHandle(window.Handle()))
        return Fail("cannot register the window (is the table full?)");
    const bool now = RegisterEvent() != 0;
    if (!now && !IsEventRegistered()) {
        UnregisterHandle(window.Handle());
        return Fail("cannot register the interrupt event");
    }
    std::printf("listening: window 0x%08X, message 0x%04X, event registered %s\n", window.Handle(),
                interrupted, now ? "now" : "already");
    std::fflush(stdout);

    for (;;) {
        pollfd fds[2] = {{window.Fd(), POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents != 0)
            break;
        SWindowMessage message;
        while (window.Receive(&message)) {
            if (message.message == interrupted)
                std::printf("GX4410_INTERRUPTED sources 0x%02X\n", message.wParam & 0xFF);
        }
        std::fflush(stdout);
    }

    UnregisterHandle(window.Handle());
    window.Destroy();
    std::printf("stopped\n");
    std::fflush(stdout);
    close(stopFd);
    return 0;
}
