#pragma once
// Command line of vorn-iod.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hw_backend.h"

enum class EBackend { SIM, HW };

struct IodOptions {
    static constexpr const char* DEFAULT_RUNTIME_DIR = "/run/vorn-io";

    bool help = false;
    EBackend backend = EBackend::SIM;
    std::string runtimeDir;
    int idleTimeoutSeconds = 300;
    // Where the kernel's hwmon devices are looked up (hwmon writes; the hw backend's checks).
    std::string sysfsRoot;
    // sim backend
    std::string boardFile;
    std::optional<uint64_t> seed;
    bool drift = true;
    // Where the simulated kernel driver's sysfs tree is kept; empty: no tree.
    std::string hwmonRoot;
    // hw backend
    HwBackendOptions hw;
    std::string stateDir;  // empty: $VORNIO_STATE_DIR, else /var/lib/vorn-io
};

struct IodEnvironment {
    std::string runtimeDirVariable;  // $VORNIO_RUNTIME_DIR, empty when unset
    std::string programDir;          // folder of the executable
    std::string sysfsRootVariable;   // $VORNPILOT_SYSFS_ROOT, empty when unset
};

// args excludes the program name. nullopt with a message in *error for a bad command line.
std::optional<IodOptions> ParseIodOptions(const std::vector<std::string>& args,
                                          const IodEnvironment& env, std::string* error);

std::string IodUsage();
