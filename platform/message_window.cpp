#include "message_window.h"

#include "unix_socket.h"

#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "runtime_objects.h"

namespace {

constexpr int HANDLE_ATTEMPTS = 64;
constexpr mode_t SOCKET_MODE = 0660;

// Whether the process pid (with primary group gid) has `group` among its groups.
bool InGroup(pid_t pid, gid_t gid, gid_t group) {
    if (gid == group)
        return true;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Groups:", 0) != 0)
            continue;
        std::istringstream groups(line.substr(7));
        for (unsigned long g = 0; groups >> g;) {
            if (g == group)
                return true;
        }
    }
    return false;
}

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
    struct stat dirStat {};
    if (!CheckObjectDirectory(dir, &dirStat))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // Every datagram then carries its sender's credentials, checked in Receive.
    const int on = 1;
    if (::setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return false;
    }
    m_group = dirStat.st_gid;
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
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
        iovec iov{datagram, sizeof datagram};
        msghdr msg{};
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(m_fd, &msg, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        const ucred* sender = nullptr;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_CREDENTIALS &&
                c->cmsg_len == CMSG_LEN(sizeof(ucred))) {
                sender = reinterpret_cast<const ucred*>(CMSG_DATA(c));
            }
        }
        const bool trusted = sender != nullptr && (sender->uid == 0 || sender->uid == ::geteuid() ||
                                                   InGroup(sender->pid, sender->gid, m_group));
        if (!trusted)
            continue;
        auto decoded = DecodeWindowMessage({datagram, static_cast<size_t>(n)});
        if (decoded && decoded->window == m_handle) {
            *message = *decoded;
            return true;
        }
    }
}
