#pragma once
// The computer the program runs on.

#include "machine.h"

class CLocalMachine : public IMachine {
  public:
    explicit CLocalMachine(INotifier& notifier) : m_notifier(notifier) {}

    // Online processors, at least 1.
    int ProcessorCount() override;
    // CLOCK_MONOTONIC in nanoseconds.
    int64_t PerfCounter() override;
    void RequestPowerOff() override;
    std::string SystemFact(const std::string& key) override;
    // /proc/self/exe.
    std::string ModuleFileName() override;
    INotifier& Notifier() override { return m_notifier; }

  private:
    INotifier& m_notifier;
};
