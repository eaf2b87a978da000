#pragma once
// The library's start: install and start the driver service when the caller may, then open the
// device; and the start again of a service that requests find gone. The steps talk to the
// system through IStartEnvironment so every path can be tested.

#include <cstdint>
#include <functional>
#include <mutex>
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
    // With a record, whether its service runs; without one (the record was refused), whether a
    // service someone else started runs where this environment expects it.
    virtual bool ServiceRunning() = 0;
    virtual bool StartService() = 0;
    // Why the last CreateService or StartService was refused for the program it names, for the
    // user; "" when it was not refused (it may still have failed).
    virtual std::string Refusal() { return ""; }
    virtual void CloseService() = 0;
    virtual void Sleep(unsigned milliseconds) = 0;
    virtual bool OpenDevice() = 0;
    // What was found where the device should be, after OpenDevice failed with `error`; for
    // the user, who otherwise only learns that the start failed.
    virtual std::string DeviceProblem(int /*error*/) { return ""; }
};

inline constexpr const char* DRIVER_BINARY_NAME = "vorn-iod";
inline constexpr int START_POLL_ROUNDS = 10;
inline constexpr unsigned START_POLL_INTERVAL_MS = 1000;

// True when the device is open; otherwise records the failing step's description. A program
// the administrator may not record or start (see Refusal) is recorded as a refusal, unless a
// service that is already running makes starting it unnecessary.
bool RunStart(IStartEnvironment& env, CLastFailure& failure);

// The start's service steps for a request that found no service: when the caller is the
// administrator, the record is created if missing and the service asked to start if it is not
// running. It does not wait for the service to come up (the request has failed already; a later
// one connects) and records no failure (the request reports its own). True when the service
// was asked to start.
bool RunRestart(IStartEnvironment& env);

// One start attempt per RESTART_INTERVAL_NS at most, so the many requests of one monitoring
// pass that all find the service gone start it once, not once each.
inline constexpr int64_t RESTART_INTERVAL_NS = 1000000000;

class CServiceRestarter {
  public:
    // monotonicNs: the clock of the interval (CLOCK_MONOTONIC when empty).
    explicit CServiceRestarter(std::function<int64_t()> monotonicNs = {});

    // RunRestart, unless the last attempt was less than the interval ago.
    bool OnNoService(IStartEnvironment& env);

  private:
    std::function<int64_t()> m_now;
    std::mutex m_mutex;
    bool m_attempted = false;
    int64_t m_lastAttempt = 0;
};
