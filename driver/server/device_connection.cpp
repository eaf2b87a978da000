#include "device_connection.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "log.h"

CDeviceConnection::~CDeviceConnection() {
    if (m_itemPending)
        m_items.Cancel(Id());
    m_dispatcher.ForgetClient(Id());
}

short CDeviceConnection::Events() const {
    if (m_itemPending)
        return 0;  // poll still reports a hang-up or an error
    return HasOutput() ? POLLOUT : POLLIN;
}

bool CDeviceConnection::Service(short revents) {
    if (revents & (POLLERR | POLLNVAL))
        return false;
    // On a stream socket POLLHUP means both directions are shut: the client can read no answer,
    // so neither an item request in flight nor a request waiting unread is worth anything now.
    if (revents & POLLHUP)
        return false;
    if (m_itemPending)
        return true;
    if (HasOutput())
        return Flush() != EIo::CLOSED;
    if (revents & POLLIN)
        return ReadRequest();
    return true;
}

bool CDeviceConnection::PeerHasLeft() const {
    pollfd p{m_fd.Get(), 0, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR)) != 0;
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
    // The client may have closed between poll and the read of its frame.
    if (PeerHasLeft())
        return false;
    if (auto item = CRequestDispatcher::AsItemRequest(request.code, request.input)) {
        m_items.Submit(Id(), std::move(*item));
        m_itemPending = true;
        return true;
    }
    return Answer(m_dispatcher.Dispatch(request.code, request.input, m_peer, Id()));
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
