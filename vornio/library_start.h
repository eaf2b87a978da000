#pragma once
// The library's start: install and start the driver service when the caller may, then open the
// device. The steps talk to the system through IStartEnvironment so every path can be tested.

#include <string>

#include "last_failure.h"

class IStartEnvironment {
  public:
    virtual ~IStartEnvironment() = default;
    virtual bool IsAdministrator() = 0;
    virtual bool OpenServiceManager() = 0;
    virtual bool ServiceExists() = 0;
    // The folder that holds the driver binary, the system directory of the service's world.
    virtual bool DriverDirectory(std::string* dir) = 0;
    virtual bool CreateService(const std::string& binary) = 0;
    virtual bool ServiceRunning() = 0;
    virtual bool StartService() = 0;
    virtual void CloseService() = 0;
    virtual void Sleep(unsigned milliseconds) = 0;
    virtual bool OpenDevice() = 0;
};

inline constexpr const char* DRIVER_BINARY_NAME = "vorn-iod";
inline constexpr int START_POLL_ROUNDS = 10;
inline constexpr unsigned START_POLL_INTERVAL_MS = 1000;

// True when the device is open; otherwise records the failing step's description.
bool RunStart(IStartEnvironment& env, CLastFailure& failure);
