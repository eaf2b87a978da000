#include "kernel_driver_check.h"

#include <sys/stat.h>

std::optional<std::string> FindKernelChipDriver(const std::string& sysfsRoot) {
    static constexpr const char* ENTRIES[] = {
        "/module/w83627ehf",
        "/bus/platform/drivers/w83627ehf",
    };
    for (const char* entry : ENTRIES) {
        std::string path = sysfsRoot + entry;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0)
            return path;
    }
    return std::nullopt;
}
