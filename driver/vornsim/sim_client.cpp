#include "sim_client.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

bool SendAll(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

SimSendResult SendSimCommand(const std::string& socketPath, const std::string& line,
                             int timeoutSeconds) {
    SimSendResult result;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof addr.sun_path) {
        result.error = "socket path too long: " + socketPath;
        return result;
    }
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        result.error = std::strerror(errno);
        return result;
    }
    timeval timeout{timeoutSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);

    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        const int err = errno;
        ::close(fd);
        result.status = (err == ENOENT || err == ECONNREFUSED || err == ENOTDIR)
                            ? ESimSendStatus::NO_SERVICE
                        : (err == EACCES || err == EPERM) ? ESimSendStatus::DENIED
                                                          : ESimSendStatus::FAILED;
        result.error = std::strerror(err);
        return result;
    }
    if (!SendAll(fd, line + "\n")) {
        result.error = std::string("cannot send the command: ") + std::strerror(errno);
        ::close(fd);
        return result;
    }
    ::shutdown(fd, SHUT_WR);

    char chunk[4096];
    for (;;) {
        ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        // A reset after the reply began ends it like a close: the service has said its piece.
        if (n < 0 && errno == ECONNRESET && !result.reply.empty())
            break;
        if (n < 0) {
            result.error = errno == EAGAIN || errno == EWOULDBLOCK
                               ? std::string("no answer from the service")
                               : std::string("cannot read the answer: ") + std::strerror(errno);
            ::close(fd);
            return result;
        }
        if (n == 0)
            break;
        result.reply.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    result.status = ESimSendStatus::REPLIED;
    return result;
}
