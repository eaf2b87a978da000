#include "device_channel.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "device_wire.h"
#include "unix_socket.h"

namespace {

// A request the service does not answer within this time counts as failed; the longest
// legitimate request is a microcontroller transfer, which the service bounds far below this.
constexpr int ANSWER_TIMEOUT_MS = 10000;

bool ReceiveAll(int fd, uint8_t* data, size_t size) {
    while (size > 0) {
        pollfd p{fd, POLLIN, 0};
        int r = ::poll(&p, 1, ANSWER_TIMEOUT_MS);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            if (r == 0)
                errno = ETIMEDOUT;
            return false;
        }
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

}  // namespace

CDeviceChannel::~CDeviceChannel() {
    DisconnectLocked();
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
    if (m_fd < 0 && !ConnectLocked())
        return false;

    std::vector<uint8_t> frame = vornio::EncodeRequest(code, in);
    uint8_t header[vornio::ANSWER_HEADER_SIZE];
    if (!SendAll(m_fd, frame.data(), frame.size()) || !ReceiveAll(m_fd, header, sizeof(header))) {
        int saved = errno;
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
    if (!ReceiveAll(m_fd, output.data(), output.size())) {
        int saved = errno;
        DisconnectLocked();
        errno = saved;
        return false;
    }
    if (!answer->success) {
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
