// A client program of libvorn-io.so for the integration tests: linked against the library like
// any client, it runs one command per line from standard input and prints one result line.
//
//   in <port>                    -> "<result> <value>"
//   out <port> <value>           -> "<result>"        (value passed as a full int)
//   readval <port> <size>        -> "<bool> <value>"
//   writeval <port> <value> <size> -> "<bool>"
//   rdmsr <msr>                  -> "<value>"
//   wrmsr <msr> <low> <high>     -> "ok"
//   started                      -> "<bool>"
//   version                      -> the version text
// Numbers are accepted in C notation (0x..) and printed in hex.

#include <dlfcn.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include "vornio.h"

namespace {
unsigned long Num(std::istringstream& in) {
    std::string word;
    in >> word;
    return std::strtoul(word.c_str(), nullptr, 0);
}
}  // namespace

int main() {
    // A client may hand OutPortB a wider value through an int-typed pointer; only the low
    // byte must reach the port. Looked up by name, as a dynamic client would.
    auto outPortWide =
        reinterpret_cast<int (*)(uint16_t, unsigned)>(dlsym(RTLD_DEFAULT, "OutPortB"));
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string cmd;
        in >> cmd;
        if (cmd == "in") {
            uint16_t port = static_cast<uint16_t>(Num(in));
            uint8_t v = 0xEE;
            int r = InPortB(port, &v);
            std::printf("%d 0x%02X\n", r, v);
        } else if (cmd == "out") {
            uint16_t port = static_cast<uint16_t>(Num(in));
            unsigned v = static_cast<unsigned>(Num(in));
            std::printf("%d\n", outPortWide(port, v));
        } else if (cmd == "readval") {
            uint16_t port = static_cast<uint16_t>(Num(in));
            uint8_t size = static_cast<uint8_t>(Num(in));
            uint32_t v = 0xDEADBEEF;
            bool r = ReadPortVal(port, &v, size);
            std::printf("%d 0x%X\n", r ? 1 : 0, v);
        } else if (cmd == "writeval") {
            uint16_t port = static_cast<uint16_t>(Num(in));
            uint32_t v = static_cast<uint32_t>(Num(in));
            uint8_t size = static_cast<uint8_t>(Num(in));
            std::printf("%d\n", WritePortVal(port, v, size) ? 1 : 0);
        } else if (cmd == "rdmsr") {
            std::printf("0x%" PRIX64 "\n", ReadMSR(static_cast<uint32_t>(Num(in))));
        } else if (cmd == "wrmsr") {
            uint32_t msr = static_cast<uint32_t>(Num(in));
            uint32_t lo = static_cast<uint32_t>(Num(in));
            uint32_t hi = static_cast<uint32_t>(Num(in));
            WriteMSR(msr, lo, hi);
            std::printf("ok\n");
        } else if (cmd == "started") {
            std::printf("%d\n", IsStart() ? 1 : 0);
        } else if (cmd == "version") {
            char buffer[16];
            GetDllVersion(buffer);
            std::printf("%s\n", buffer);
        } else {
            std::printf("? %s\n", cmd.c_str());
        }
        std::fflush(stdout);
    }
    return 0;
}
