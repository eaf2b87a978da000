#include "connection.h"

#include <sys/socket.h>

#include <cerrno>

void CConnection::QueueOutput(std::vector<uint8_t> bytes) {
    m_output = std::move(bytes);
    m_sent = 0;
}

CConnection::EIo CConnection::Flush() {
    while (m_sent < m_output.size()) {
        ssize_t n = ::send(m_fd.Get(), m_output.data() + m_sent, m_output.size() - m_sent,
                           MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return EIo::AGAIN;
            return EIo::CLOSED;
        }
        m_sent += static_cast<size_t>(n);
    }
    m_output.clear();
    m_sent = 0;
    return EIo::DONE;
}
