#include "runtime_paths.h"

#include <cstdlib>

namespace {
std::string EnvOr(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return (v && *v) ? v : fallback;
}
}  // namespace

std::string VornioRuntimeDir() {
    return EnvOr("VORNIO_RUNTIME_DIR", "/run/vorn-io");
}
std::string VornioStateDir() {
    return EnvOr("VORNIO_STATE_DIR", "/var/lib/vorn-io");
}
std::string VornioBackend() {
    return EnvOr("VORNIO_BACKEND", "sim");
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty())
        return name;
    if (dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}
