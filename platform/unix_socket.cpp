#include "unix_socket.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool MakeUnixAddress(const std::string& path, sockaddr_un* addr) {
    *addr = {};
    addr->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(addr->sun_path)) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
    return true;
}

int ConnectUnixStream(const std::string& path) {
    sockaddr_un addr;
    if (!MakeUnixAddress(path, &addr))
        return -1;
    // A blocking connect to a listener that is stopped waits forever once its backlog is full;
    // without blocking, Linux answers EAGAIN at once instead (a Unix stream connect never stays
    // in progress).
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        int saved = errno;
        ::close(fd);
        errno = saved == EINPROGRESS ? EAGAIN : saved;
        return -1;
    }
    // Callers read and write with blocking calls and their own time-outs.
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

bool SocketAnswers(const std::string& path) {
    int fd = ConnectUnixStream(path);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool SendAll(int fd, const void* data, size_t size) {
    auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::send(fd, bytes, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}
