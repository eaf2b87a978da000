#include "raw_device_client.h"

#include "unix_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

bool CRawDeviceClient::Connect(const std::string& socketPath) {
    Close();
    m_fd = ConnectUnixStream(socketPath);
    if (m_fd < 0)
        return false;
    return true;
}

void CRawDeviceClient::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool CRawDeviceClient::SendBytes(std::span<const uint8_t> bytes) {
    return SendAll(m_fd, bytes.data(), bytes.size());
}

size_t CRawDeviceClient::SendWithoutWaiting(std::span<const uint8_t> bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n =
            ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        sent += static_cast<size_t>(n);
    }
    return sent;
}

bool CRawDeviceClient::SendRequest(uint32_t code, std::span<const uint8_t> input) {
    return SendBytes(vornio::EncodeRequest(code, input));
}

namespace {

using Deadline = std::chrono::steady_clock::time_point;

// Receives into buffer once fd is readable: the byte count, 0 at end of stream, -1 on a receive
// error, or -1 with errno ETIMEDOUT when the deadline passes first.
ssize_t ReceiveBefore(int fd, uint8_t* buffer, size_t size, Deadline deadline) {
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        pollfd p{fd, POLLIN, 0};
        int ready = left <= 0 ? 0 : ::poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            errno = ETIMEDOUT;
            return -1;
        }
        ssize_t n = ::recv(fd, buffer, size, 0);
        if (n < 0 && errno == EINTR)
            continue;
        return n;
    }
}

Deadline After(int timeoutMs) {
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
}

}  // namespace

bool CRawDeviceClient::ReadExactly(uint8_t* bytes, size_t size, int timeoutMs) {
    const Deadline deadline = After(timeoutMs);
    size_t got = 0;
    while (got < size) {
        ssize_t n = ReceiveBefore(m_fd, bytes + got, size - got, deadline);
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

std::optional<vornio::DeviceAnswer> CRawDeviceClient::ReadAnswer(int timeoutMs) {
    uint8_t header[vornio::ANSWER_HEADER_SIZE];
    if (m_fd < 0 || !ReadExactly(header, sizeof header, timeoutMs))
        return std::nullopt;
    auto decoded = vornio::DecodeAnswerHeader(
        std::span<const uint8_t, vornio::ANSWER_HEADER_SIZE>(header, sizeof header));
    if (!decoded)
        return std::nullopt;
    vornio::DeviceAnswer answer;
    answer.success = decoded->success;
    answer.error = decoded->error;
    answer.output.resize(decoded->outputLength);
    if (!ReadExactly(answer.output.data(), answer.output.size(), timeoutMs))
        return std::nullopt;
    return answer;
}

std::optional<vornio::DeviceAnswer> CRawDeviceClient::Exchange(uint32_t code,
                                                               std::span<const uint8_t> input,
                                                               int timeoutMs) {
    if (m_fd < 0)
        return std::nullopt;
    // A service with no room answers "busy" without reading the request and closes, so the send
    // can fail with that answer already waiting, as the library knows too.
    if (!SendRequest(code, input))
        return ReadAnswer(100);
    return ReadAnswer(timeoutMs);
}

bool CRawDeviceClient::WaitForClose(int timeoutMs) {
    if (m_fd < 0)
        return true;
    const Deadline deadline = After(timeoutMs);
    uint8_t sink[256];
    for (;;) {
        ssize_t n = ReceiveBefore(m_fd, sink, sizeof sink, deadline);
        if (n < 0 && errno == ETIMEDOUT)
            return false;
        if (n <= 0)
            return true;  // end of stream, or the connection reset
    }
}
