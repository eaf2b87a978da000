#include "kernel_lockdown.h"

#include <fstream>

std::optional<std::string> KernelLockdownMode(const std::string& sysfsRoot) {
    std::ifstream in(sysfsRoot + "/kernel/security/lockdown");
    std::string line;
    if (!std::getline(in, line))
        return std::nullopt;
    const size_t open = line.find('[');
    const size_t close = line.find(']', open);
    if (open == std::string::npos || close == std::string::npos)
        return std::nullopt;
    std::string mode = line.substr(open + 1, close - open - 1);
    if (mode.empty() || mode == "none")
        return std::nullopt;
    return mode;
}
