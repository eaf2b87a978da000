#include "hw_device_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr off_t PORT_SPACE = 0x10000;
constexpr off_t MSR_SPACE = 0x2000;

void MakeSparseFile(const std::string& path, off_t size) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return;
    const bool sized = ::ftruncate(fd, size) == 0;
    ::close(fd);
    // Without its size the file is useless; its absence makes the service's start fail loudly.
    if (!sized)
        ::unlink(path.c_str());
}

}  // namespace

CHwDeviceFiles::CHwDeviceFiles(const std::string& allowList) {
    MakeSparseFile(PortFile(), PORT_SPACE);
    MakeSparseFile(MsrFile(), MSR_SPACE);
    ::mkdir(SysfsRoot().c_str(), 0755);
    ::mkdir(ProcRoot().c_str(), 0755);
    m_temp.WriteFile("allow.conf", allowList);
    ::chmod(AllowListFile().c_str(), 0644);
}

std::vector<std::string> CHwDeviceFiles::DaemonArgs() const {
    return {"--backend",   "hw",           "--port-device", PortFile(),     "--msr-device",
            MsrFile(),     "--allow-list", AllowListFile(), "--sysfs-root", SysfsRoot(),
            "--proc-root", ProcRoot(),     "--state-dir",   StateDir()};
}

std::vector<uint8_t> CHwDeviceFiles::Peek(const std::string& file, uint64_t offset,
                                          size_t size) const {
    std::vector<uint8_t> bytes(size);
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0)
        return {};
    const ssize_t n = ::pread(fd, bytes.data(), size, static_cast<off_t>(offset));
    ::close(fd);
    if (n != static_cast<ssize_t>(size))
        return {};
    return bytes;
}

bool CHwDeviceFiles::Poke(const std::string& file, uint64_t offset,
                          const std::vector<uint8_t>& bytes) const {
    const int fd = ::open(file.c_str(), O_WRONLY);
    if (fd < 0)
        return false;
    const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    ::close(fd);
    return n == static_cast<ssize_t>(bytes.size());
}
