#include "device_connection.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "log.h"

CDeviceConnection::~CDeviceConnection() {
    if (m_itemPending)
        m_items.Cancel(Id());
}

short CDeviceConnection::Events() const {
    if (m_itemPending)
        return 0;  // poll still reports a hang-up or an error
    return HasOutput() ? POLLOUT : POLLIN;
}

bool CDeviceConnection::Service(short revents) {
    if (revents & (POLLERR | POLLNVAL))
        return false;
    if (m_itemPending)
        return (revents & POLLHUP) == 0;  // nobody left to read the answer
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
    if (auto item = CRequestDispatcher::AsItemRequest(request.code, request.input)) {
        m_items.Submit(Id(), std::move(*item));
        m_itemPending = true;
        return true;
    }
    return Answer(m_dispatcher.Dispatch(request.code, request.input, m_peer));
}

bool CDeviceConnection::FinishItemRequest(vornio::DeviceAnswer answer) {
    if (!m_itemPending)
        return true;
    m_itemPending = false;
    return Answer(answer);
}

bool CDeviceConnection::Answer(const vornio::DeviceAnswer& answer) {
    QueueOutput(vornio::EncodeAnswer(answer));
    return Flush() != EIo::CLOSED;
}
