#pragma once
// Serves the metrics of the last complete pass over HTTP at /metrics. A scrape never waits for a
// pass and never touches the chip: it renders the snapshot the session last published.
//
// Clients are not trusted. A fixed number of worker threads serve one request per connection;
// a few more connections may wait for a worker, and any beyond that are answered 503 and closed
// at once by the accepting thread. Each connection has one deadline for the whole exchange and
// a cap on the bytes it may send, so a slow or hostile client costs one worker for a bounded
// time and a bounded amount of memory.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

struct SPassSnapshot;

struct SMetricsServerLimits {
    int workers = 2;              // threads that serve requests
    int waiting = 8;              // accepted connections that may wait for a worker
    int exchangeMs = 2000;        // from a worker taking the connection to its close
    size_t requestBytes = 16384;  // request line, headers and any body together
};

class CMetricsServer {
  public:
    using SnapshotSource = std::function<std::shared_ptr<const SPassSnapshot>()>;

    explicit CMetricsServer(SnapshotSource source, SMetricsServerLimits limits = {});
    ~CMetricsServer();
    CMetricsServer(const CMetricsServer&) = delete;
    CMetricsServer& operator=(const CMetricsServer&) = delete;

    // Binds host:port (port 0: any free port) and serves on threads of its own. False, with
    // the reason in *error, when the address cannot be bound.
    bool Start(const std::string& host, int port, std::string* error);
    // The bound port; 0 before Start.
    int Port() const { return m_port; }
    // Ends serving: waiting connections are closed, running exchanges end within ~50 ms.
    void Stop();

    // Connections answered 503 because every worker was busy and the waiting room full.
    uint64_t Refused() const;

    // Serves one connection already accepted, on the calling thread, exactly as a worker serves
    // it, and closes it. Lets one exchange be driven without a listening socket.
    void ServeConnection(int fd);

  private:
    class CServer;
    std::unique_ptr<CServer> m_server;
    std::thread m_thread;
    int m_port = 0;
};
