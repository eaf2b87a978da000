#pragma once
// The connections the metrics server has open, and when each must end. The HTTP library that
// reads and answers them only knows how long a connection has been quiet; this adds what it
// lacks: a deadline for the whole exchange, and an end for a connection whose client has
// stopped sending before finishing its request. Such a connection is shut down under the
// library, which then sees it end and closes it: its descriptor stays the library's to close.
// Used by the server's one thread only.

#include <chrono>
#include <cstddef>
#include <unordered_map>

class CMetricsConnections {
  public:
    explicit CMetricsConnections(std::chrono::milliseconds exchange);
    ~CMetricsConnections();
    CMetricsConnections(const CMetricsConnections&) = delete;
    CMetricsConnections& operator=(const CMetricsConnections&) = delete;

    // Readable when a client has finished sending; -1 when it could not be made.
    int HangupFd() const { return m_hangups; }
    size_t Count() const { return m_open.size(); }
    bool Has(int fd) const { return m_open.count(fd) != 0; }

    void Add(int fd);
    // The library has closed it, or is about to.
    void Remove(int fd);
    // Its request is complete and its answer queued.
    void Answered(int fd);
    // Notes which clients have finished sending since the last call.
    void TakeHangups();
    // Shuts down every connection past its deadline and, when the library has nothing left to
    // do with what has arrived (settled), every one whose client has finished sending without
    // completing a request. Milliseconds to the next deadline, -1 when none.
    int Cut(bool settled);
    void Clear() { m_open.clear(); }

  private:
    using Clock = std::chrono::steady_clock;
    struct SOpen {
        Clock::time_point deadline;
        bool finished = false;  // the client has shut down its sending side
        bool answered = false;
        bool cut = false;
    };

    std::chrono::milliseconds m_exchange;
    int m_hangups = -1;
    std::unordered_map<int, SOpen> m_open;
};
