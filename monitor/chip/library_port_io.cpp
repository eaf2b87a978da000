#include "library_port_io.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "vornio.h"

namespace {

constexpr const char* LIBRARY_NAME = "libvorn-io.so";

struct SPortLibrary {
    decltype(&::InPortB) in = nullptr;
    decltype(&::OutPortB) out = nullptr;
};

// The folder of the running program, with its trailing '/'.
std::string ProgramFolder() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0)
        return "";
    const std::string exe(path, static_cast<size_t>(n));
    return exe.substr(0, exe.rfind('/') + 1);
}

// Opened once; the library stays loaded until the process ends, as a linked one would.
const SPortLibrary& PortLibrary() {
    static const SPortLibrary library = [] {
        SPortLibrary l;
        // A program linked with the library (a benchmark) has it loaded and started already.
        void* handle = ::dlopen(LIBRARY_NAME, RTLD_NOW | RTLD_NOLOAD);
        const std::string path = ProgramFolder() + LIBRARY_NAME;
        if (handle == nullptr)
            handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
        if (handle == nullptr) {
            std::fprintf(stderr, "vornpilot: cannot open the port-I/O library: %s\n", ::dlerror());
            return l;
        }
        l.in = reinterpret_cast<decltype(l.in)>(::dlsym(handle, "InPortB"));
        l.out = reinterpret_cast<decltype(l.out)>(::dlsym(handle, "OutPortB"));
        return l;
    }();
    return library;
}

}  // namespace

bool OpenPortLibrary() {
    const SPortLibrary& l = PortLibrary();
    return l.in != nullptr && l.out != nullptr;
}

int CLibraryPortIo::InPortB(uint16_t port, uint8_t* value) {
    const SPortLibrary& l = PortLibrary();
    return l.in != nullptr ? l.in(port, value) : 0;
}
int CLibraryPortIo::OutPortB(uint16_t port, uint8_t value) {
    const SPortLibrary& l = PortLibrary();
    return l.out != nullptr ? l.out(port, value) : 0;
}
