#include "message_window.h"

#include "unix_socket.h"

#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr int HANDLE_ATTEMPTS = 64;
constexpr mode_t SOCKET_MODE = 0660;

uint32_t RandomHandle() {
    uint32_t v = 0;
    while (v == 0) {
        if (::getrandom(&v, sizeof v, 0) != static_cast<ssize_t>(sizeof v))
            v = 0;
    }
    return v;
}

}  // namespace

bool CMessageWindow::Create(const std::string& dir) {
    Destroy();
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // A handle is taken when its socket file exists, even one left by a process that died:
    // such a handle may still sit in another process's table, so it is never handed out again.
    for (int attempt = 0; attempt < HANDLE_ATTEMPTS; ++attempt) {
        const uint32_t handle = RandomHandle();
        const std::string path = WindowSocketPath(dir, handle);
        sockaddr_un addr;
        if (!MakeUnixAddress(path, &addr)) {
            ::close(fd);
            return false;
        }
        if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
            ::chmod(path.c_str(), SOCKET_MODE);
            m_fd = fd;
            m_handle = handle;
            m_path = path;
            return true;
        }
        if (errno != EADDRINUSE)
            break;
    }
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return false;
}

void CMessageWindow::Destroy() {
    if (m_fd < 0)
        return;
    ::unlink(m_path.c_str());
    ::close(m_fd);
    m_fd = -1;
    m_handle = 0;
    m_path.clear();
}

bool CMessageWindow::Receive(SWindowMessage* message) {
    if (m_fd < 0)
        return false;
    for (;;) {
        uint8_t datagram[WINDOW_MESSAGE_SIZE + 1];
        const ssize_t n = ::recv(m_fd, datagram, sizeof datagram, MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        auto decoded = DecodeWindowMessage({datagram, static_cast<size_t>(n)});
        if (decoded && decoded->window == m_handle) {
            *message = *decoded;
            return true;
        }
    }
}
