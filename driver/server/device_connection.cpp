#include "device_connection.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "log.h"

short CDeviceConnection::Events() const {
    return HasOutput() ? POLLOUT : POLLIN;
}

bool CDeviceConnection::Service(short revents) {
    if (revents & (POLLERR | POLLNVAL))
        return false;
    if (HasOutput()) {
        if (revents & POLLHUP)
            return false;  // nobody left to read the answer
        return Flush() != EIo::CLOSED;
    }
    if (revents & (POLLIN | POLLHUP))
        return ReadRequest();
    return true;
}

bool CDeviceConnection::ReadRequest() {
    uint8_t chunk[vornio::REQUEST_HEADER_SIZE + vornio::MAX_RECORD];
    for (;;) {
        ssize_t n = ::recv(m_fd.Get(), chunk, m_framer.Missing(), MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        if (n == 0)
            return false;  // hang-up; a partial frame is dropped with it
        if (!m_framer.Append({chunk, static_cast<size_t>(n)})) {
            IodLog("closing a client that sent a malformed frame");
            return false;
        }
        if (m_framer.HasRequest())
            break;
    }

    vornio::DeviceRequest request = m_framer.Take();
    vornio::DeviceAnswer answer = m_dispatcher.Dispatch(request.code, request.input, m_peer);
    QueueOutput(vornio::EncodeAnswer(answer));
    return Flush() != EIo::CLOSED;
}
