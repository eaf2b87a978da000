// The metrics server on loopback with real sockets: what it serves, that a scrape always shows
// one whole pass while passes are published, and that slow, oversized and flooding clients
// cost a bounded number of threads for a bounded time.

#include "metrics_server.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "exposition_parser.h"
#include "pass_snapshot.h"
#include "test_sockets.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

int ThreadCount() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/task")) {
        while (dirent* e = ::readdir(d))
            n += e->d_name[0] != '.';
        ::closedir(d);
    }
    return n;
}

// Pass n: every item reads n, so a response that mixed two passes would show it.
std::shared_ptr<const SPassSnapshot> PassNumber(uint64_t n) {
    auto p = std::make_shared<SPassSnapshot>();
    p->pass = n;
    p->counts.passes = n;
    p->chipAnswered = p->statusRead = true;
    for (int i = 1; i <= 18; ++i) {
        SItemSnapshot item;
        item.itemNo = i;
        item.name = "Item " + std::to_string(i);
        item.type = ITEM_VOLTAGE;
        item.pin = "PIN" + std::to_string(i);
        item.enabled = true;
        item.value = static_cast<double>(n);
        item.lastReadUnixMs = 1;
        p->items.push_back(item);
    }
    return p;
}

class CPublisher {
  public:
    void Set(std::shared_ptr<const SPassSnapshot> p) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pass = std::move(p);
    }
    std::shared_ptr<const SPassSnapshot> Get() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_pass;
    }

  private:
    std::mutex m_mutex;
    std::shared_ptr<const SPassSnapshot> m_pass;
};

// Reads until the server closes or timeoutMs; what arrived.
std::string ReadToClose(int fd, int timeoutMs) {
    std::string got;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0)
            return got + "<timeout>";
        char buf[4096];
        const ssize_t n = ::recv(fd, buf, sizeof(buf), 0);
        if (n <= 0)
            return got;
        got.append(buf, static_cast<size_t>(n));
    }
}

class MetricsServerTest : public ::testing::Test {
  protected:
    void StartServer(SMetricsServerLimits limits = {}) {
        server = std::make_unique<CMetricsServer>([this] { return passes.Get(); }, limits);
        std::string error;
        ASSERT_TRUE(server->Start("127.0.0.1", 0, &error)) << error;
        ASSERT_GT(server->Port(), 0);
    }
    httplib::Result Scrape(const std::string& path = "/metrics") {
        httplib::Client client("127.0.0.1", server->Port());
        client.set_connection_timeout(2);
        client.set_read_timeout(2);
        return client.Get(path.c_str());
    }

    CPublisher passes;
    std::unique_ptr<CMetricsServer> server;
};

TEST_F(MetricsServerTest, ServesTheLastPassAndNothingElse) {
    StartServer();
    httplib::Result r = Scrape();
    ASSERT_TRUE(r) << httplib::to_string(r.error());
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->get_header_value("Content-Type"), "text/plain; version=0.0.4; charset=utf-8");
    SExposition e;
    std::string error;
    ASSERT_TRUE(ParseExposition(r->body, &e, &error)) << error;
    EXPECT_EQ(e.samples.size(), 1u) << "before the first pass: the build only";

    passes.Set(PassNumber(7));
    r = Scrape();
    ASSERT_TRUE(r);
    e = {};
    ASSERT_TRUE(ParseExposition(r->body, &e, &error)) << error;
    EXPECT_EQ(e.Value("vornpilot_passes_total"), 7);
    EXPECT_EQ(e.Value("vornpilot_voltage_volts", {{"pin", "PIN18"}}), 7);

    r = Scrape("/other");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 404);

    // The address is now taken.
    CMetricsServer second([] { return nullptr; });
    EXPECT_FALSE(second.Start("127.0.0.1", server->Port(), &error));
    EXPECT_NE(error.find("Address already in use"), std::string::npos) << error;
    EXPECT_NE(error.find(":" + std::to_string(server->Port())), std::string::npos) << error;
}

TEST_F(MetricsServerTest, EveryScrapeIsOneWholePassWhilePassesArePublished) {
    StartServer();
    passes.Set(PassNumber(1));
    std::atomic<bool> done{false};
    std::thread publisher([&] {
        for (uint64_t n = 2; !done && n < 1'000'000; ++n) {
            passes.Set(PassNumber(n));
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    int checked = 0;
    double last = 0;
    for (int i = 0; i < 300; ++i) {
        httplib::Result r = Scrape();
        ASSERT_TRUE(r) << httplib::to_string(r.error());
        SExposition e;
        std::string error;
        ASSERT_TRUE(ParseExposition(r->body, &e, &error)) << error;
        const std::optional<double> pass = e.Value("vornpilot_passes_total");
        ASSERT_TRUE(pass);
        EXPECT_GE(*pass, last) << "never an older pass";
        last = *pass;
        ASSERT_EQ(e.Count("vornpilot_voltage_volts"), 18u);
        for (const SSample& s : e.samples) {
            if (s.name == "vornpilot_voltage_volts") {
                ASSERT_EQ(s.value, *pass) << s.labels.at("pin");
            }
        }
        ++checked;
    }
    done = true;
    publisher.join();
    EXPECT_EQ(checked, 300);
    EXPECT_GT(last, 10) << "passes were published while scraping";
}

TEST_F(MetricsServerTest, SlowOversizedAndFloodingClientsAreBounded) {
    // Hostile clients, one after another, each cut off at the exchange's deadline.
    const SMetricsServerLimits limits{2, 4, 500, 16384};
    StartServer(limits);
    passes.Set(PassNumber(3));
    struct Hostile {
        const char* what;
        std::string first;    // sent at once
        std::string trickle;  // then one of these every 100 ms until closed
    };
    const Hostile hostile[] = {
        {"slow request line", "GET /metr", "i"},
        {"endless headers", "GET /metrics HTTP/1.1\r\n", "X-Slow: 1\r\n"},
        {"slow body", "POST /metrics HTTP/1.1\r\nContent-Length: 100000\r\n\r\n", "x"},
        {"oversized headers", "GET /metrics HTTP/1.1\r\n" + std::string(40000, 'h'), ""},
    };
    for (const Hostile& h : hostile) {
        const int fd = ConnectLoopback(server->Port());
        ASSERT_GE(fd, 0);
        const auto start = Clock::now();
        ::send(fd, h.first.data(), h.first.size(), MSG_NOSIGNAL);
        std::string got;
        pollfd p{fd, POLLIN, 0};
        while (MsSince(start) < 5000 && ::poll(&p, 1, 100) == 0) {
            if (!h.trickle.empty())
                ::send(fd, h.trickle.data(), h.trickle.size(), MSG_NOSIGNAL);
        }
        got = ReadToClose(fd, 1000);
        ::close(fd);
        EXPECT_LT(MsSince(start), limits.exchangeMs + 1000) << h.what << " holds a worker";
        EXPECT_EQ(got.find("200 OK"), std::string::npos) << h.what << ": " << got.substr(0, 80);
        EXPECT_EQ(got.find("<timeout>"), std::string::npos) << h.what;
    }

    // Many slow clients at once, and a flood of connections besides: the workers are busy,
    // the waiting room fills, the rest are refused at once. A long deadline keeps the room
    // full however slowly this machine accepts.
    const SMetricsServerLimits patient{2, 4, 5000, 16384};
    server.reset();
    const int threadsBefore = ThreadCount();
    StartServer(patient);
    ASSERT_TRUE(Scrape());  // the workers start with the first connection
    const int serverThreads = ThreadCount() - threadsBefore;
    EXPECT_EQ(serverThreads, patient.workers + 1) << "the workers and the accepting thread";
    std::vector<int> slow;
    for (int i = 0; i < 12; ++i) {
        const int fd = ConnectLoopback(server->Port());
        if (fd >= 0) {
            ::send(fd, "GET /", 5, MSG_NOSIGNAL);
            slow.push_back(fd);
        }
    }
    // The slow clients fill the workers and the waiting room; the others are refused (give or
    // take the workers, which may still be closing the scrape before).
    const uint64_t overflow = slow.size() - static_cast<size_t>(patient.workers + patient.waiting);
    const auto filling = Clock::now();
    while (server->Refused() < overflow && MsSince(filling) < 3000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const uint64_t refusedSlow = server->Refused();
    EXPECT_GE(refusedSlow, overflow);
    EXPECT_LE(refusedSlow, overflow + static_cast<uint64_t>(patient.workers));
    // A flood connection may also take a place in the waiting room that a worker left when it
    // finished the first scrape; it then waits past its own 3 s.
    std::atomic<int> ok{0}, refused{0}, waited{0}, other{0}, unconnected{0};
    const auto floodStart = Clock::now();
    std::vector<std::thread> flood;
    for (int t = 0; t < 4; ++t) {
        flood.emplace_back([&] {
            for (int i = 0; i < 100 && MsSince(floodStart) < 10000; ++i) {
                const int fd = ConnectLoopback(server->Port());
                if (fd < 0) {
                    ++unconnected;
                    continue;
                }
                static constexpr char REQUEST[] = "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n";
                ::send(fd, REQUEST, sizeof(REQUEST) - 1, MSG_NOSIGNAL);
                const std::string got = ReadToClose(fd, 3000);
                ::close(fd);
                if (got.rfind("HTTP/1.1 200", 0) == 0)
                    ++ok;
                else if (got.rfind("HTTP/1.1 503", 0) == 0)
                    ++refused;
                else if (got == "<timeout>")
                    ++waited;
                else
                    ++other;
            }
        });
    }
    int peakThreads = 0;
    while (MsSince(floodStart) < 1500)
        peakThreads = std::max(peakThreads, ThreadCount());
    for (std::thread& t : flood)
        t.join();
    for (int fd : slow)
        ::close(fd);
    EXPECT_EQ(ok + refused + waited, 400)
        << other << " neither answered nor refused, " << unconnected << " not connected";
    EXPECT_LE(waited, patient.waiting);
    EXPECT_GT(refused, 0) << "a full waiting room turns connections away";
    EXPECT_LE(peakThreads, threadsBefore + serverThreads + 4) << "the flood's own 4 threads";
    EXPECT_LT(MsSince(floodStart), 15000);
    EXPECT_EQ(server->Refused(), refusedSlow + static_cast<uint64_t>(refused.load()));

    // Once the slow clients hang up, the workers are free within moments.
    const auto after = Clock::now();
    httplib::Result r = Scrape();
    while (r && r->status == 503 && MsSince(after) < 1000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        r = Scrape();
    }
    ASSERT_TRUE(r) << httplib::to_string(r.error());
    EXPECT_EQ(r->status, 200);
    EXPECT_LT(MsSince(after), 1000);

    // Stopping does not wait for the clients' deadlines.
    const int fd = ConnectLoopback(server->Port());
    ::send(fd, "GET /", 5, MSG_NOSIGNAL);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto stop = Clock::now();
    server->Stop();
    ::close(fd);
    EXPECT_LT(MsSince(stop), 300);
}

}  // namespace
