// A timed run of the real vornpilot with its metrics server on, against the vorn-iod that
// scripts/bench started: scrapes at a fixed rate over loopback for a number of passes, then
//   - scrape latency (connect to last byte): median, p99, max
//   - the pass interval's deviation from 2000 ms (from the passes' start times): median, p99, max
//   - the monitor's resident memory after its first passes, at the end, and at most
//
//   metrics_load_run [--passes N] [--rate SCRAPES_PER_SECOND]   (defaults 45 and 50)

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "monitor_environment.h"
#include "running_program.h"
#include "temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

double Quantile(std::vector<double> v, double q) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())))];
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
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--passes")
            passes = std::atoi(argv[i + 1]);
        else if (a == "--rate")
            rate = std::atof(argv[i + 1]);
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

    std::atomic<bool> done{false};
    std::vector<double> latencyMs;
    int failed = 0;
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
            client.set_connection_timeout(2);
            client.set_read_timeout(2);
            httplib::Result r = client.Get("/metrics");
            if (r && r->status == 200)
                latencyMs.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            else if (!done)
                ++failed;
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
    done = true;
    scraper.join();
    const ProgramResult result = monitor.Finish(10000);

    std::vector<int64_t> starts;
    std::stringstream out(result.out);
    for (std::string line; starts.size() < static_cast<size_t>(passes) && std::getline(out, line);)
        starts.push_back(IsoMs(nlohmann::json::parse(line)["time"].get<std::string>()));
    std::vector<double> deviation;
    for (size_t i = 1; i < starts.size(); ++i)
        deviation.push_back(static_cast<double>(std::llabs(starts[i] - starts[i - 1] - 2000)));

    std::printf("metrics load run: %d passes, %.0f scrapes/s asked\n", passes, rate);
    std::printf(
        "scrapes: %zu answered, %d failed; latency median %.3f ms, p99 %.3f ms, max "
        "%.3f ms\n",
        latencyMs.size(), failed, Quantile(latencyMs, 0.5), Quantile(latencyMs, 0.99),
        Quantile(latencyMs, 1.0));
    std::printf(
        "pass interval: %zu intervals, deviation from 2000 ms: median %.0f ms, p99 %.0f "
        "ms, max %.0f ms\n",
        deviation.size(), Quantile(deviation, 0.5), Quantile(deviation, 0.99),
        Quantile(deviation, 1.0));
    std::printf(
        "memory (VmRSS): %.1f MiB after pass 3, %.1f MiB after pass %zu, at most %.1f "
        "MiB\n",
        rssEarly / 1024.0, rssLast / 1024.0, lines, rssPeak / 1024.0);
    return result.exitCode == 0 && failed == 0 ? 0 : 1;
}
