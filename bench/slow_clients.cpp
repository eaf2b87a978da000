#include "slow_clients.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto TICK = std::chrono::milliseconds(100);
constexpr char REQUEST_START[] = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ";

// A non-blocking connection attempt, so that a full listen queue cannot stall the others.
int Connect(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 &&
        errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    return fd;
}

struct SClient {
    int fd = -1;
    bool trickles = false;
    bool started = false;  // the start of the request went out
    std::string answer;
    Clock::time_point reconnectAt;
};

}  // namespace

CSlowClients::CSlowClients(int port, int count) {
    m_thread = std::thread([this, port, count] { Run(port, count); });
}

CSlowClients::~CSlowClients() {
    m_done = true;
    m_thread.join();
}

void CSlowClients::Run(int port, int count) {
    std::vector<SClient> clients(static_cast<size_t>(count));
    for (size_t i = 0; i < clients.size(); ++i)
        clients[i].trickles = i % 2 == 1;
    auto nextTick = Clock::now();
    while (!m_done) {
        const auto now = Clock::now();
        if (now >= nextTick) {
            nextTick = now + TICK;
            for (SClient& c : clients) {
                if (c.fd < 0 && now >= c.reconnectAt) {
                    c.fd = Connect(port);
                    c.started = false;
                    c.answer.clear();
                    c.reconnectAt = now + TICK;
                } else if (c.fd >= 0 && c.trickles) {
                    if (c.started)
                        ::send(c.fd, "x", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
                    else
                        c.started = ::send(c.fd, REQUEST_START, sizeof(REQUEST_START) - 1,
                                           MSG_NOSIGNAL | MSG_DONTWAIT) > 0;
                }
            }
        }
        std::vector<pollfd> fds;
        std::vector<SClient*> owners;
        for (SClient& c : clients) {
            if (c.fd >= 0) {
                fds.push_back({c.fd, POLLIN, 0});
                owners.push_back(&c);
            }
        }
        const auto wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - Clock::now()).count();
        if (::poll(fds.data(), fds.size(), static_cast<int>(std::max<int64_t>(wait, 1))) <= 0)
            continue;
        for (size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].revents == 0)
                continue;
            SClient& c = *owners[i];
            char buf[4096];
            const ssize_t n = ::recv(c.fd, buf, sizeof(buf), MSG_DONTWAIT);
            if (n > 0) {
                c.answer.append(buf, static_cast<size_t>(std::min<ssize_t>(n, 64)));
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            ::close(c.fd);
            c.fd = -1;
            c.reconnectAt = Clock::now() + TICK;
            ++m_closed;
            if (c.answer.rfind("HTTP/1.1 503", 0) == 0)
                ++m_busy;
        }
    }
    for (SClient& c : clients) {
        if (c.fd >= 0)
            ::close(c.fd);
    }
}
