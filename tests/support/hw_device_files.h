#pragma once
// Regular files standing for /dev/port and the msr device, an allow-list and empty sysfs and
// proc trees, for running the hw backend without touching any hardware. A regular file has no
// chip behind 0x295/0x296, so the service refuses writes to the chip's data port there.

#include <cstdint>
#include <string>
#include <vector>

#include "temp_dir.h"

class CHwDeviceFiles {
  public:
    static constexpr const char* DEFAULT_ALLOW_LIST =
        "port 0x295-0x296\n"
        "port 0xE0\n"
        "port 0xE4\n"
        "port 0x80-0x83\n"
        "msr-read 0x100-0x10F\n"
        "msr-write 0x108\n";

    explicit CHwDeviceFiles(const std::string& allowList = DEFAULT_ALLOW_LIST);

    // vorn-iod arguments selecting the hw backend over these files.
    std::vector<std::string> DaemonArgs() const;
    std::string PortFile() const { return m_temp.PathOf("port"); }
    std::string MsrFile() const { return m_temp.PathOf("msr"); }
    std::string SysfsRoot() const { return m_temp.PathOf("sys"); }
    std::string ProcRoot() const { return m_temp.PathOf("proc"); }
    std::string StateDir() const { return m_temp.PathOf("state"); }
    std::string AllowListFile() const { return m_temp.PathOf("allow.conf"); }

    std::vector<uint8_t> Peek(const std::string& file, uint64_t offset, size_t size) const;
    bool Poke(const std::string& file, uint64_t offset, const std::vector<uint8_t>& bytes) const;

  private:
    CTempDir m_temp;
};
