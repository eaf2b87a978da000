// Round trips through libvorn-io.so to a running vorn-iod: one InPortB, and one chip register
// read (index write + data read). Run through scripts/bench, which starts the service.

#include <benchmark/benchmark.h>

#include "chip_register.h"
#include "library_port_io.h"
#include "vornio.h"

static void BM_InPortB(benchmark::State& state) {
    uint8_t v = 0;
    for (auto _ : state) {
        if (InPortB(0x295, &v) == 0) {
            state.SkipWithError("InPortB failed: is vorn-iod running?");
            break;
        }
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_InPortB)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

static void BM_ReadChipRegister(benchmark::State& state) {
    CLibraryPortIo io;
    SetChipPortIo(&io);
    uint8_t v = 0;
    for (auto _ : state) {
        if (ReadChipRegister(0x20, &v) < 1) {
            state.SkipWithError("ReadChipRegister failed");
            break;
        }
        benchmark::DoNotOptimize(v);
    }
    SetChipPortIo(nullptr);
}
BENCHMARK(BM_ReadChipRegister)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
