#pragma once
// The library's per-process state: the device connection, the started flag and the last
// failure. One instance per process, created on first use.

#include <atomic>
#include <string>

#include "device_channel.h"
#include "last_failure.h"
#include "port_access.h"

class CLibraryState {
  public:
    static CLibraryState& Instance();

    bool Start();
    bool IsStarted() const { return m_started.load(); }

    CDeviceChannel& Channel() { return m_channel; }
    CLastFailure& Failure() { return m_failure; }
    CPortAccess& Ports() { return m_ports; }

  private:
    CLibraryState();

    CDeviceChannel m_channel;
    CLastFailure m_failure;
    CPortAccess m_ports;
    std::atomic<bool> m_started{false};
};

// The folder holding this library, found from its own address; "" when unknown.
std::string LibraryDirectory();
