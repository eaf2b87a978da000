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
#include "unique_fd.h"

struct HwBackendOptions {
    static constexpr const char* DEFAULT_PORT_DEVICE = "/dev/port";
    static constexpr const char* DEFAULT_MSR_DEVICE = "/dev/cpu/0/msr";
    static constexpr const char* DEFAULT_SYSFS_ROOT = "/sys";

    std::string portDevice = DEFAULT_PORT_DEVICE;
    std::string msrDevice = DEFAULT_MSR_DEVICE;
    std::string allowListPath = CAllowList::DEFAULT_PATH;
    bool allowListGiven = false;  // a named file must exist; the default one may be absent
    std::string sysfsRoot = DEFAULT_SYSFS_ROOT;
    bool force = false;  // start even while the kernel's chip driver is present
};

// Port accesses come from the service loop and from its item thread at once; each is one
// pread or pwrite, and the refusal count is atomic.
class CHwBackend : public IDriverBackend {
  public:
    // Runs the start-up checks (privilege, kernel driver, allow-list) and opens the devices.
    // nullptr with the reason in *error when the backend must not start.
    static std::unique_ptr<CHwBackend> Create(const HwBackendOptions& options, std::string* error,
                                              uid_t effectiveUid = ::geteuid());

    bool ReadPort(uint16_t port, uint8_t size, uint32_t* value) override;
    bool WritePort(uint16_t port, uint8_t size, uint32_t value) override;
    bool ReadMsr(uint32_t msr, uint64_t* value) override;
    bool WriteMsr(uint32_t msr, uint64_t value) override;

  private:
    CHwBackend(CAllowList allowList, CUniqueFd portFd, CUniqueFd msrFd)
        : m_allowList(std::move(allowList)),
          m_portFd(std::move(portFd)),
          m_msrFd(std::move(msrFd)) {}

    void LogRefusal(const char* what, uint32_t where);

    static constexpr int MAX_LOGGED_REFUSALS = 32;

    CAllowList m_allowList;
    CUniqueFd m_portFd;
    CUniqueFd m_msrFd;
    std::atomic<int> m_refusalsLogged = 0;
};
