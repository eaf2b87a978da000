#include "hw_backend.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "chip_identification.h"
#include "kernel_driver_check.h"
#include "kernel_lockdown.h"
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

constexpr uint16_t CHIP_INDEX_PORT = 0x295;
constexpr uint16_t CHIP_DATA_PORT = 0x296;

constexpr const char* LOCKDOWN_ADVICE =
    "Raw access to the chip cannot work on this system; load the kernel's w83627ehf driver "
    "instead (modprobe w83627ehf), which the monitor uses by itself.";

}  // namespace

std::unique_ptr<CHwBackend> CHwBackend::Create(const HwBackendOptions& options, std::string* error,
                                               uid_t effectiveUid, EHwStartFailure* failure) {
    if (failure)
        *failure = EHwStartFailure::OTHER;
    const bool realDevices = options.portDevice == HwBackendOptions::DEFAULT_PORT_DEVICE ||
                             options.msrDevice == HwBackendOptions::DEFAULT_MSR_DEVICE;
    if (effectiveUid != 0 && realDevices) {
        *error = "the hw backend runs as root only";
        return nullptr;
    }
    if (auto mode = KernelLockdownMode(options.sysfsRoot)) {
        *error = "the kernel is locked down (" + *mode + " mode, " + options.sysfsRoot +
                 "/kernel/security/lockdown): it forbids raw port access, to root too. " +
                 LOCKDOWN_ADVICE;
        if (failure)
            *failure = EHwStartFailure::KERNEL_LOCKDOWN;
        return nullptr;
    }
    auto allowList = CAllowList::Load(options.allowListPath, options.allowListGiven, error);
    if (!allowList)
        return nullptr;

    CUniqueFd portFd(::open(options.portDevice.c_str(), O_RDWR | O_CLOEXEC));
    if (!portFd.IsValid()) {
        const int openError = errno;
        *error = "cannot open " + options.portDevice + ": " + std::strerror(openError);
        // Root is refused only by the kernel itself: lockdown, or no raw I/O capability.
        if (openError == EPERM) {
            *error +=
                ": the kernel forbids raw port access (kernel lockdown, as under Secure "
                "Boot). " +
                std::string(LOCKDOWN_ADVICE);
            if (failure)
                *failure = EHwStartFailure::KERNEL_LOCKDOWN;
        }
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
    std::unique_ptr<CHwBackend> backend(
        new CHwBackend(options, std::move(*allowList), std::move(portFd), std::move(msrFd)));
    backend->IdentifyChip();
    return backend;
}

void CHwBackend::IdentifyChip() {
    if (!m_allowList.AllowsPort(CHIP_INDEX_PORT, 1) || !m_allowList.AllowsPort(CHIP_DATA_PORT, 1))
        return;  // no client can reach the chip anyway
    if (!m_shareChip) {
        if (auto seen = m_kernelDriver.Seen()) {
            m_kernelDriverLogged = true;
            IodLog(
                "the kernel's driver for the chip is present (%s): raw access to the chip's "
                "ports 0x295/0x296 is refused; the monitor reaches the chip through that "
                "driver",
                seen->c_str());
            return;
        }
    }
    const int fd = m_portFd.Get();
    SChipPortAccess ports{
        [fd](uint16_t port, uint8_t* value) { return ReadExactly(fd, value, 1, port); },
        [fd](uint16_t port, uint8_t value) { return WriteExactly(fd, &value, 1, port); }};
    const SChipIdentification id = ::IdentifyChip(ports);
    m_chipIdentified = id.identity == EChipIdentity::W83627EHF;
    m_chipFound = id.found;
    if (m_chipIdentified) {
        IodLog("the chip at 0x295/0x296 is a W83627EHF (%s)", id.found.c_str());
    } else {
        IodLog(
            "the chip at 0x295/0x296 is not a W83627EHF (it answers %s): writes to it are "
            "refused",
            id.found.c_str());
    }
}

bool CHwBackend::ChipAccessAllowed(uint16_t port, uint8_t size, bool write) {
    const uint32_t last = static_cast<uint32_t>(port) + size - 1;
    if (port > CHIP_DATA_PORT || last < CHIP_INDEX_PORT)
        return true;
    if (!m_shareChip) {
        if (auto seen = m_kernelDriver.Seen()) {
            if (!m_kernelDriverLogged.exchange(true)) {
                IodLog(
                    "the kernel's driver for the chip appeared (%s): raw access to the "
                    "chip's ports 0x295/0x296 stopped; restart vorn-iod once it is gone",
                    seen->c_str());
            }
            return false;
        }
    }
    if (write && last >= CHIP_DATA_PORT && !m_chipIdentified) {
        if (!m_chipRefusalLogged.exchange(true)) {
            IodLog(
                "refused a write to the chip's data port: the chip is not a W83627EHF (it "
                "answers %s)",
                m_chipFound.c_str());
        }
        return false;
    }
    return true;
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
    if (!ChipAccessAllowed(port, size, false))
        return false;
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
    if (!ChipAccessAllowed(port, size, true))
        return false;
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
