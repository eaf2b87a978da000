#include "kernel_driver_check.h"

#include <sys/stat.h>
#include <time.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

constexpr const char* DRIVER_NAME = "w83627ehf";
constexpr unsigned CHIP_FIRST_PORT = 0x295;
constexpr unsigned CHIP_LAST_PORT = 0x296;

std::string FirstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

std::optional<std::string> FindHwmonDevice(const std::string& sysfsRoot) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(sysfsRoot + "/class/hwmon", ec)) {
        const auto name = entry.path() / "name";
        if (FirstLine(name) == DRIVER_NAME)
            return name.string();
    }
    return std::nullopt;
}

// Lines look like "  0295-0296 : w83627ehf"; nesting is by indentation, which does not matter
// here: any owner of the chip's ports but a plug-and-play reservation is the kernel's.
std::optional<std::string> FindPortOwner(const std::string& procRoot) {
    const std::string path = procRoot + "/ioports";
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        unsigned first = 0, last = 0;
        int consumed = 0;
        if (std::sscanf(line.c_str(), " %x-%x : %n", &first, &last, &consumed) != 2 ||
            consumed == 0) {
            continue;
        }
        const std::string owner = line.substr(static_cast<size_t>(consumed));
        if (first > CHIP_LAST_PORT || last < CHIP_FIRST_PORT || owner.rfind("pnp ", 0) == 0)
            continue;
        return path + ": " + line.substr(line.find_first_not_of(' '));
    }
    return std::nullopt;
}

int64_t MonotonicMs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

}  // namespace

std::optional<std::string> FindKernelChipDriver(const std::string& sysfsRoot,
                                                const std::string& procRoot) {
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
    if (auto device = FindHwmonDevice(sysfsRoot))
        return device;
    return FindPortOwner(procRoot);
}

CKernelDriverWatch::CKernelDriverWatch(std::string sysfsRoot, std::string procRoot,
                                       std::function<int64_t()> nowMs)
    : m_sysfsRoot(std::move(sysfsRoot)),
      m_procRoot(std::move(procRoot)),
      m_nowMs(nowMs ? std::move(nowMs) : MonotonicMs) {}

std::optional<std::string> CKernelDriverWatch::Seen() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_seen)
        return m_seen;
    const int64_t now = m_nowMs();
    if (m_checked && now - m_lastCheckMs < RECHECK_MS)
        return std::nullopt;
    m_checked = true;
    m_lastCheckMs = now;
    m_seen = FindKernelChipDriver(m_sysfsRoot, m_procRoot);
    return m_seen;
}
