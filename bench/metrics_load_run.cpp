// A timed run of the real vornpilot with its metrics server on, against the vorn-iod that
// scripts/bench started: scrapes at a fixed rate over loopback for a number of passes, then
//   - scrape latency (connect to last byte): median, p99, max
//   - the pass interval's deviation from 2000 ms (from the passes' start times): median, p99, max
//   - the monitor's resident memory after its first passes, at the end, and at most
// With --slow-clients N, N clients hold connections without finishing a request all the while
// (see slow_clients.h), as a careless or hostile neighbour on the machine would.
//
// With --p99-target-ms MS, the run fails when the scrapes' p99 is above MS.
//
//   metrics_load_run [--passes N] [--rate SCRAPES_PER_SECOND] [--slow-clients N]
//                    [--p99-target-ms MS]       (defaults 45, 50, 0 and none)

#include <httplib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "monitor_environment.h"
#include "running_program.h"
#include "slow_clients.h"
#include "temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

double Quantile(std::vector<double> v, double q) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())))];
}

// User and system CPU time of the process so far, in seconds.
double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // After the command name in parentheses: fields 3 onwards; utime and stime are 14 and 15.
    std::stringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i >= 14)
            ticks += std::stod(field);
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

long RssKb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

int64_t IsoMs(const std::string& text) {
    std::tm t{};
    int ms = 0;
    std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d.%dZ", &t.tm_year, &t.tm_mon, &t.tm_mday,
                &t.tm_hour, &t.tm_min, &t.tm_sec, &ms);
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    return static_cast<int64_t>(::timegm(&t)) * 1000 + ms;
}

}  // namespace

int main(int argc, char** argv) {
    int passes = 45;
    double rate = 50;
    int slowClients = 0;
    double p99TargetMs = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--passes")
            passes = std::atoi(argv[i + 1]);
        else if (a == "--rate")
            rate = std::atof(argv[i + 1]);
        else if (a == "--slow-clients")
            slowClients = std::atoi(argv[i + 1]);
        else if (a == "--p99-target-ms")
            p99TargetMs = std::atof(argv[i + 1]);
    }
    const char* runtime = std::getenv("VORNIO_RUNTIME_DIR");
    if (runtime == nullptr || passes < 3) {
        std::fprintf(stderr, "metrics_load_run: run it through scripts/bench (--passes >= 3)\n");
        return 2;
    }
    CTempDir dir;
    // One pass more than measured: the scraper stops before the monitor ends, so a scrape
    // never meets a server that is shutting down.
    CRunningProgram monitor({std::string(VORN_BIN_DIR) + "/vornpilot", "--json", "--passes",
                             std::to_string(passes + 1), "--metrics-listen", "127.0.0.1:0"},
                            MonitorEnvironment(runtime, dir, "/bin/true"));
    int port = 0;
    monitor.WaitForErrors(
        [&](const std::string& err) {
            const size_t at = err.find("metrics at http://127.0.0.1:");
            if (at != std::string::npos && err.find("/metrics", at + 28) != std::string::npos)
                port = std::atoi(err.c_str() + at + 28);
            return port != 0;
        },
        20000);
    if (port == 0) {
        std::fprintf(stderr, "metrics_load_run: vornpilot did not serve metrics: %s\n",
                     monitor.Errors().c_str());
        return 1;
    }
    const pid_t pid = monitor.Pid();

    std::unique_ptr<CSlowClients> slow;
    if (slowClients > 0) {
        slow = std::make_unique<CSlowClients>(port, slowClients);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));  // let them settle in
    }
    const double cpuStart = CpuSeconds(pid);
    const auto wallStart = Clock::now();
    std::atomic<bool> done{false};
    std::vector<double> latencyMs;
    int failed = 0, busy = 0;
    std::thread scraper([&] {
        if (rate <= 0)
            return;
        const auto period =
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate));
        auto next = Clock::now();
        while (!done) {
            std::this_thread::sleep_until(next);
            next = std::max(next + period, Clock::now());
            const auto start = Clock::now();
            httplib::Client client("127.0.0.1", port);
            // Prometheus's own default scrape time-out.
            client.set_connection_timeout(10);
            client.set_read_timeout(10);
            httplib::Result r = client.Get("/metrics");
            if (r && r->status == 200)
                latencyMs.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            else if (!done)
                ++(r && r->status == 503 ? busy : failed);
        }
    });

    long rssEarly = 0, rssPeak = 0, rssLast = 0;
    size_t lines = 0;
    while (monitor.WaitForOutput(
        [&](const std::string& out) {
            return static_cast<size_t>(std::count(out.begin(), out.end(), '\n')) > lines;
        },
        10000)) {
        lines =
            static_cast<size_t>(std::count(monitor.Output().begin(), monitor.Output().end(), '\n'));
        const long rss = RssKb(pid);
        if (rss > 0) {
            rssLast = rss;
            rssPeak = std::max(rssPeak, rss);
            if (lines == 3)
                rssEarly = rss;
        }
        if (lines >= static_cast<size_t>(passes))
            break;
    }
    const double cpuPercent = 100 * (CpuSeconds(pid) - cpuStart) /
                              std::chrono::duration<double>(Clock::now() - wallStart).count();
    done = true;
    scraper.join();
    const uint64_t slowClosed = slow ? slow->Closed() : 0;
    const uint64_t slowBusy = slow ? slow->Busy() : 0;
    slow.reset();
    const ProgramResult result = monitor.Finish(10000);

    std::vector<int64_t> starts;
    std::stringstream out(result.out);
    for (std::string line; starts.size() < static_cast<size_t>(passes) && std::getline(out, line);)
        starts.push_back(IsoMs(nlohmann::json::parse(line)["time"].get<std::string>()));
    std::vector<double> deviation;
    for (size_t i = 1; i < starts.size(); ++i)
        deviation.push_back(static_cast<double>(std::llabs(starts[i] - starts[i - 1] - 2000)));

    std::printf("metrics load run: %d passes, %.0f scrapes/s asked, %d slow clients\n", passes,
                rate, slowClients);
    std::printf(
        "scrapes: %zu answered, %d answered 503, %d failed; latency median %.3f ms, p99 %.3f "
        "ms, max %.3f ms\n",
        latencyMs.size(), busy, failed, Quantile(latencyMs, 0.5), Quantile(latencyMs, 0.99),
        Quantile(latencyMs, 1.0));
    if (slowClients > 0)
        std::printf("slow clients: closed by the server %llu times, %llu of them with 503\n",
                    static_cast<unsigned long long>(slowClosed),
                    static_cast<unsigned long long>(slowBusy));
    std::printf(
        "pass interval: %zu intervals, deviation from 2000 ms: median %.0f ms, p99 %.0f "
        "ms, max %.0f ms\n",
        deviation.size(), Quantile(deviation, 0.5), Quantile(deviation, 0.99),
        Quantile(deviation, 1.0));
    std::printf(
        "memory (VmRSS): %.1f MiB after pass 3, %.1f MiB after pass %zu, at most %.1f "
        "MiB\n",
        rssEarly / 1024.0, rssLast / 1024.0, lines, rssPeak / 1024.0);
    std::printf("monitor CPU: %.1f%% of one core while scraped\n", cpuPercent);
    const bool onTarget = p99TargetMs <= 0 || Quantile(latencyMs, 0.99) <= p99TargetMs;
    if (p99TargetMs > 0)
        std::printf("scrape p99 target %.0f ms: %s\n", p99TargetMs, onTarget ? "met" : "MISSED");
    return result.exitCode == 0 && failed == 0 && busy == 0 && onTarget ? 0 : 1;
}
