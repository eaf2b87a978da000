#include "sim_connection.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "log.h"

short CSimConnection::Events() const {
    return m_replying ? POLLOUT : POLLIN;
}

bool CSimConnection::Service(short revents) {
    if (revents & (POLLERR | POLLNVAL))
        return false;
    if (m_replying) {
        if (revents & POLLHUP)
            return false;
        return Flush() == EIo::AGAIN || Finish();
    }
    if (revents & (POLLIN | POLLHUP))
        return ReadLine();
    return true;
}

bool CSimConnection::ReadLine() {
    char chunk[256];
    for (;;) {
        ssize_t n = ::recv(m_fd.Get(), chunk, sizeof chunk, MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        if (n == 0) {
            if (m_line.empty())
                return false;  // connected and left without a command
            return Reply();
        }
        m_line.append(chunk, static_cast<size_t>(n));
        auto end = m_line.find('\n');
        if (end != std::string::npos) {
            m_line.resize(end);
            return Reply();
        }
        if (m_line.size() > MAX_LINE) {
            IodLog("closing a sim client whose command line is too long");
            return false;
        }
    }
}

bool CSimConnection::Reply() {
    if (!m_line.empty() && m_line.back() == '\r')
        m_line.pop_back();
    std::string reply = m_control.Execute(m_line);
    QueueOutput(std::vector<uint8_t>(reply.begin(), reply.end()));
    m_replying = true;
    return Flush() == EIo::AGAIN || Finish();
}

bool CSimConnection::Finish() {
    // Input after the command line would make the close reset the client's end, and it could
    // lose the reply; a bounded amount is read and dropped first.
    char sink[256];
    for (int i = 0; i < 64; ++i) {
        if (::recv(m_fd.Get(), sink, sizeof sink, MSG_DONTWAIT) <= 0)
            break;
    }
    return false;
}
