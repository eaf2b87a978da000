#include "library_state.h"

#include <dlfcn.h>

#include "library_environment.h"

CLibraryState& CLibraryState::Instance() {
    // Never destroyed: exports may still be called from other libraries' destructors.
    static CLibraryState* state = new CLibraryState();
    return *state;
}

CLibraryState::CLibraryState() : m_ports(m_channel, m_failure) {}

bool CLibraryState::Start() {
    CLibraryEnvironment env(m_channel, LibraryDirectory());
    bool ok = RunStart(env, m_failure);
    if (ok)
        m_started = true;
    return ok;
}

std::string LibraryDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LibraryDirectory), &info) == 0 || !info.dli_fname) {
        return "";
    }
    char resolved[4096];
    if (!realpath(info.dli_fname, resolved))
        return "";
    std::string path = resolved;
    auto slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}
