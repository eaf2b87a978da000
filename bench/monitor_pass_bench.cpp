// One monitoring pass over the simulated board's 18 items through libvorn-io.so and a running
// vorn-iod: the time per pass and the port accesses it makes. Run through scripts/bench, which
// starts the service.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "library_port_io.h"
#include "local_machine.h"
#include "monitor_engine.h"
#include "temp_dir.h"

namespace {

// Counts the port calls on their way to the library.
class CCountingPortIo : public IPortIo {
  public:
    int InPortB(uint16_t port, uint8_t* value) override {
        ++count;
        return m_io.InPortB(port, value);
    }
    int OutPortB(uint16_t port, uint8_t value) override {
        ++count;
        return m_io.OutPortB(port, value);
    }
    long count = 0;

  private:
    CLibraryPortIo m_io;
};

// This computer, with the simulated board's board file and no power-off.
class CBenchMachine : public CLocalMachine {
  public:
    using CLocalMachine::CLocalMachine;
    std::string SystemFact(const std::string& key) override {
        if (key == "Path")
            return std::string(VORN_BIN_DIR) + "/";
        if (key == "MBModel")
            return "EHF-SIM";
        return CLocalMachine::SystemFact(key);
    }
    void RequestPowerOff() override {}
};

void BM_UpdateAll(benchmark::State& state) {
    CTempDir config;  // the settings the engine saves go here, not to the user's folder
    ::setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    CCountingPortIo io;
    CStderrNotifier notifier;
    CBenchMachine machine(notifier);
    {
        CMonitorEngine engine(machine, io);
        engine.Initialize();
        if (engine.Items().size() != 18) {
            state.SkipWithError(
                "the simulated board's 18 items did not load: is vorn-iod running?");
        } else {
            long passes = 0;
            io.count = 0;
            for (auto _ : state) {
                benchmark::DoNotOptimize(engine.UpdateAll());
                ++passes;
            }
            state.counters["port_accesses_per_pass"] =
                benchmark::Counter(static_cast<double>(io.count) / static_cast<double>(passes));
            state.counters["items"] = static_cast<double>(engine.Items().size());
        }
        engine.RestoreFanControl();
    }
}
BENCHMARK(BM_UpdateAll)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
