#include "local_machine.h"

#include <limits.h>
#include <time.h>
#include <unistd.h>

#include <vector>

#include "os_version_info.h"
#include "power_off.h"
#include "system_info.h"

int CLocalMachine::ProcessorCount() {
    long n = ::sysconf(_SC_NPROCESSORS_ONLN);
    return n < 1 ? 1 : static_cast<int>(n);
}

int64_t CLocalMachine::PerfCounter() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * PERF_FREQUENCY + ts.tv_nsec;
}

void CLocalMachine::RequestPowerOff() {
    COSVersionInfo().ShutdownComputer(SystemPowerOff());
}

std::string CLocalMachine::SystemFact(const std::string& key) {
    return CSystemInfo(m_notifier).GetInfo(key);
}

std::string CLocalMachine::ModuleFileName() {
    std::vector<char> buf(PATH_MAX + 1);
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    return n <= 0 ? "" : std::string(buf.data(), static_cast<size_t>(n));
}
