#pragma once
// A made-up computer for engine tests: processor count, a performance counter that moves only
// when the test says so, a power-off that counts requests, and system facts from a table.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "machine.h"
#include "os_version_info.h"
#include "power_off.h"

class CCountingPowerOff : public IPowerOff {
  public:
    bool RequestPowerOff() override {
        ++requests;
        return true;
    }
    int requests = 0;
};

class CRecordingMessages : public INotifier {
  public:
    void ShowMessage(const std::string& caption, const std::string& text) override {
        messages.push_back(caption + ": " + text);
    }
    std::vector<std::string> messages;
};

class CFakeMachine : public IMachine {
  public:
    CFakeMachine() { os.platform = VER_PLATFORM_LINUX; }

    int ProcessorCount() override { return processors; }
    int64_t PerfCounter() override { return now; }
    // The local machine's rule, on the test's operating-system record.
    void RequestPowerOff() override { COSVersionInfo(os).ShutdownComputer(powerOff); }
    std::string SystemFact(const std::string& key) override {
        auto f = facts.find(key);
        return f == facts.end() ? "" : f->second;
    }
    std::string ModuleFileName() override { return moduleFile; }
    INotifier& Notifier() override { return notifier; }

    void AdvanceSeconds(int64_t seconds) { now += seconds * PERF_FREQUENCY; }

    int processors = 2;
    int64_t now = 5 * PERF_FREQUENCY;
    OsVersionRecord os;
    CCountingPowerOff powerOff;
    std::map<std::string, std::string> facts;
    std::string moduleFile = "/opt/vorn/vornpilot";
    CRecordingMessages notifier;
};
