#pragma once
// What the engine and its items ask of the computer they run on: processor count, the
// performance counter, the operating-system record, the power-off, system facts and the user's
// message boxes. The program uses the local machine; tests use a made-up one with a fake clock.

#include <cstdint>
#include <string>

#include "notifier.h"

// The performance counter counts nanoseconds of CLOCK_MONOTONIC, so its frequency is a
// constant and never 0.
inline constexpr int64_t PERF_FREQUENCY = 1'000'000'000;
static_assert(PERF_FREQUENCY > 0);

class IMachine {
  public:
    virtual ~IMachine() = default;
    virtual int ProcessorCount() = 0;
    // Ticks of PERF_FREQUENCY per second; never goes backwards.
    virtual int64_t PerfCounter() = 0;
    // Asks the computer to power off, where the operating system offers a way; returns at once.
    virtual void RequestPowerOff() = 0;
    // CSystemInfo::GetInfo: "Path", "MBModel", ...
    virtual std::string SystemFact(const std::string& key) = 0;
    // Full path of the running program; "" when it cannot be read.
    virtual std::string ModuleFileName() = 0;
    virtual INotifier& Notifier() = 0;
};
