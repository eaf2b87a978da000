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
// Microcontroller mailbox:
//   wcmd <v> / wdata <v>         -> "<result>"
//   rcmd / rdata                 -> "0x<byte>"
//   isack / isbusy / isvalid / exist -> "<bool>"
//   setaip <item> <len> [<byte>...]        -> "<result>"  (missing bytes are 0)
//   getaip <item> <show> <len> [<byte>...] -> "<result> <first show bytes of out>" where out
//                                             starts as 512 bytes of 0xCC
//   hold-mutex                   -> "held": takes "GX4410_MUTEX" by name and never lets go
// Client windows and interrupts:
//   window                       -> "0x<handle>" of a new window of this process
//   register / unregister / registered <handle> -> "<bool>"
//   count                        -> "<count>"
//   list                         -> "<count> <slot0> ... <slot9>" (slots in hex)
//   registerevent                -> "<result>"
//   eventregistered / exitthread -> "<bool>"
//   eventhandle / intcount       -> "<value>"
//   send <code>                  -> "ok"
//   msgid                        -> "0x<number of GX4410_INTERRUPTED>"
//   recv <handle> <ms>           -> "0x<message> 0x<wParam> <lParam>" or "none"
//   fork-exit                    -> "<child's exit code>": a child forked without exec ends
//                                   with exit(), running the library's unload step
// Numbers are accepted in C notation (0x..) and printed in hex.

#include <dlfcn.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "message_window.h"
#include "named_mutex.h"
#include "runtime_paths.h"
#include "vornio.h"
#include "window_message_names.h"

namespace {
unsigned long Num(std::istringstream& in) {
    std::string word;
    in >> word;
    return std::strtoul(word.c_str(), nullptr, 0);
}

// The bytes left on the line, in a buffer of 256 (zeros after them).
std::vector<uint8_t> Rest(std::istringstream& in) {
    std::vector<uint8_t> bytes(256, 0);
    std::string word;
    for (size_t i = 0; i < bytes.size() && in >> word; ++i)
        bytes[i] = static_cast<uint8_t>(std::strtoul(word.c_str(), nullptr, 0));
    return bytes;
}

std::string Hex(const uint8_t* bytes, size_t count) {
    std::string text;
    char b[8];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(b, sizeof b, " %02X", bytes[i]);
        text += b;
    }
    return text;
}

std::map<uint32_t, std::unique_ptr<CMessageWindow>> g_windows;
CNamedMutex g_heldMutex;

// Waits up to ms for a message to the window.
std::string Receive(uint32_t handle, int ms) {
    auto it = g_windows.find(handle);
    if (it == g_windows.end())
        return "no such window";
    SWindowMessage m;
    if (!it->second->Receive(&m)) {
        pollfd p{it->second->Fd(), POLLIN, 0};
        if (poll(&p, 1, ms) <= 0 || !it->second->Receive(&m))
            return "none";
    }
    char line[64];
    std::snprintf(line, sizeof line, "0x%X 0x%X %d", m.message, m.wParam, m.lParam);
    return line;
}

bool Handle(const std::string& cmd, std::istringstream& in) {
    const std::string dir = VornioRuntimeDir();
    if (cmd == "wcmd") {
        std::printf("%d\n", WriteCommand(static_cast<uint8_t>(Num(in))));
    } else if (cmd == "wdata") {
        std::printf("%d\n", WriteData(static_cast<uint8_t>(Num(in))));
    } else if (cmd == "rcmd") {
        std::printf("0x%02X\n", ReadCommand());
    } else if (cmd == "rdata") {
        std::printf("0x%02X\n", ReadData());
    } else if (cmd == "isack") {
        std::printf("%d\n", IsACK() ? 1 : 0);
    } else if (cmd == "isbusy") {
        std::printf("%d\n", IsBusy() ? 1 : 0);
    } else if (cmd == "isvalid") {
        std::printf("%d\n", IsValid() ? 1 : 0);
    } else if (cmd == "exist") {
        std::printf("%d\n", IsGX4410Exist() ? 1 : 0);
    } else if (cmd == "setaip") {
        const uint8_t item = static_cast<uint8_t>(Num(in));
        const uint8_t length = static_cast<uint8_t>(Num(in));
        const std::vector<uint8_t> data = Rest(in);
        std::printf("%d\n", SetAIP(item, data.data(), length));
    } else if (cmd == "getaip") {
        const uint8_t item = static_cast<uint8_t>(Num(in));
        const size_t show = Num(in);
        const uint8_t length = static_cast<uint8_t>(Num(in));
        const std::vector<uint8_t> data = Rest(in);
        std::vector<uint8_t> out(512, 0xCC);
        const int r = GetAIP(item, data.data(), length, out.data());
        std::printf("%d%s\n", r, Hex(out.data(), std::min(show, out.size())).c_str());
    } else if (cmd == "hold-mutex") {
        const bool held =
            g_heldMutex.Open(dir, "GX4410_MUTEX") && g_heldMutex.Wait() == EWaitResult::SIGNALED;
        std::printf("%s\n", held ? "held" : "failed");
    } else if (cmd == "window") {
        auto w = std::make_unique<CMessageWindow>();
        if (!w->Create(dir)) {
            std::printf("failed\n");
        } else {
            std::printf("0x%X\n", w->Handle());
            g_windows[w->Handle()] = std::move(w);
        }
    } else if (cmd == "register") {
        std::printf("%d\n", RegisterHandle(static_cast<HWND>(Num(in))) ? 1 : 0);
    } else if (cmd == "unregister") {
        std::printf("%d\n", UnregisterHandle(static_cast<HWND>(Num(in))) ? 1 : 0);
    } else if (cmd == "registered") {
        std::printf("%d\n", IsHandleRegistered(static_cast<HWND>(Num(in))) ? 1 : 0);
    } else if (cmd == "count") {
        std::printf("%d\n", GetRegisteredHandleCount());
    } else if (cmd == "list") {
        int32_t list[10];
        const int count = GetRegisteredHandleList(list);
        std::printf("%d", count);
        for (int32_t h : list)
            std::printf(" 0x%X", static_cast<uint32_t>(h));
        std::printf("\n");
    } else if (cmd == "registerevent") {
        std::printf("%d\n", RegisterEvent());
    } else if (cmd == "eventregistered") {
        std::printf("%d\n", IsEventRegistered() ? 1 : 0);
    } else if (cmd == "exitthread") {
        std::printf("%d\n", ExitWaitingThread() ? 1 : 0);
    } else if (cmd == "eventhandle") {
        std::printf("%u\n", GetRegisteredEventHandle());
    } else if (cmd == "intcount") {
        std::printf("%d\n", GetInterruptCount());
    } else if (cmd == "send") {
        SendMsgToClient(static_cast<uint8_t>(Num(in)));
        std::printf("ok\n");
    } else if (cmd == "msgid") {
        std::printf("0x%X\n", RegisterWindowMessage(dir, "GX4410_INTERRUPTED"));
    } else if (cmd == "recv") {
        const uint32_t handle = static_cast<uint32_t>(Num(in));
        const int ms = static_cast<int>(Num(in));
        std::printf("%s\n", Receive(handle, ms).c_str());
    } else if (cmd == "fork-exit") {
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0)
            std::exit(0);
        int status = 0;
        waitpid(child, &status, 0);
        std::printf("%d\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    } else {
        return false;
    }
    return true;
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
        } else if (!Handle(cmd, in)) {
            std::printf("? %s\n", cmd.c_str());
        }
        std::fflush(stdout);
    }
    return 0;
}
