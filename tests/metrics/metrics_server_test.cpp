// The metrics server on loopback with real sockets: what it serves, that a scrape always shows
// one whole pass while passes are published, that requests it cannot serve are refused or
// ended, and that idle, slow and flooding clients neither hold a thread nor keep a scrape
// waiting.

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
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

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
    httplib::Client client("127.0.0.1", server->Port());
    r = client.Post("/metrics", "x", "text/plain");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 405);
    EXPECT_EQ(r->get_header_value("Allow"), "GET, HEAD");
    r = client.Head("/metrics");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);

    // The address is now taken.
    CMetricsServer second([] { return nullptr; });
    EXPECT_FALSE(second.Start("127.0.0.1", server->Port(), &error));
    EXPECT_NE(error.find("Address already in use"), std::string::npos) << error;
    EXPECT_NE(error.find(':' + std::to_string(server->Port())), std::string::npos) << error;
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

TEST_F(MetricsServerTest, RequestsThatCannotBeServedAreRefusedOrEnded) {
    // A short deadline, so that the clients that never finish are ended soon.
    StartServer({128, 500, 16384});
    passes.Set(PassNumber(3));
    struct Hostile {
        const char* what;
        std::string first;    // sent at once
        std::string trickle;  // then one of these every 100 ms until the server closes
        const char* answer;   // how the server's answer starts; "": it closes without one
    };
    const Hostile hostile[] = {
        {"idle", "", "", ""},
        {"slow request line", "GET /metr", "i", ""},
        {"endless headers", "GET /metrics HTTP/1.1\r\n", "X-Slow: 1\r\n", ""},
        {"slow body", "POST /metrics HTTP/1.1\r\nContent-Length: 100000\r\n\r\n", "x",
         "HTTP/1.1 405 "},
        {"oversized headers", "GET /metrics HTTP/1.1\r\nX: " + std::string(16384, 'h'), "",
         "HTTP/1.1 431 "},
        {"oversized request line", "GET /" + std::string(16384, 'm'), "", "HTTP/1.1 414 "},
    };
    for (const Hostile& h : hostile) {
        const int fd = ConnectLoopback(server->Port());
        ASSERT_GE(fd, 0);
        const auto start = Clock::now();
        ::send(fd, h.first.data(), h.first.size(), MSG_NOSIGNAL);
        pollfd p{fd, POLLIN, 0};
        while (MsSince(start) < 10000 && ::poll(&p, 1, 100) == 0) {
            if (!h.trickle.empty())
                ::send(fd, h.trickle.data(), h.trickle.size(), MSG_NOSIGNAL);
        }
        const std::string got = ReadToClose(fd, 10000);
        ::close(fd);
        if (*h.answer == '\0') {
            EXPECT_EQ(got, "") << h.what;
        } else {
            EXPECT_EQ(got.substr(0, std::strlen(h.answer)), h.answer) << h.what << ": " << got;
        }
    }
    // A client that stops sending half-way is ended at once, long before a far deadline; one
    // that finished its request before it stopped sending is answered.
    server.reset();
    StartServer({128, 60000, 16384});
    const struct {
        const char* request;
        const char* answer;
    } ended[] = {{"GET /metr", ""}, {"GET /metrics HTTP/1.1\r\n\r\n", "HTTP/1.1 200 "}};
    for (const auto& e : ended) {
        const int fd = ConnectLoopback(server->Port());
        ASSERT_GE(fd, 0);
        ::send(fd, e.request, std::strlen(e.request), MSG_NOSIGNAL);
        ::shutdown(fd, SHUT_WR);
        const std::string got = ReadToClose(fd, 10000);
        ::close(fd);
        EXPECT_EQ(got.substr(0, std::strlen(e.answer)), e.answer) << e.request << ": " << got;
    }
    httplib::Result r = Scrape();
    ASSERT_TRUE(r) << httplib::to_string(r.error());
    EXPECT_EQ(r->status, 200);
}

TEST_F(MetricsServerTest, ManyIdleAndSlowClientsNeitherDelayScrapesNorTakeThreads) {
    // The held connections' deadline is far off: they stay open through the scrapes.
    const int threadsBefore = ThreadCount();
    StartServer({128, 60000, 16384});
    passes.Set(PassNumber(5));
    std::vector<int> held;
    for (int i = 0; i < 40; ++i) {
        const int fd = ConnectLoopback(server->Port());
        ASSERT_GE(fd, 0);
        if (i % 2 == 1)
            ::send(fd, "GET /metrics HTTP/1.1\r\nX-Slow: ", 31, MSG_NOSIGNAL);
        held.push_back(fd);
    }
    for (int i = 0; i < 20; ++i) {
        httplib::Client client("127.0.0.1", server->Port());
        client.set_connection_timeout(10);
        client.set_read_timeout(10);
        httplib::Result r = client.Get("/metrics");
        ASSERT_TRUE(r) << httplib::to_string(r.error());
        ASSERT_EQ(r->status, 200);
        SExposition e;
        std::string error;
        ASSERT_TRUE(ParseExposition(r->body, &e, &error)) << error;
        EXPECT_EQ(e.Value("vornpilot_passes_total"), 5);
    }
    EXPECT_EQ(ThreadCount(), threadsBefore + 1) << "one serving thread, whatever the clients";
    EXPECT_EQ(server->Refused(), 0u);
    // Still held: none of them was answered or closed.
    for (int fd : held) {
        pollfd p{fd, POLLIN, 0};
        EXPECT_EQ(::poll(&p, 1, 0), 0);
    }

    // Stopping closes them all at once.
    server->Stop();
    for (int fd : held) {
        EXPECT_EQ(ReadToClose(fd, 10000), "");
        ::close(fd);
    }
}

TEST_F(MetricsServerTest, ConnectionsBeyondTheBoundAreAnsweredBusy) {
    StartServer({4, 60000, 16384});
    std::vector<int> held;
    for (int i = 0; i < 4; ++i) {
        held.push_back(ConnectLoopback(server->Port()));
        ASSERT_GE(held.back(), 0);
    }
    // Connections are taken in the order they came, so the held ones fill the room first.
    httplib::Result r = Scrape();
    ASSERT_TRUE(r) << httplib::to_string(r.error());
    EXPECT_EQ(r->status, 503);
    EXPECT_GE(server->Refused(), 1u);

    // A flood is turned away while the room is full, each connection answered or closed.
    std::atomic<int> served{0}, unanswered{0};
    std::vector<std::thread> flood;
    for (int t = 0; t < 4; ++t) {
        flood.emplace_back([&] {
            for (int i = 0; i < 50; ++i) {
                const int fd = ConnectLoopback(server->Port());
                if (fd < 0)
                    continue;
                static constexpr char REQUEST[] = "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n";
                ::send(fd, REQUEST, sizeof(REQUEST) - 1, MSG_NOSIGNAL);
                const std::string got = ReadToClose(fd, 10000);
                ::close(fd);
                served += got.rfind("HTTP/1.1 200", 0) == 0;
                unanswered += got.find("<timeout>") != std::string::npos;
            }
        });
    }
    for (std::thread& t : flood)
        t.join();
    EXPECT_EQ(served, 0);
    EXPECT_EQ(unanswered, 0);

    // Once one of them hangs up there is room again.
    ::close(held.back());
    held.pop_back();
    const auto after = Clock::now();
    r = Scrape();
    while (r && r->status == 503 && MsSince(after) < 10000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        r = Scrape();
    }
    ASSERT_TRUE(r) << httplib::to_string(r.error());
    EXPECT_EQ(r->status, 200);
    for (int fd : held)
        ::close(fd);
}

}  // namespace
