#include "listen_socket.h"

#include "unix_socket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr int BACKLOG = 64;

std::string Describe(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

bool CListenSocket::Open(const std::string& path, mode_t mode, std::string* error) {
    sockaddr_un addr;
    if (!MakeUnixAddress(path, &addr)) {
        *error = "socket path too long: " + path;
        return false;
    }

    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            *error = path + " exists and is not a socket";
            return false;
        }
        if (::unlink(path.c_str()) != 0) {
            *error = Describe("cannot remove", path);
            return false;
        }
    }

    CUniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.IsValid()) {
        *error = Describe("cannot create socket", path);
        return false;
    }
    // The umask closes the window between bind and chmod in which others could connect.
    const mode_t oldMask = ::umask(static_cast<mode_t>(~mode & 0777));
    const int bound = ::bind(fd.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::umask(oldMask);
    if (bound != 0) {
        *error = Describe("cannot bind", path);
        return false;
    }
    m_path = path;
    if (::chmod(path.c_str(), mode) != 0 || ::listen(fd.Get(), BACKLOG) != 0 ||
        ::stat(path.c_str(), &st) != 0) {
        *error = Describe("cannot set up", path);
        ::unlink(path.c_str());
        m_path.clear();
        return false;
    }
    m_boundOwner = SocketOwner{st.st_uid, st.st_gid};
    m_fd = std::move(fd);
    return true;
}

void CListenSocket::Close() {
    if (!m_fd.IsValid())
        return;
    m_fd.Reset();
    ::unlink(m_path.c_str());
}

SocketOwner CListenSocket::Owner() const {
    struct stat st {};
    if (::stat(m_path.c_str(), &st) != 0)
        return m_boundOwner;
    return SocketOwner{st.st_uid, st.st_gid};
}
