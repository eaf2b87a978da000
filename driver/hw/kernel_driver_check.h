#pragma once
// Whether the kernel's own hwmon driver for the chip is loaded, bound or holds the chip's
// ports: the hw backend and the kernel would then drive the same index/data ports and corrupt
// each other's register accesses (/dev/port does not honour the kernel's port reservations).

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

// The first sign of the kernel driver, as a text naming where it was seen; nullopt when there
// is none. Looked for: its module or platform driver under sysfsRoot, a hwmon device under
// sysfsRoot/class/hwmon whose name is w83627ehf, and an owner of 0x295-0x296 in
// procRoot/ioports other than a plug-and-play reservation ("pnp ...").
std::optional<std::string> FindKernelChipDriver(const std::string& sysfsRoot,
                                                const std::string& procRoot);

// The same look, repeated while the service runs, at most once per RECHECK_MS; once the driver
// has been seen the answer stays, since the chip's state is the kernel's from then on.
class CKernelDriverWatch {
  public:
    static constexpr int64_t RECHECK_MS = 1000;

    CKernelDriverWatch(std::string sysfsRoot, std::string procRoot,
                       std::function<int64_t()> nowMs = {});

    // Where the driver was seen; nullopt while it has not been.
    std::optional<std::string> Seen();

  private:
    std::string m_sysfsRoot;
    std::string m_procRoot;
    std::function<int64_t()> m_nowMs;
    std::mutex m_mutex;
    bool m_checked = false;
    int64_t m_lastCheckMs = 0;
    std::optional<std::string> m_seen;
};
