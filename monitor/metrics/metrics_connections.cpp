#include "metrics_connections.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

CMetricsConnections::CMetricsConnections(std::chrono::milliseconds exchange)
    : m_exchange(exchange), m_hangups(::epoll_create1(EPOLL_CLOEXEC)) {}

CMetricsConnections::~CMetricsConnections() {
    if (m_hangups >= 0)
        ::close(m_hangups);
}

void CMetricsConnections::Add(int fd) {
    m_open[fd] = {Clock::now() + m_exchange};
    // Only the client's end of sending: the library watches for data itself. A closed
    // descriptor leaves this set by itself.
    epoll_event e{};
    e.events = EPOLLRDHUP | EPOLLET;
    e.data.fd = fd;
    ::epoll_ctl(m_hangups, EPOLL_CTL_ADD, fd, &e);
}

void CMetricsConnections::Remove(int fd) {
    m_open.erase(fd);
}

void CMetricsConnections::Answered(int fd) {
    const auto it = m_open.find(fd);
    if (it != m_open.end())
        it->second.answered = true;
}

void CMetricsConnections::TakeHangups() {
    epoll_event events[64];
    int n = 0;
    while ((n = ::epoll_wait(m_hangups, events, 64, 0)) > 0) {
        for (int i = 0; i < n; ++i) {
            const auto it = m_open.find(events[i].data.fd);
            if (it != m_open.end())
                it->second.finished = true;
        }
        if (n < 64)
            break;
    }
}

int CMetricsConnections::Cut(bool settled) {
    const auto now = Clock::now();
    int nextMs = -1;
    for (auto& [fd, open] : m_open) {
        if (open.cut)
            continue;
        bool stuck = now >= open.deadline;
        if (!stuck && settled && open.finished && !open.answered) {
            // Nothing left unread behind the end of sending: the request can never complete.
            char c;
            stuck = ::recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
        }
        if (stuck) {
            ::shutdown(fd, SHUT_RDWR);
            open.cut = true;
            continue;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(open.deadline - now);
        const int ms = static_cast<int>(std::clamp<int64_t>(left.count(), 0, 60'000));
        nextMs = nextMs < 0 ? ms : std::min(nextMs, ms);
    }
    return nextMs;
}
