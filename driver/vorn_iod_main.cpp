// vorn-iod: the driver service. Serves the VORN-IO socket with the sim or the hw backend until
// SIGTERM or SIGINT, or until its runtime directory is deleted, then removes its socket and pid
// file.

#include <signal.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "device_server.h"
#include "hw_backend.h"
#include "hwmon_sysfs_writer.h"
#include "interrupt_event.h"
#include "iod_options.h"
#include "kernel_driver_check.h"
#include "log.h"
#include "no_raw_backend.h"
#include "request_dispatcher.h"
#include "runtime_dir.h"
#include "runtime_paths.h"
#include "sim_board.h"
#include "sim_hwmon_device.h"
#include "unique_fd.h"

namespace {

constexpr int EXIT_BAD_OPTIONS = 2;
// The kernel forbids raw port access: restarting cannot help, and the unit does not.
constexpr int EXIT_KERNEL_LOCKDOWN = 3;

// The library tells its user why the service is gone from this note.
std::string StateDir(const IodOptions& options) {
    return options.stateDir.empty() ? VornioStateDir() : options.stateDir;
}

void LeaveLockdownNote(const IodOptions& options, const std::string& text) {
    const std::string path = JoinPath(StateDir(options), DRIVER_LOCKDOWN_NOTE_NAME);
    std::error_code ec;
    std::filesystem::create_directories(StateDir(options), ec);
    if (FILE* note = std::fopen(path.c_str(), "w")) {
        std::fprintf(note, "%s\n", text.c_str());
        std::fclose(note);
    } else {
        IodLog("cannot leave the note %s", path.c_str());
    }
}

void RemoveLockdownNote(const IodOptions& options) {
    std::error_code ec;
    std::filesystem::remove(JoinPath(StateDir(options), DRIVER_LOCKDOWN_NOTE_NAME), ec);
}

std::string ProgramDir() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

// SIGTERM and SIGINT arrive as readable data on a descriptor the service loop polls.
CUniqueFd BlockStopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0)
        return CUniqueFd();
    return CUniqueFd(signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK));
}

// A service whose socket or runtime directory is deleted cannot be found by any client any more,
// and one that a library started again would outlive the run that made it: it stops as on
// SIGTERM. (The directory itself outlives its deletion while the bound socket pins it, so the
// socket's own deletion is what tells.)
std::atomic<bool> g_closing{false};

bool WatchRuntimeDir(const std::string& dir) {
    const int watch = inotify_init1(IN_CLOEXEC);
    if (watch < 0 ||
        inotify_add_watch(watch, dir.c_str(),
                          IN_DELETE | IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF) < 0)
        return false;
    std::thread([watch, dir] {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(watch, buffer, sizeof buffer);
            if (n <= 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                const bool self = event->mask & (IN_DELETE_SELF | IN_MOVE_SELF);
                // The service's own closing removes its socket too.
                if (g_closing)
                    return;
                if (self || (event->len > 0 && std::strcmp(event->name, DEVICE_SOCKET_NAME) == 0)) {
                    IodLog("the runtime directory %s or its socket is gone", dir.c_str());
                    ::kill(::getpid(), SIGTERM);
                    return;
                }
            }
        }
    }).detach();
    return true;
}

struct Backend {
    std::unique_ptr<IDriverBackend> owner;
    ISimControl* simControl = nullptr;
    CSimBoard* simBoard = nullptr;
};

bool MakeBackend(const IodOptions& options, Backend* backend, std::string* error,
                 EHwStartFailure* failure) {
    if (options.backend == EBackend::HW) {
        backend->owner = CHwBackend::Create(options.hw, error, ::geteuid(), failure);
        if (!backend->owner && *failure == EHwStartFailure::KERNEL_LOCKDOWN) {
            // The monitor then reaches the chip through the kernel's driver, whose attributes
            // only root may write: that much the service can still do.
            if (auto seen = FindKernelChipDriver(options.hw.sysfsRoot, options.hw.procRoot)) {
                IodLog("%s", error->c_str());
                IodLog(
                    "the kernel's driver for the chip is present (%s): serving its attribute "
                    "writes only; every port and MSR request is refused",
                    seen->c_str());
                backend->owner = std::make_unique<CNoRawBackend>();
            }
        }
        return backend->owner != nullptr;
    }
    auto board = CSimBoard::Load(options.boardFile, error);
    if (!board)
        return false;
    if (options.seed)
        board->SetSeed(*options.seed);
    board->SetDrift(options.drift);
    backend->simControl = board.get();
    backend->simBoard = board.get();
    backend->owner = std::move(board);
    return true;
}

int Serve(const IodOptions& options) {
    CUniqueFd stopFd = BlockStopSignals();
    if (!stopFd.IsValid()) {
        IodLog("cannot set up signal handling");
        return EXIT_FAILURE;
    }
    std::string error;
    Backend backend;
    EHwStartFailure failure = EHwStartFailure::OTHER;
    if (!MakeBackend(options, &backend, &error, &failure)) {
        IodLog("%s", error.c_str());
        if (failure == EHwStartFailure::KERNEL_LOCKDOWN) {
            LeaveLockdownNote(options, error);
            return EXIT_KERNEL_LOCKDOWN;
        }
        return EXIT_FAILURE;
    }
    if (options.backend == EBackend::HW)
        RemoveLockdownNote(options);
    CRuntimeDir runtimeDir(options.runtimeDir);
    if (!runtimeDir.Claim(&error)) {
        IodLog("%s", error.c_str());
        return EXIT_FAILURE;
    }
    CInterruptEvent interruptEvent(options.runtimeDir);
    backend.owner->SetInterruptSink(&interruptEvent);
    CRequestDispatcher dispatcher(*backend.owner, &interruptEvent);
    // hwmon writes: to the simulated driver when it shows the board, else to the kernel's.
    CHwmonSysfsWriter sysfsWriter(options.sysfsRoot);
    std::unique_ptr<CSimHwmonDevice> simHwmon;
    if (backend.simBoard && !options.hwmonRoot.empty()) {
        simHwmon = std::make_unique<CSimHwmonDevice>(*backend.simBoard, options.hwmonRoot);
        if (!simHwmon->Start(&error)) {
            IodLog("%s", error.c_str());
            return EXIT_FAILURE;
        }
        IodLog("showing the board as the w83627ehf hwmon device in %s", options.hwmonRoot.c_str());
        dispatcher.SetHwmonWriter(simHwmon.get());
    } else {
        dispatcher.SetHwmonWriter(&sysfsWriter);
    }
    CDeviceServer server(options.runtimeDir, dispatcher, backend.simControl,
                         options.idleTimeoutSeconds * 1000);
    if (!server.Open(&error) || !runtimeDir.WritePid(&error)) {
        IodLog("%s", error.c_str());
        return EXIT_FAILURE;
    }
    IodLog("serving %s with the %s backend", runtimeDir.PathOf(DEVICE_SOCKET_NAME).c_str(),
           options.backend == EBackend::SIM ? "sim" : "hw");
    if (!WatchRuntimeDir(options.runtimeDir)) {
        IodLog("cannot watch the runtime directory %s", options.runtimeDir.c_str());
        return EXIT_FAILURE;
    }
    const bool ok = server.Run(stopFd.Get());
    g_closing = true;
    server.Close();
    if (simHwmon)
        simHwmon->Stop();
    backend.owner->SetInterruptSink(nullptr);
    runtimeDir.Release();
    IodLog("stopped");
    return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace

int main(int argc, char** argv) {
    ::signal(SIGPIPE, SIG_IGN);

    const char* runtimeVar = std::getenv("VORNIO_RUNTIME_DIR");
    const char* sysfsVar = std::getenv("VORNPILOT_SYSFS_ROOT");
    IodEnvironment env{runtimeVar ? runtimeVar : "", ProgramDir(), sysfsVar ? sysfsVar : ""};
    std::string error;
    auto options = ParseIodOptions(std::vector<std::string>(argv + 1, argv + argc), env, &error);
    if (!options) {
        std::fprintf(stderr, "vorn-iod: %s\nTry 'vorn-iod --help'.\n", error.c_str());
        return EXIT_BAD_OPTIONS;
    }
    if (options->help) {
        std::fputs(IodUsage().c_str(), stdout);
        return EXIT_SUCCESS;
    }
    return Serve(*options);
}
