#include "sim_client.h"

#include "unix_socket.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

SimSendResult SendSimCommand(const std::string& socketPath, const std::string& line,
                             int timeoutSeconds) {
    SimSendResult result;
    const int fd = ConnectUnixStream(socketPath);
    if (fd < 0) {
        const int err = errno;
        result.status = (err == ENOENT || err == ECONNREFUSED || err == ENOTDIR)
                            ? ESimSendStatus::NO_SERVICE
                        : (err == EACCES || err == EPERM) ? ESimSendStatus::DENIED
                                                          : ESimSendStatus::FAILED;
        result.error = err == ENAMETOOLONG ? "socket path too long: " + socketPath
                                           : std::string(std::strerror(err));
        return result;
    }
    timeval timeout{timeoutSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);

    if (const std::string text = line + "\n"; !SendAll(fd, text.data(), text.size())) {
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
