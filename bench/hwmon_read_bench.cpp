// One reading of every hwmon channel a scan found, on a machine tree of 200 attribute files
// that a reading opens (40 channels: input, min, max, crit or lcrit, alarm). The monitor's pass
// budget is 2 s; a reading of a whole machine should take no more than a millisecond of it.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "hwmon_read.h"
#include "hwmon_scan.h"
#include "local_machine.h"
#include "monitor_engine.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

// Four devices of ten channels each; every channel has five attribute files that a reading
// opens, and a label that only the scan reads.
void WriteMachine(const std::string& root) {
    auto write = [](const fs::path& path, const std::string& text) {
        std::ofstream(path) << text << "\n";
    };
    for (int d = 0; d < 4; ++d) {
        const fs::path dir = fs::path(root) / "devices/platform" / ("chip." + std::to_string(d)) /
                             "hwmon" / ("hwmon" + std::to_string(d));
        fs::create_directories(dir);
        fs::create_directories(fs::path(root) / "class/hwmon");
        fs::create_directory_symlink(
            fs::relative(dir, fs::path(root) / "class/hwmon"),
            fs::path(root) / "class/hwmon" / ("hwmon" + std::to_string(d)));
        fs::create_directory_symlink("../../../chip." + std::to_string(d), dir / "device");
        write(dir / "name", "chip" + std::to_string(d));
        for (int c = 1; c <= 10; ++c) {
            const std::string channel = (c <= 4   ? "in"
                                         : c <= 7 ? "temp"
                                                  : "fan") +
                                        std::to_string(c);
            for (const char* file : {"_input", "_min", "_max", "_crit", "_alarm"})
                write(dir / (channel + file), "1234");
            write(dir / (channel + "_label"), "Label " + std::to_string(c));
        }
    }
}

struct SMachine {
    SMachine() {
        WriteMachine(dir.Path());
        devices = ScanHwmonDevices(dir.Path());
    }
    CTempDir dir;
    std::vector<SHwmonDevice> devices;
};

SMachine& Machine() {
    static SMachine machine;
    return machine;
}

void BM_ReadEveryChannel(benchmark::State& state) {
    const auto& devices = Machine().devices;
    size_t files = 0;
    for (const auto& d : devices) {
        for (const auto& c : d.Channels)
            files += 1 + !c.MinPath.empty() + !c.MaxPath.empty() + !c.CritPath.empty() +
                     !c.LcritPath.empty() + c.AlarmPaths.size();
    }
    if (files != 200)
        state.SkipWithError("the machine tree does not have 200 attribute files");
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadHwmonDevices(devices));
    state.counters["attributes"] = static_cast<double>(files);
}
BENCHMARK(BM_ReadEveryChannel)->Unit(benchmark::kMicrosecond);

// For comparison: what a scan costs, which a reading never repeats.
void BM_ScanMachine(benchmark::State& state) {
    const std::string root = Machine().dir.Path();
    for (auto _ : state)
        benchmark::DoNotOptimize(ScanHwmonDevices(root));
}
BENCHMARK(BM_ScanMachine)->Unit(benchmark::kMicrosecond);

// The engine's whole pass over the same machine: its 40 items, with no board file, read and
// judged. The pass budget is 2 s.
class CNoChip : public IPortIo {
  public:
    int InPortB(uint16_t, uint8_t*) override { return 0; }
    int OutPortB(uint16_t, uint8_t) override { return 0; }
};

class CBoardlessMachine : public CLocalMachine {
  public:
    CBoardlessMachine(INotifier& notifier, std::string path)
        : CLocalMachine(notifier), m_path(std::move(path)) {}
    std::string SystemFact(const std::string& key) override {
        if (key == "Path")
            return m_path + "/";
        if (key == "MBModel")
            return "NO-BOARD";
        return CLocalMachine::SystemFact(key);
    }
    void RequestPowerOff() override {}

  private:
    std::string m_path;
};

void BM_EnginePass(benchmark::State& state) {
    CTempDir config;  // the settings the engine saves, and a program folder without board files
    ::setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    ::setenv("VORNPILOT_SYSFS_ROOT", Machine().dir.Path().c_str(), 1);
    CStderrNotifier notifier;
    CBoardlessMachine machine(notifier, config.Path());
    CNoChip io;
    CMonitorEngine engine(machine, io);
    engine.Initialize();
    if (engine.Items().size() != 40)
        state.SkipWithError("the machine's 40 sensors did not become items");
    for (auto _ : state)
        benchmark::DoNotOptimize(engine.UpdateAll());
    state.counters["items"] = static_cast<double>(engine.Items().size());
}
BENCHMARK(BM_EnginePass)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
