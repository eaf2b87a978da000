#include "process_identity.h"

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// /proc/<pid>/stat: "pid (comm) state ppid ..."; the command may hold spaces and parentheses,
// so the fields are counted from the last ')'. Field 3 is the state, field 22 the start time.
bool ReadStat(pid_t pid, char* state, uint64_t* startTicks) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return false;
    std::istringstream fields(text.substr(close + 1));
    std::string field;
    for (int index = 3; fields >> field; ++index) {
        if (index == 3)
            *state = field.empty() ? '?' : field[0];
        if (index == 22) {
            auto [end, ec] =
                std::from_chars(field.data(), field.data() + field.size(), *startTicks);
            return ec == std::errc() && end == field.data() + field.size();
        }
    }
    return false;
}

}  // namespace

SProcessIdentity ProcessIdentityOf(pid_t pid) {
    char state = '?';
    uint64_t start = 0;
    if (pid <= 0 || !ReadStat(pid, &state, &start) || state == 'Z' || state == 'X')
        return {};
    return {static_cast<int32_t>(pid), start};
}

SProcessIdentity CurrentProcessIdentity() {
    return ProcessIdentityOf(::getpid());
}

bool IsProcessRunning(const SProcessIdentity& process) {
    return process.pid > 0 && ProcessIdentityOf(process.pid) == process;
}
