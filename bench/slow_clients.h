#pragma once
// Clients that hold connections to a loopback HTTP server without finishing a request: half of
// them connect and send nothing, the other half send the start of a request and then one byte of
// a header every 100 ms. Whenever the server closes one, it connects again 100 ms later, so the
// server always has them to deal with. All of them run on one thread of their own.

#include <atomic>
#include <cstdint>
#include <thread>

class CSlowClients {
  public:
    CSlowClients(int port, int count);
    ~CSlowClients();
    CSlowClients(const CSlowClients&) = delete;
    CSlowClients& operator=(const CSlowClients&) = delete;

    // Connections the server closed, and how many of those it answered 503 first.
    uint64_t Closed() const { return m_closed; }
    uint64_t Busy() const { return m_busy; }

  private:
    void Run(int port, int count);

    std::atomic<bool> m_done{false};
    std::atomic<uint64_t> m_closed{0};
    std::atomic<uint64_t> m_busy{0};
    std::thread m_thread;
};
