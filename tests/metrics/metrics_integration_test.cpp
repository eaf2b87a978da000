// The real vornpilot with its metrics on, against a real vorn-iod on the simulated board: a real
// Prometheus scrapes it and its alert rule fires for the overheated CPU; the start refuses
// addresses and files it cannot use; and slow clients, a flood of connections and a reader
// looping over the metrics file leave the passes on their two-second beat, the threads as they
// were and the memory bounded.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <thread>

#include "daemon.h"
#include "exposition_parser.h"
#include "monitor_environment.h"
#include "pass_beat.h"
#include "run_program.h"
#include "running_program.h"
#include "temp_dir.h"
#include "test_sockets.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* PROMETHEUS = "/usr/bin/prometheus";

int64_t MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A loopback listening socket on a free port; the port in *port.
int Listener(int* port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(a);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    ::listen(fd, 4);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    *port = ntohs(a.sin_port);
    return fd;
}

// A field of /proc/<pid>/status, as a number ("Threads", "VmRSS" in kB).
long ProcStatus(pid_t pid, const std::string& field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    }
    return -1;
}

size_t LineCount(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

class MetricsIntegrationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(daemon.Start(&error)) << error;
        env = MonitorEnvironment(daemon.RuntimeDir(), temp, "/bin/true");
    }

    void Sim(const std::vector<std::string>& words) {
        std::vector<std::string> argv = {std::string(VORN_BIN_DIR) + "/vornsim"};
        argv.insert(argv.end(), words.begin(), words.end());
        ProgramResult r = RunProgram(argv, env);
        ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    }
    std::vector<std::string> Vornpilot(std::vector<std::string> args) const {
        args.insert(args.begin(), std::string(VORN_BIN_DIR) + "/vornpilot");
        return args;
    }
    // Starts vornpilot and waits for the port its metrics are served on; 0 when they are not.
    int StartMonitor(const std::vector<std::string>& args) {
        monitor = std::make_unique<CRunningProgram>(Vornpilot(args), env);
        const std::regex served("metrics at http://127\\.0\\.0\\.1:([0-9]+)/metrics");
        std::smatch m;
        if (!monitor->WaitForErrors(
                [&](const std::string& err) { return std::regex_search(err, m, served); }, 20000)) {
            ADD_FAILURE() << "no metrics announced: " << monitor->Errors();
            return 0;
        }
        return std::stoi(m[1]);
    }

    CTempDir temp;
    CDaemon daemon{{"--backend", "sim", "--no-drift"}};
    std::vector<std::string> env;
    std::unique_ptr<CRunningProgram> monitor;
};

TEST_F(MetricsIntegrationTest, PrometheusScrapesTheOverheatedCpuAndItsAlertFires) {
    if (::access(PROMETHEUS, X_OK) != 0)
        GTEST_SKIP() << PROMETHEUS << " is missing: install Debian's prometheus package";
    Sim({"set", "CPUTEMPERATURE", "82.5"});
    const int port = StartMonitor({"--console", "--metrics-listen", "127.0.0.1:0"});
    ASSERT_GT(port, 0);

    int webPort = 0;
    ::close(Listener(&webPort));
    ASSERT_TRUE(temp.WriteFile("prometheus.yml",
                               "global:\n"
                               "  scrape_interval: 1s\n"
                               "  evaluation_interval: 1s\n"
                               "rule_files: ['" VORN_ALERT_RULES "']\n"
                               "scrape_configs:\n"
                               "  - job_name: vornpilot\n"
                               "    static_configs:\n"
                               "      - targets: ['127.0.0.1:" +
                                   std::to_string(port) + "']\n"));
    CRunningProgram prometheus(
        {PROMETHEUS, "--config.file=" + temp.PathOf("prometheus.yml"),
         "--storage.tsdb.path=" + temp.PathOf("tsdb"),
         "--web.listen-address=127.0.0.1:" + std::to_string(webPort), "--log.level=warn"},
        {});
    ASSERT_TRUE(prometheus.Started());

    httplib::Client api("127.0.0.1", webPort);
    api.set_connection_timeout(1);
    api.set_read_timeout(5);
    // The first result of a query, null while there is none.
    auto query = [&](const std::string& q) {
        httplib::Result r =
            api.Get("/api/v1/query", httplib::Params{{"query", q}}, httplib::Headers{});
        if (!r || r->status != 200)
            return nlohmann::json();
        nlohmann::json body = nlohmann::json::parse(r->body, nullptr, false);
        if (body.is_discarded() || body["data"]["result"].empty())
            return nlohmann::json();
        return body["data"]["result"][0];
    };
    const auto start = Clock::now();
    nlohmann::json alert;
    while (MsSince(start) < 40000 && alert.is_null()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        alert = query("ALERTS{alertname=\"VornpilotSensorAlarm\"}");
        monitor->WaitForOutput([](const std::string&) { return false; }, 0);
        prometheus.WaitForErrors([](const std::string&) { return false; }, 0);
    }
    ASSERT_FALSE(alert.is_null()) << "no alert within 40 s; Prometheus said:\n"
                                  << prometheus.Errors() << "\nvornpilot said:\n"
                                  << monitor->Errors();
    EXPECT_EQ(alert["metric"]["pin"], "CPUTEMPERATURE");
    EXPECT_EQ(alert["metric"]["name"], "CPU");

    const nlohmann::json cpu = query("vornpilot_temperature_celsius{pin=\"CPUTEMPERATURE\"}");
    ASSERT_FALSE(cpu.is_null());
    EXPECT_EQ(cpu["value"][1], "82.5");
    EXPECT_EQ(cpu["metric"]["job"], "vornpilot");
    EXPECT_EQ(query("vornpilot_sensor_alarm{pin=\"CPUTEMPERATURE\"}")["value"][1], "1");
    EXPECT_EQ(query("vornpilot_sensor_alarm{pin=\"VCORE\"}")["value"][1], "0");
    EXPECT_EQ(query("up{job=\"vornpilot\"}")["value"][1], "1");
    EXPECT_EQ(query("count(vornpilot_sensor_enabled)")["value"][1], "18");

    monitor->Signal(SIGTERM);
    EXPECT_EQ(monitor->Finish(10000).exitCode, 0);
}

TEST_F(MetricsIntegrationTest, WhatCannotBeServedOrWrittenStopsTheStart) {
    // Neither the link nor the node may be replaced or deleted by the failed start.
    ASSERT_TRUE(temp.WriteFile("target", "kept\n"));
    ASSERT_EQ(::symlink(temp.PathOf("target").c_str(), temp.PathOf("link.prom").c_str()), 0);
    const bool node = ::mknod(temp.PathOf("node.prom").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    int taken = 0;
    const int holder = Listener(&taken);
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string says;
    } cases[] = {
        {{"--metrics-listen", "127.0.0.1:" + std::to_string(taken)},
         4,
         "cannot listen on 127.0.0.1:" + std::to_string(taken) + ": Address already in use"},
        {{"--metrics-listen", "192.0.2.1:9477"}, 4, "Cannot assign requested address"},
        {{"--metrics-file", temp.PathOf("missing/vornpilot.prom")}, 4, "No such file or directory"},
        {{"--metrics-file", temp.Path()}, 4, "is a directory"},
        {{"--metrics-file", temp.PathOf("link.prom")}, 4, "is a symbolic link"},
        {{"--metrics-file", temp.PathOf("node.prom")}, 4, "is a device"},
        {{"--metrics-listen", "127.0.0.1:99999"}, 2, "port from 0 to 65535"},
        {{"--metrics-listen", "host:9477"}, 2, "not an IPv4 address"},
    };
    for (const auto& c : cases) {
        if (!node && c.args[1] == temp.PathOf("node.prom"))
            continue;  // mknod needs root
        std::vector<std::string> args = {"--once", "--json"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ProgramResult r = RunProgram(Vornpilot(args), env);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[1] << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args[1] << ": " << r.err;
        EXPECT_EQ(r.out, "") << "no pass runs without the metrics asked for";
    }
    ::close(holder);
    struct stat st {};
    EXPECT_TRUE(::lstat(temp.PathOf("link.prom").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(temp.PathOf("target")), "kept\n");
    if (node) {
        EXPECT_TRUE(::lstat(temp.PathOf("node.prom").c_str(), &st) == 0 && S_ISCHR(st.st_mode));
    }
}

TEST_F(MetricsIntegrationTest, SlowClientsAFloodAndAFileReaderLeaveThePassesOnTime) {
    const std::string file = temp.PathOf("vornpilot.prom");
    const int port =
        StartMonitor({"--json", "--metrics-listen", "127.0.0.1:0", "--metrics-file", file});
    ASSERT_GT(port, 0);
    const pid_t pid = monitor->Pid();
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(3);
    ASSERT_TRUE(client.Get("/metrics"));  // the server is up
    const long threads = ProcStatus(pid, "Threads");
    [[maybe_unused]] const long rssBefore = ProcStatus(pid, "VmRSS");

    std::atomic<bool> done{false};
    std::atomic<int> floodConnections{0}, fileReads{0}, tornReads{0};
    std::vector<std::thread> load;
    // Slow clients: a header line every 300 ms, reconnecting when cut off.
    for (int i = 0; i < 6; ++i) {
        load.emplace_back([&] {
            while (!done) {
                const int fd = ConnectLoopback(port);
                if (fd < 0)
                    break;
                ::send(fd, "GET /metrics HTTP/1.1\r\n", 23, MSG_NOSIGNAL);
                pollfd p{fd, POLLIN, 0};
                while (!done && ::poll(&p, 1, 300) == 0)
                    ::send(fd, "X-Slow: 1\r\n", 11, MSG_NOSIGNAL);
                ::close(fd);
            }
        });
    }
    // A flood: connections as fast as one thread makes them, at most 3000.
    load.emplace_back([&] {
        while (!done && floodConnections < 3000) {
            const int fd = ConnectLoopback(port);
            if (fd < 0)
                continue;
            ++floodConnections;
            ::send(fd, "GET /metrics HTTP/1.1\r\n\r\n", 25, MSG_NOSIGNAL);
            ::close(fd);
        }
    });
    // A reader looping over the metrics file: always one whole exposition.
    load.emplace_back([&] {
        while (!done) {
            const std::string text = ReadFile(file);
            if (text.empty())
                continue;  // not written yet
            ++fileReads;
            SExposition e;
            std::string error;
            if (!ParseExposition(text, &e, &error) || !e.Value("vornpilot_build_info") ||
                e.Count("vornpilot_sensor_enabled") != 18)
                ++tornReads;
        }
    });

    // The load lasts until five passes ran under it and each kind of load has had its turns. On a
    // loaded machine the flood's one thread gets few turns; a few dozen connections are enough
    // to know it ran while the passes ran.
    constexpr int FLOODED = 20, FILE_READS = 10;
    const size_t passesBefore = LineCount(monitor->Output());
    long peakThreads = 0, peakRss = 0;
    const auto start = Clock::now();
    while (MsSince(start) < 60000 && (LineCount(monitor->Output()) < passesBefore + 5 ||
                                      floodConnections <= FLOODED || fileReads <= FILE_READS)) {
        monitor->WaitForOutput([](const std::string&) { return false; }, 200);
        peakThreads = std::max(peakThreads, ProcStatus(pid, "Threads"));
        peakRss = std::max(peakRss, ProcStatus(pid, "VmRSS"));
    }
    done = true;
    for (std::thread& t : load)
        t.join();

    httplib::Result r = client.Get("/metrics");
    ASSERT_TRUE(r) << "a scrape after the load";
    EXPECT_EQ(r->status, 200);
    monitor->Signal(SIGTERM);
    const ProgramResult out = monitor->Finish(10000);
    EXPECT_EQ(out.exitCode, 0) << out.err;
    EXPECT_FALSE(std::ifstream(file).good()) << "a stopped monitor removes its metrics file";

    std::vector<nlohmann::json> passes;
    std::stringstream lines(out.out);
    for (std::string line; std::getline(lines, line);)
        passes.push_back(nlohmann::json::parse(line));
    ASSERT_GE(passes.size(), passesBefore + 5);
    // A pass that waited for a slow client would be late by up to the client's whole exchange.
    EXPECT_EQ(PassOffItsBeat(passes), "");
    EXPECT_GT(floodConnections, FLOODED);
    EXPECT_GT(fileReads, FILE_READS);
    EXPECT_EQ(tornReads, 0) << "of " << fileReads;
    EXPECT_LE(peakThreads, threads) << "no thread per connection";
#ifndef VORN_SANITIZED
    // What the program itself holds. The sanitizers' allocator keeps freed memory back for a
    // while, so there the resident size follows the churn, not the holdings; their leak check
    // runs at the monitor's exit, which must be clean (exit code 0 above).
    EXPECT_LT(peakRss - rssBefore, 8 * 1024) << "kB";
#endif
}

}  // namespace
