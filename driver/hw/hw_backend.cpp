#include "hw_backend.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "kernel_driver_check.h"
#include "log.h"
#include "port_record.h"

namespace {

bool ReadExactly(int fd, uint8_t* bytes, size_t size, off_t offset) {
    ssize_t n;
    do {
        n = ::pread(fd, bytes, size, offset);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(size);
}

bool WriteExactly(int fd, const uint8_t* bytes, size_t size, off_t offset) {
    ssize_t n;
    do {
        n = ::pwrite(fd, bytes, size, offset);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(size);
}

}  // namespace

std::unique_ptr<CHwBackend> CHwBackend::Create(const HwBackendOptions& options, std::string* error,
                                               uid_t effectiveUid) {
    const bool realDevices = options.portDevice == HwBackendOptions::DEFAULT_PORT_DEVICE ||
                             options.msrDevice == HwBackendOptions::DEFAULT_MSR_DEVICE;
    if (effectiveUid != 0 && realDevices) {
        *error = "the hw backend runs as root only";
        return nullptr;
    }
    if (auto driver = FindKernelChipDriver(options.sysfsRoot); driver && !options.force) {
        *error = "the kernel's driver for the chip is present (" + *driver +
                 "); unload it first, or pass --force";
        return nullptr;
    }
    auto allowList = CAllowList::Load(options.allowListPath, options.allowListGiven, error);
    if (!allowList)
        return nullptr;

    CUniqueFd portFd(::open(options.portDevice.c_str(), O_RDWR | O_CLOEXEC));
    if (!portFd.IsValid()) {
        *error = "cannot open " + options.portDevice + ": " + std::strerror(errno);
        return nullptr;
    }
    // The msr device exists only with the msr module loaded; ports keep working without it.
    CUniqueFd msrFd;
    if (allowList->AllowsAnyMsr()) {
        const int mode = allowList->AllowsAnyMsrWrite() ? O_RDWR : O_RDONLY;
        msrFd.Reset(::open(options.msrDevice.c_str(), mode | O_CLOEXEC));
        if (!msrFd.IsValid()) {
            IodLog("cannot open %s (%s); MSR requests will fail", options.msrDevice.c_str(),
                   std::strerror(errno));
        }
    }
    return std::unique_ptr<CHwBackend>(
        new CHwBackend(std::move(*allowList), std::move(portFd), std::move(msrFd)));
}

void CHwBackend::LogRefusal(const char* what, uint32_t where) {
    // The count stops one past the limit, so exactly one thread logs the "further" line.
    int logged = m_refusalsLogged.load();
    do {
        if (logged > MAX_LOGGED_REFUSALS)
            return;
    } while (!m_refusalsLogged.compare_exchange_weak(logged, logged + 1));
    if (logged + 1 > MAX_LOGGED_REFUSALS) {
        IodLog("further refused accesses are not logged");
        return;
    }
    IodLog("refused %s 0x%X: not in the allow-list", what, where);
}

bool CHwBackend::ReadPort(uint16_t port, uint8_t size, uint32_t* value) {
    if (size != 1 && size != 2 && size != 4)
        return false;
    if (!m_allowList.AllowsPort(port, size)) {
        LogRefusal("port read at", port);
        return false;
    }
    uint8_t bytes[4] = {};
    if (!ReadExactly(m_portFd.Get(), bytes, size, port))
        return false;
    *value = 0;
    for (int i = size - 1; i >= 0; --i)
        *value = (*value << 8) | bytes[i];
    return true;
}

bool CHwBackend::WritePort(uint16_t port, uint8_t size, uint32_t value) {
    if (size != 1 && size != 2 && size != 4)
        return false;
    if (!m_allowList.AllowsPort(port, size)) {
        LogRefusal("port write at", port);
        return false;
    }
    uint8_t bytes[4];
    vornio::PutLe32(bytes, value);
    return WriteExactly(m_portFd.Get(), bytes, size, port);
}

bool CHwBackend::ReadMsr(uint32_t msr, uint64_t* value) {
    if (!m_allowList.AllowsMsrRead(msr)) {
        LogRefusal("MSR read of", msr);
        return false;
    }
    uint8_t bytes[8];
    if (!m_msrFd.IsValid() || !ReadExactly(m_msrFd.Get(), bytes, sizeof bytes, msr))
        return false;
    *value = vornio::GetLe64(bytes);
    return true;
}

bool CHwBackend::WriteMsr(uint32_t msr, uint64_t value) {
    if (!m_allowList.AllowsMsrWrite(msr)) {
        LogRefusal("MSR write of", msr);
        return false;
    }
    uint8_t bytes[8];
    vornio::PutLe64(bytes, value);
    return m_msrFd.IsValid() && WriteExactly(m_msrFd.Get(), bytes, sizeof bytes, msr);
}
