#include "sysfs_root.h"

#include <cstdlib>

std::string SysfsRoot() {
    const char* root = std::getenv("VORNPILOT_SYSFS_ROOT");
    return root != nullptr && *root != '\0' ? root : "/sys";
}
