// Round trips through libvorn-io.so to a running vorn-iod: one InPortB, one chip register read
// (index write + data read), and InPortB while other clients keep a silent microcontroller
// busy with item requests. Run through scripts/bench, which starts the service.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "chip_register.h"
#include "device_codes.h"
#include "library_port_io.h"
#include "mcu_record.h"
#include "raw_device_client.h"
#include "sim_client.h"
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
    uint8_t v = 0;
    for (auto _ : state) {
        if (ReadChipRegister(io, 0x20, &v) < 1) {
            state.SkipWithError("ReadChipRegister failed");
            break;
        }
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_ReadChipRegister)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// InPortB while range(0) other clients (raw sockets: the library's own channel would hold
// this process's port requests behind them) loop on item requests to a microcontroller that
// does not answer, so each of theirs holds the mailbox for the whole transfer time-out. The
// median and the worst round trip are the figures that matter; the mean hides the tail.
static void BM_InPortBBesideItemFlood(benchmark::State& state) {
    const char* runtimeDir = std::getenv("VORNIO_RUNTIME_DIR");
    const std::string dir = runtimeDir ? runtimeDir : "/run/vorn-io";
    if (SendSimCommand(dir + "/VORN-SIM", "mcu off").status != ESimSendStatus::REPLIED) {
        state.SkipWithError("no simulated board to silence");
        return;
    }
    std::atomic<bool> stop{false};
    std::atomic<long> items{0};
    std::atomic<long> answered{0};
    std::vector<std::thread> flood;
    for (int64_t i = 0; i < state.range(0); ++i) {
        flood.emplace_back([&] {
            CRawDeviceClient client;
            if (!client.Connect(dir + "/VORN-IO"))
                return;
            const vornio::McuRecord request = vornio::MakeMcuRequest(68, nullptr, 0, 9);
            while (!stop) {
                auto answer = client.Exchange(vornio::IOCTL_MCU_READ, request);
                if (!answer)
                    return;
                ++items;
                if (answer->success && answer->output.size() == vornio::MCU_RECORD_SIZE &&
                    answer->output[vornio::MCU_OFF_RESULT] == vornio::MCU_NO_ANSWER) {
                    ++answered;
                }
            }
        });
    }
    // Gives the flood time to reach the service before the first measured request.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    std::vector<double> micros;
    uint8_t v = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int ok = InPortB(0x295, &v);
        const auto end = std::chrono::steady_clock::now();
        if (ok == 0) {
            state.SkipWithError("InPortB failed");
            break;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        // Spread the requests over several transfers, their starts and ends included.
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        state.ResumeTiming();
    }
    stop = true;
    for (auto& t : flood)
        t.join();
    SendSimCommand(dir + "/VORN-SIM", "mcu on");

    if (micros.empty())
        return;
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["worst_us"] = micros.back();
    state.counters["items"] = static_cast<double>(items);
    state.counters["items_no_answer"] = static_cast<double>(answered);
}
BENCHMARK(BM_InPortBBesideItemFlood)
    ->Arg(0)
    ->Arg(2)
    ->Iterations(300)
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
