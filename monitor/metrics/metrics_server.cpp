#include "metrics_server.h"

#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "metrics_connections.h"
#include "metrics_text.h"
#include "pass_snapshot.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* CONTENT_TYPE = "text/plain; version=0.0.4; charset=utf-8";
constexpr const char* WELCOME = "VORNPILOT hardware monitor: metrics at /metrics\n";
constexpr char BUSY[] =
    "HTTP/1.1 503 Service Unavailable\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";
constexpr int LISTEN_BACKLOG = 128;
// Connections taken from the listening socket in one round, so that a flood of them cannot
// keep the open ones waiting.
constexpr int ACCEPTS_PER_ROUND = 32;
// How long accepting rests when the process has no descriptor left for a new connection.
constexpr auto ACCEPT_REST = std::chrono::milliseconds(100);

int MsUntil(Clock::time_point t) {
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(t - Clock::now()).count();
    return static_cast<int>(std::clamp<int64_t>(ms, 0, 60'000));
}

std::string AddressText(const std::string& host, int port) {
    return (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" +
           std::to_string(port);
}

// A listening socket on host:port, host being a numeric address; -1 with the reason in *error.
int Listen(const std::string& host, int port, int* boundPort, std::string* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
    addrinfo* found = nullptr;
    const int gai = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (gai != 0) {
        *error = "cannot listen on " + AddressText(host, port) + ": " + ::gai_strerror(gai);
        return -1;
    }
    int fd = ::socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    int e = errno;
    if (fd >= 0) {
        // Not SO_REUSEPORT: a second monitor must be told the port is taken, not share it.
        const int yes = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        if (::bind(fd, found->ai_addr, found->ai_addrlen) != 0 ||
            ::listen(fd, LISTEN_BACKLOG) != 0) {
            e = errno;
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    sockaddr_storage bound{};
    socklen_t len = sizeof(bound);
    if (fd >= 0 && ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &len) == 0) {
        *boundPort = ntohs(bound.ss_family == AF_INET6
                               ? reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port
                               : reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
    } else if (fd >= 0) {
        e = errno;
        ::close(fd);
        fd = -1;
    }
    if (fd < 0)
        *error = "cannot listen on " + AddressText(host, port) + ": " + std::strerror(e);
    return fd;
}

MHD_Response* FixedResponse(const std::string& body, const char* type) {
    MHD_Response* r = MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()),
                                                      MHD_RESPMEM_MUST_COPY);
    if (r != nullptr) {
        if (type != nullptr)
            MHD_add_response_header(r, MHD_HTTP_HEADER_CONTENT_TYPE, type);
        // One request per connection: its deadline then never cuts a client between requests.
        MHD_add_response_header(r, MHD_HTTP_HEADER_CONNECTION, "close");
    }
    return r;
}

}  // namespace

// The HTTP side is the library's: it parses each request from what the connection has sent so
// far and writes the answer without blocking. This class owns what the library leaves to its
// user: the listening socket and the limit on open connections, the loop that drives it all,
// and the answers; the connections' ends are CMetricsConnections'.
class CMetricsServer::CServer {
  public:
    CServer(SnapshotSource source, SMetricsServerLimits limits)
        : m_source(std::move(source)),
          m_limits(limits),
          m_connections(std::chrono::milliseconds(limits.exchangeMs)) {
        m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        // The library's own time-out, for a connection that stays quiet, only backs up the
        // deadline.
        const unsigned idleSeconds = static_cast<unsigned>(m_limits.exchangeMs / 1000 + 1);
        m_daemon = MHD_start_daemon(
            MHD_USE_EPOLL | MHD_USE_NO_LISTEN_SOCKET, 0, nullptr, nullptr, &CServer::Answer, this,
            MHD_OPTION_CONNECTION_LIMIT, static_cast<unsigned>(m_limits.connections),
            MHD_OPTION_CONNECTION_MEMORY_LIMIT, m_limits.requestBytes,
            MHD_OPTION_CONNECTION_TIMEOUT, idleSeconds, MHD_OPTION_NOTIFY_CONNECTION,
            &CServer::Notify, this, MHD_OPTION_END);
        if (m_daemon != nullptr) {
            const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_EPOLL_FD);
            m_epoll = info != nullptr ? info->epoll_fd : -1;
        }
        m_welcome = FixedResponse(WELCOME, "text/plain; charset=utf-8");
        m_notFound = FixedResponse("", nullptr);
        m_notAllowed = FixedResponse("", nullptr);
        if (m_notAllowed != nullptr)
            MHD_add_response_header(m_notAllowed, MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
    }

    ~CServer() {
        Close();
        for (MHD_Response* r : {m_welcome, m_notFound, m_notAllowed, m_metrics}) {
            if (r != nullptr)
                MHD_destroy_response(r);
        }
        if (m_wake >= 0)
            ::close(m_wake);
    }

    bool Ready(std::string* error) const {
        if (m_daemon != nullptr && m_epoll >= 0 && m_wake >= 0 && m_connections.HangupFd() >= 0 &&
            m_welcome != nullptr && m_notFound != nullptr && m_notAllowed != nullptr)
            return true;
        *error = "cannot start the metrics server: out of resources";
        return false;
    }

    bool Listen(const std::string& host, int port, int* boundPort, std::string* error) {
        m_listen = ::Listen(host, port, boundPort, error);
        return m_listen >= 0;
    }

    void Serve() {
        while (Turn(-1)) {
        }
    }

    void Wake() {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake, &one, sizeof(one));
    }

    // Closes the listening socket and every open connection; only once serving has ended.
    void Close() {
        if (m_daemon != nullptr)
            MHD_stop_daemon(m_daemon);
        m_daemon = nullptr;
        m_epoll = -1;
        m_connections.Clear();
        if (m_listen >= 0)
            ::close(m_listen);
        m_listen = -1;
    }

    void ServeOne(int fd) {
        sockaddr_storage peer{};
        socklen_t len = sizeof(peer);
        ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len);
        if (!Adopt(fd, peer, len))
            return;
        while (m_connections.Has(fd) && Turn(m_limits.exchangeMs)) {
        }
    }

    std::atomic<uint64_t> refused{0};

  private:
    // One round: waits for a connection, a client's bytes or end of sending, the next
    // deadline or a wake-up (capMs at most, -1: no cap), then accepts, lets the library read,
    // answer and close, and ends what can make no more progress. False when woken to stop.
    bool Turn(int capMs) {
        int waitMs = capMs;
        const auto less = [&waitMs](int ms) {
            if (ms >= 0)
                waitMs = waitMs < 0 ? ms : std::min(waitMs, ms);
        };
        less(LibraryWaitMs());
        less(m_nextDeadlineMs);
        const bool accepting = m_listen >= 0 && Clock::now() >= m_acceptRestEnds;
        if (m_listen >= 0 && !accepting)
            less(MsUntil(m_acceptRestEnds));
        pollfd fds[4] = {{m_wake, POLLIN, 0},
                         {m_epoll, POLLIN, 0},
                         {m_connections.HangupFd(), POLLIN, 0},
                         {accepting ? m_listen : -1, POLLIN, 0}};
        ::poll(fds, 4, waitMs);
        if (fds[0].revents != 0)
            return false;
        if (fds[3].revents != 0)
            AcceptWaiting();
        if (fds[2].revents != 0)
            m_connections.TakeHangups();
        MHD_run(m_daemon);
        m_nextDeadlineMs = m_connections.Cut(LibraryWaitMs() != 0);
        return true;
    }

    // How long the library may wait for its sockets: 0 while it has work in hand, -1 for as
    // long as it likes.
    int LibraryWaitMs() const {
        MHD_UNSIGNED_LONG_LONG ms = 0;
        if (MHD_get_timeout(m_daemon, &ms) != MHD_YES)
            return -1;
        return static_cast<int>(std::min<MHD_UNSIGNED_LONG_LONG>(ms, 60'000));
    }

    void AcceptWaiting() {
        for (int i = 0; i < ACCEPTS_PER_ROUND; ++i) {
            sockaddr_storage peer{};
            socklen_t len = sizeof(peer);
            const int fd = ::accept4(m_listen, reinterpret_cast<sockaddr*>(&peer), &len,
                                     SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                    m_acceptRestEnds = Clock::now() + ACCEPT_REST;
                return;
            }
            Adopt(fd, peer, len);
        }
    }

    // Hands the connection to the library, or answers 503 and closes it when as many are open
    // as allowed. True when the library took it.
    bool Adopt(int fd, const sockaddr_storage& peer, socklen_t len) {
        if (m_connections.Count() >= static_cast<size_t>(m_limits.connections)) {
            ++refused;
            Refuse(fd);
            return false;
        }
        m_connections.Add(fd);
        // On failure the library has closed the descriptor.
        if (MHD_add_connection(m_daemon, fd, reinterpret_cast<const sockaddr*>(&peer), len) !=
            MHD_YES) {
            m_connections.Remove(fd);
            return false;
        }
        return true;
    }

    static void Refuse(int fd) {
        ::send(fd, BUSY, sizeof(BUSY) - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        // A request left unread would make the close a reset, which can destroy the answer
        // before the client reads it; take what has arrived, without waiting for more.
        char discard[4096];
        for (int i = 0; i < 4 && ::recv(fd, discard, sizeof(discard), MSG_DONTWAIT) > 0; ++i) {
        }
        ::close(fd);
    }

    static int FdOf(MHD_Connection* connection) {
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        return info != nullptr ? info->connect_fd : -1;
    }

    // Runs in the library's processing, on the serving thread, before it closes the socket.
    static void Notify(void* self, MHD_Connection* connection, void**,
                       MHD_ConnectionNotificationCode code) {
        if (code == MHD_CONNECTION_NOTIFY_CLOSED)
            static_cast<CServer*>(self)->m_connections.Remove(FdOf(connection));
    }

    // Every request is answered once its headers are in; a body is never read, and the library
    // closes the connection after the answer.
    static MHD_Result Answer(void* self, MHD_Connection* connection, const char* url,
                             const char* method, const char*, const char*, size_t*, void**) {
        auto* server = static_cast<CServer*>(self);
        server->m_connections.Answered(FdOf(connection));
        const bool reads = std::strcmp(method, MHD_HTTP_METHOD_GET) == 0 ||
                           std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0;
        const bool metrics = std::strcmp(url, "/metrics") == 0;
        if (!metrics && std::strcmp(url, "/") != 0)
            return MHD_queue_response(connection, MHD_HTTP_NOT_FOUND, server->m_notFound);
        if (!reads) {
            return MHD_queue_response(connection, MHD_HTTP_METHOD_NOT_ALLOWED,
                                      server->m_notAllowed);
        }
        MHD_Response* answer = metrics ? server->Metrics() : server->m_welcome;
        if (answer == nullptr)
            return MHD_NO;
        return MHD_queue_response(connection, MHD_HTTP_OK, answer);
    }

    // The exposition of the last complete pass, made once per pass and shared by every scrape
    // of it (the library counts the connections still sending it).
    MHD_Response* Metrics() {
        std::shared_ptr<const SPassSnapshot> pass = m_source ? m_source() : nullptr;
        if (m_metrics == nullptr || pass != m_metricsOf) {
            MHD_Response* fresh = FixedResponse(MetricsText(pass.get()), CONTENT_TYPE);
            if (fresh == nullptr)
                return m_metrics;
            if (m_metrics != nullptr)
                MHD_destroy_response(m_metrics);
            m_metrics = fresh;
            m_metricsOf = std::move(pass);
        }
        return m_metrics;
    }

    SnapshotSource m_source;
    SMetricsServerLimits m_limits;
    CMetricsConnections m_connections;
    MHD_Daemon* m_daemon = nullptr;
    int m_epoll = -1;
    int m_listen = -1;
    int m_wake = -1;
    int m_nextDeadlineMs = -1;
    Clock::time_point m_acceptRestEnds;
    MHD_Response* m_welcome = nullptr;
    MHD_Response* m_notFound = nullptr;
    MHD_Response* m_notAllowed = nullptr;
    MHD_Response* m_metrics = nullptr;
    std::shared_ptr<const SPassSnapshot> m_metricsOf;
};

CMetricsServer::CMetricsServer(SnapshotSource source, SMetricsServerLimits limits)
    : m_server(std::make_unique<CServer>(std::move(source), limits)) {}

CMetricsServer::~CMetricsServer() {
    Stop();
}

bool CMetricsServer::Start(const std::string& host, int port, std::string* error) {
    if (m_thread.joinable() || m_port != 0) {
        *error = "the metrics server already runs";
        return false;
    }
    int bound = 0;
    if (!m_server->Ready(error) || !m_server->Listen(host, port, &bound, error))
        return false;
    m_port = bound;
    m_thread = std::thread([this] { m_server->Serve(); });
    return true;
}

void CMetricsServer::Stop() {
    if (!m_thread.joinable())
        return;
    m_server->Wake();
    m_thread.join();
    m_server->Close();
}

uint64_t CMetricsServer::Refused() const {
    return m_server->refused;
}

void CMetricsServer::ServeConnection(int fd) {
    std::string error;
    if (m_thread.joinable() || !m_server->Ready(&error)) {
        ::close(fd);
        return;
    }
    m_server->ServeOne(fd);
}
