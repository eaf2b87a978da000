#include "monitor_environment.h"

#include <sys/stat.h>

#include <filesystem>

std::vector<std::string> MonitorEnvironment(const std::string& runtimeDir, const CTempDir& dir,
                                            const std::string& powerOffCommand) {
    std::filesystem::create_directories(dir.PathOf("state"));
    // The single-instance object lives here; like $XDG_RUNTIME_DIR, only its user may enter.
    ::mkdir(dir.PathOf("xdg").c_str(), 0700);
    return {
        "VORNIO_RUNTIME_DIR=" + runtimeDir,
        "VORNIO_STATE_DIR=" + dir.PathOf("state"),
        "VORNPILOT_DMI_DIR=" + std::string(VORN_BIN_DIR) + "/sim/EHF-SIM.dmi",
        "XDG_CONFIG_HOME=" + dir.PathOf("config"),
        "XDG_RUNTIME_DIR=" + dir.PathOf("xdg"),
        "VORNPILOT_POWEROFF_COMMAND=" + powerOffCommand,
        "DISPLAY=",
        "WAYLAND_DISPLAY=",
    };
}
