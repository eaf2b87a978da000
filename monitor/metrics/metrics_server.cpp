#include "metrics_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "metrics_text.h"
#include "pass_snapshot.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* CONTENT_TYPE = "text/plain; version=0.0.4; charset=utf-8";
// How often a waiting exchange looks whether the server is stopping.
constexpr int STOP_CHECK_MS = 50;

// Set while the accepting thread turns a connection away: the connection is then closed with a
// 503 instead of being served.
thread_local bool t_refusing = false;

void PeerOf(int fd, bool local, std::string& ip, int& port) {
    sockaddr_storage addr{};
    socklen_t len = sizeof(addr);
    const int r = local ? ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len)
                        : ::getpeername(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ip.clear();
    port = 0;
    if (r != 0)
        return;
    char text[INET6_ADDRSTRLEN] = "";
    if (addr.ss_family == AF_INET) {
        const auto* a = reinterpret_cast<const sockaddr_in*>(&addr);
        ::inet_ntop(AF_INET, &a->sin_addr, text, sizeof(text));
        port = ntohs(a->sin_port);
    } else if (addr.ss_family == AF_INET6) {
        const auto* a = reinterpret_cast<const sockaddr_in6*>(&addr);
        ::inet_ntop(AF_INET6, &a->sin6_addr, text, sizeof(text));
        port = ntohs(a->sin6_port);
    }
    ip = text;
}

// One connection's exchange: every wait ends at the exchange's deadline or when the server
// stops, and reading ends at the byte cap.
class CBoundedStream : public httplib::Stream {
  public:
    CBoundedStream(int fd, Clock::time_point deadline, size_t maxBytes,
                   const std::atomic<bool>& stopping)
        : m_fd(fd), m_deadline(deadline), m_left(maxBytes), m_stopping(stopping) {}

    bool is_readable() const override { return m_pos < m_len || Wait(POLLIN); }
    bool is_writable() const override { return Wait(POLLOUT); }

    ssize_t read(char* ptr, size_t size) override {
        if (m_pos == m_len) {
            if (m_left == 0 || !Wait(POLLIN))
                return -1;
            const ssize_t n = ::recv(m_fd, m_buf, std::min(sizeof(m_buf), m_left), 0);
            if (n <= 0)
                return n;
            m_pos = 0;
            m_len = static_cast<size_t>(n);
            m_left -= m_len;
        }
        const size_t n = std::min(size, m_len - m_pos);
        std::memcpy(ptr, m_buf + m_pos, n);
        m_pos += n;
        return static_cast<ssize_t>(n);
    }
    ssize_t write(const char* ptr, size_t size) override {
        if (!Wait(POLLOUT))
            return -1;
        return ::send(m_fd, ptr, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        PeerOf(m_fd, false, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        PeerOf(m_fd, true, ip, port);
    }
    socket_t socket() const override { return m_fd; }

  private:
    bool Wait(short events) const {
        for (;;) {
            if (m_stopping)
                return false;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now())
                    .count();
            if (left <= 0)
                return false;
            pollfd p{m_fd, events, 0};
            const int r = ::poll(&p, 1, static_cast<int>(std::min<int64_t>(left, STOP_CHECK_MS)));
            if (r > 0)
                return (p.revents & (events | POLLHUP | POLLERR)) != 0;
            if (r < 0 && errno != EINTR)
                return false;
        }
    }

    int m_fd;
    Clock::time_point m_deadline;
    size_t m_left;
    const std::atomic<bool>& m_stopping;
    char m_buf[4096];
    size_t m_pos = 0;
    size_t m_len = 0;
};

// A fixed set of workers and a bounded waiting room. A connection that finds the room full is
// refused on the accepting thread itself, which costs it one non-blocking send and a close.
class CBoundedQueue : public httplib::TaskQueue {
  public:
    CBoundedQueue(int workers, int waiting, std::atomic<uint64_t>& refused)
        : m_waiting(static_cast<size_t>(waiting)), m_refused(refused) {
        for (int i = 0; i < workers; ++i)
            m_threads.emplace_back([this] { Work(); });
    }
    void enqueue(std::function<void()> fn) override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_jobs.size() < m_waiting) {
                m_jobs.push_back(std::move(fn));
                m_wake.notify_one();
                return;
            }
        }
        ++m_refused;
        t_refusing = true;
        fn();
        t_refusing = false;
    }
    void shutdown() override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_shutdown = true;
        }
        m_wake.notify_all();
        for (std::thread& t : m_threads)
            t.join();
    }

  private:
    void Work() {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [this] { return m_shutdown || !m_jobs.empty(); });
                if (m_jobs.empty())
                    return;
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
            }
            job();
        }
    }

    size_t m_waiting;
    std::atomic<uint64_t>& m_refused;
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_shutdown = false;
};

}  // namespace

class CMetricsServer::CServer : public httplib::Server {
  public:
    CServer(SnapshotSource source, SMetricsServerLimits limits)
        : m_source(std::move(source)), m_limits(limits) {
        new_task_queue = [this] {
            return new CBoundedQueue(m_limits.workers, m_limits.waiting, refused);
        };
        set_payload_max_length(m_limits.requestBytes);
        // The library's default also sets SO_REUSEPORT, which would let a second monitor bind
        // the same port and share its scrapes instead of being told the port is taken.
        set_socket_options([](socket_t sock) {
            int yes = 1;
            ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        });
        Get("/metrics", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(*Text(), CONTENT_TYPE);
        });
        Get("/", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("VORNPILOT hardware monitor: metrics at /metrics\n",
                            "text/plain; charset=utf-8");
        });
    }

    void Serve(int sock) { process_and_close_socket(sock); }

    std::atomic<bool> stopping{false};
    std::atomic<bool> listenEnded{false};
    std::atomic<uint64_t> refused{0};

  private:
    bool process_and_close_socket(socket_t sock) override {
        if (t_refusing || stopping) {
            static constexpr char BUSY[] =
                "HTTP/1.1 503 Service Unavailable\r\nConnection: close\r\nContent-Length: "
                "0\r\n\r\n";
            ::send(sock, BUSY, sizeof(BUSY) - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            // A request left unread would make the close a reset, which can destroy the answer
            // before the client reads it; take what has arrived, without waiting for more.
            char discard[4096];
            for (int i = 0; i < 4 && ::recv(sock, discard, sizeof(discard), MSG_DONTWAIT) > 0;
                 ++i) {
            }
        } else {
            CBoundedStream stream(sock,
                                  Clock::now() + std::chrono::milliseconds(m_limits.exchangeMs),
                                  m_limits.requestBytes, stopping);
            bool closed = false;
            process_request(stream, true, closed, nullptr);
        }
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
        return true;
    }

    // The exposition of the last complete pass, rendered once per pass.
    std::shared_ptr<const std::string> Text() {
        std::shared_ptr<const SPassSnapshot> pass = m_source ? m_source() : nullptr;
        std::lock_guard<std::mutex> lock(m_cacheMutex);
        if (!m_text || pass != m_textOf) {
            m_text = std::make_shared<const std::string>(MetricsText(pass.get()));
            m_textOf = std::move(pass);
        }
        return m_text;
    }

    SnapshotSource m_source;
    SMetricsServerLimits m_limits;
    std::mutex m_cacheMutex;
    std::shared_ptr<const SPassSnapshot> m_textOf;
    std::shared_ptr<const std::string> m_text;
};

CMetricsServer::CMetricsServer(SnapshotSource source, SMetricsServerLimits limits)
    : m_server(std::make_unique<CServer>(std::move(source), limits)) {}

CMetricsServer::~CMetricsServer() {
    Stop();
}

bool CMetricsServer::Start(const std::string& host, int port, std::string* error) {
    if (m_thread.joinable()) {
        *error = "the metrics server already runs";
        return false;
    }
    errno = 0;
    int bound = port;
    if (port == 0) {
        bound = m_server->bind_to_any_port(host);
    } else if (!m_server->bind_to_port(host, port)) {
        bound = -1;
    }
    if (bound <= 0) {
        const int e = errno;
        *error = "cannot listen on " +
                 (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" +
                 std::to_string(port) + ": " +
                 (e != 0 ? std::strerror(e) : "the address cannot be bound");
        return false;
    }
    m_port = bound;
    m_thread = std::thread([this] {
        m_server->listen_after_bind();
        m_server->listenEnded = true;
    });
    return true;
}

void CMetricsServer::Stop() {
    if (!m_thread.joinable())
        return;
    m_server->stopping = true;
    // stop() only reaches a listening loop; wait until it listens or has given up.
    while (!m_server->is_running() && !m_server->listenEnded)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    m_server->stop();
    m_thread.join();
}

uint64_t CMetricsServer::Refused() const {
    return m_server->refused;
}

void CMetricsServer::ServeConnection(int fd) {
    m_server->Serve(fd);
}
