#pragma once
// Serves the metrics of the last complete pass over HTTP at /metrics. A scrape never waits for a
// pass and never touches the chip: it renders the snapshot the session last published.
//
// Clients are not trusted. One thread serves every connection: it waits on all of them at once
// and reads what each has sent as it arrives, so a client that sends slowly or not at all holds
// a little memory and a socket, never a thread, and a scrape is answered as soon as its request
// is in. Beyond a fixed number of open connections, new ones are answered 503 and closed at
// once. Each connection may send a bounded request and is closed at its deadline whatever it is
// doing.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

struct SPassSnapshot;

struct SMetricsServerLimits {
    int connections = 128;        // open at once; any beyond are answered 503 and closed
    int exchangeMs = 2000;        // from accepting a connection to closing it
    size_t requestBytes = 16384;  // request line and headers together; a body is never read
};

class CMetricsServer {
  public:
    using SnapshotSource = std::function<std::shared_ptr<const SPassSnapshot>()>;

    explicit CMetricsServer(SnapshotSource source, SMetricsServerLimits limits = {});
    ~CMetricsServer();
    CMetricsServer(const CMetricsServer&) = delete;
    CMetricsServer& operator=(const CMetricsServer&) = delete;

    // Binds host:port (port 0: any free port) and serves on a thread of its own. False, with
    // the reason in *error, when the address cannot be bound.
    bool Start(const std::string& host, int port, std::string* error);
    // The bound port; 0 before Start.
    int Port() const { return m_port; }
    // Ends serving: every open connection is closed at once.
    void Stop();

    // Connections answered 503 because the server had as many open as it allows.
    uint64_t Refused() const;

    // Serves one connection already accepted, on the calling thread, exactly as the server
    // serves it, and closes it. Lets one exchange be driven without a listening socket; only
    // for a server that has not been started.
    void ServeConnection(int fd);

  private:
    class CServer;
    std::unique_ptr<CServer> m_server;
    std::thread m_thread;
    int m_port = 0;
};
