#pragma once
// The hw backend: real port and MSR accesses through the kernel's /dev/port and msr devices,
// limited to an allow-list. Both device paths can point at regular files, which is how the
// tests run it: the byte at offset p stands for port p, the 8 bytes at offset m for MSR m.

#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>

#include "allow_list.h"
#include "backend.h"
#include "kernel_driver_check.h"
#include "unique_fd.h"

struct HwBackendOptions {
    static constexpr const char* DEFAULT_PORT_DEVICE = "/dev/port";
    static constexpr const char* DEFAULT_MSR_DEVICE = "/dev/cpu/0/msr";
    static constexpr const char* DEFAULT_SYSFS_ROOT = "/sys";

    std::string portDevice = DEFAULT_PORT_DEVICE;
    std::string msrDevice = DEFAULT_MSR_DEVICE;
    std::string allowListPath = CAllowList::DEFAULT_PATH;
    bool allowListGiven = false;  // a named file must exist; the default one may be absent
    static constexpr const char* DEFAULT_PROC_ROOT = "/proc";

    std::string sysfsRoot = DEFAULT_SYSFS_ROOT;
    std::string procRoot = DEFAULT_PROC_ROOT;
    // Reach the chip's ports even while the kernel's driver for it is present: both sides then
    // bank-switch the same chip, and reads and writes can land in the wrong register.
    bool shareChipWithKernelDriver = false;
};

// Why the backend did not start, where it matters to the service's exit status.
enum class EHwStartFailure {
    OTHER,
    KERNEL_LOCKDOWN,  // the kernel forbids raw port access; a restart cannot help
};

// Port accesses come from the service loop and from its item thread at once; each is one
// pread or pwrite, and the refusal count is atomic.
//
// The hardware monitor's ports 0x295/0x296 get two more rules. While the kernel's own driver
// for the chip is present (looked for again while the service runs), every access to them
// fails: the kernel owns the chip then. And the data port takes no write unless the chip
// answered as the W83627EHF when the service started.
class CHwBackend : public IDriverBackend {
  public:
    // Runs the start-up checks (privilege, kernel lockdown, allow-list) and opens the devices.
    // nullptr with the reason in *error (and its kind in *failure) when the backend must not
    // start.
    static std::unique_ptr<CHwBackend> Create(const HwBackendOptions& options, std::string* error,
                                              uid_t effectiveUid = ::geteuid(),
                                              EHwStartFailure* failure = nullptr);

    bool ReadPort(uint16_t port, uint8_t size, uint32_t* value) override;
    bool WritePort(uint16_t port, uint8_t size, uint32_t value) override;
    bool ReadMsr(uint32_t msr, uint64_t* value) override;
    bool WriteMsr(uint32_t msr, uint64_t value) override;

    // Whether a write may reach the chip's data port: it answered as the W83627EHF at start.
    bool ChipIdentified() const { return m_chipIdentified; }

  private:
    CHwBackend(const HwBackendOptions& options, CAllowList allowList, CUniqueFd portFd,
               CUniqueFd msrFd)
        : m_allowList(std::move(allowList)),
          m_portFd(std::move(portFd)),
          m_msrFd(std::move(msrFd)),
          m_shareChip(options.shareChipWithKernelDriver),
          m_kernelDriver(options.sysfsRoot, options.procRoot) {}

    void LogRefusal(const char* what, uint32_t where);
    // Asks the chip who it is, unless the kernel's driver holds it.
    void IdentifyChip();
    // The chip rules above; false when the access must not happen.
    bool ChipAccessAllowed(uint16_t port, uint8_t size, bool write);

    static constexpr int MAX_LOGGED_REFUSALS = 32;

    CAllowList m_allowList;
    CUniqueFd m_portFd;
    CUniqueFd m_msrFd;
    std::atomic<int> m_refusalsLogged = 0;
    const bool m_shareChip;
    CKernelDriverWatch m_kernelDriver;
    bool m_chipIdentified = false;
    std::string m_chipFound;
    std::atomic<bool> m_kernelDriverLogged = false;
    std::atomic<bool> m_chipRefusalLogged = false;
};
