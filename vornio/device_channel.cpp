#include "device_channel.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "device_codes.h"
#include "device_wire.h"
#include "unix_socket.h"

namespace {

using Clock = std::chrono::steady_clock;

// Waits until fd is ready for events or the deadline passes; a signal only shortens the wait
// it interrupted. False with errno ETIMEDOUT at the deadline.
bool WaitReady(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            errno = ETIMEDOUT;
            return false;
        }
        pollfd p{fd, events, 0};
        int r = ::poll(&p, 1, static_cast<int>(left));
        if (r > 0)
            return true;
        if (r < 0 && errno != EINTR)
            return false;
    }
}

// Like SendAll, but a full socket buffer waits only until the deadline.
bool SendBefore(int fd, const uint8_t* data, size_t size, Clock::time_point deadline) {
    while (size > 0) {
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                if (!WaitReady(fd, POLLOUT, deadline))
                    return false;
            } else if (errno != EINTR) {
                return false;
            }
            continue;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ReceiveBefore(int fd, uint8_t* data, size_t size, Clock::time_point deadline) {
    while (size > 0) {
        if (!WaitReady(fd, POLLIN, deadline))
            return false;
        ssize_t n = ::recv(fd, data, size, 0);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        if (n == 0) {
            errno = ECONNRESET;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The service sends nothing unasked except a "busy" answer just before it closes a connection it
// has no room for. Whether such an answer waits on fd.
bool BusyAnswerWaits(int fd) {
    uint8_t header[vornio::ANSWER_HEADER_SIZE];
    if (::recv(fd, header, sizeof header, MSG_DONTWAIT | MSG_PEEK) !=
        static_cast<ssize_t>(sizeof header)) {
        return false;
    }
    auto answer = vornio::DecodeAnswerHeader(std::span<const uint8_t, 16>(header, 16));
    return answer && !answer->success && answer->error == EBUSY;
}

// Whether the service has closed fd or refused it as busy, before anything was sent on it.
bool ClosedByService(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

}  // namespace

int AnswerTimeoutMs(uint32_t code) {
    switch (code) {
        case vornio::IOCTL_READ_PORT:
        case vornio::IOCTL_WRITE_PORT:
        case vornio::IOCTL_READ_PORT_BYTE:
        case vornio::IOCTL_WRITE_PORT_BYTE:
        case vornio::IOCTL_READ_MSR:
        case vornio::IOCTL_WRITE_MSR:
            return PORT_ANSWER_TIMEOUT_MS;
        default:
            return ITEM_ANSWER_TIMEOUT_MS;
    }
}

CDeviceChannel::~CDeviceChannel() {
    DisconnectLocked();
}

void CDeviceChannel::SetNoServiceHandler(std::function<void()> handler) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_noService = std::move(handler);
}

bool CDeviceChannel::Open(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    DisconnectLocked();
    m_path = path;
    return ConnectLocked();
}

void CDeviceChannel::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    DisconnectLocked();
    m_path.clear();
}

bool CDeviceChannel::IsOpen() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fd >= 0;
}

bool CDeviceChannel::ConnectLocked() {
    if (m_path.empty()) {
        errno = EBADF;
        return false;
    }
    m_fd = ConnectUnixStream(m_path);
    return m_fd >= 0;
}

void CDeviceChannel::DisconnectLocked() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool CDeviceChannel::Control(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                             uint32_t* returned) {
    std::lock_guard<std::mutex> lock(m_mutex);
    // A connection the service dropped while it was idle is replaced before it is used, so the
    // request is not lost; one it refused as busy is reported as such.
    if (m_fd >= 0 && ClosedByService(m_fd)) {
        const bool busy = BusyAnswerWaits(m_fd);
        DisconnectLocked();
        if (busy) {
            errno = EBUSY;
            return false;
        }
    }
    if (m_fd < 0 && !ConnectLocked()) {
        // No socket, or nobody listening on it: the service is gone, not merely busy.
        int saved = errno;
        if ((saved == ENOENT || saved == ECONNREFUSED) && m_noService)
            m_noService();
        errno = saved;
        return false;
    }

    const auto deadline = Clock::now() + std::chrono::milliseconds(AnswerTimeoutMs(code));
    std::vector<uint8_t> frame = vornio::EncodeRequest(code, in);
    uint8_t header[vornio::ANSWER_HEADER_SIZE];
    if (!SendBefore(m_fd, frame.data(), frame.size(), deadline) ||
        !ReceiveBefore(m_fd, header, sizeof(header), deadline)) {
        int saved = errno;
        if (BusyAnswerWaits(m_fd))
            saved = EBUSY;
        DisconnectLocked();
        errno = saved;
        return false;
    }
    auto answer = vornio::DecodeAnswerHeader(std::span<const uint8_t, 16>(header, 16));
    if (!answer) {
        DisconnectLocked();
        errno = EPROTO;
        return false;
    }
    std::vector<uint8_t> output(answer->outputLength);
    if (!ReceiveBefore(m_fd, output.data(), output.size(), deadline)) {
        int saved = errno;
        DisconnectLocked();
        errno = saved;
        return false;
    }
    if (!answer->success) {
        if (answer->error == EBUSY)
            DisconnectLocked();  // the service closes a connection it has no room for
        errno = answer->error != 0 ? static_cast<int>(answer->error) : EIO;
        return false;
    }
    if (output.size() > out.size()) {
        errno = EMSGSIZE;
        return false;
    }
    std::copy(output.begin(), output.end(), out.begin());
    if (returned)
        *returned = static_cast<uint32_t>(output.size());
    return true;
}
