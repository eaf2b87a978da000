#include "runtime_dir.h"

#include "unix_socket.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

namespace {

std::string ErrnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool MakeDirs(const std::string& dir, std::string* error) {
    for (size_t pos = 1; pos <= dir.size(); ++pos) {
        if (pos != dir.size() && dir[pos] != '/')
            continue;
        std::string part = dir.substr(0, pos);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            *error = ErrnoText("cannot create " + part);
            return false;
        }
    }
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        *error = dir + " is not a directory";
        return false;
    }
    // Clients make their shared objects here: only trusted users (root, the directory's owner
    // and group) may write it, never everyone, or anyone could plant, hold or break them.
    if ((st.st_mode & S_IWOTH) != 0 &&
        ::chmod(dir.c_str(), st.st_mode & 07777 & ~static_cast<mode_t>(S_IWOTH | S_ISVTX)) != 0) {
        *error = ErrnoText("cannot take the write permission of others from " + dir);
        return false;
    }
    return true;
}

pid_t ReadPid(int fd) {
    char text[32] = {};
    ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0)
        return 0;
    long pid = 0;
    auto [end, ec] = std::from_chars(text, text + n, pid);
    if (ec != std::errc() || pid <= 0 || pid > 0x7FFFFFFF)
        return 0;
    return static_cast<pid_t>(pid);
}

}  // namespace

bool IsLiveService(pid_t pid, const std::string& socketPath) {
    if (pid <= 0)
        return false;
    if (::kill(pid, 0) != 0 && errno != EPERM)
        return false;
    return SocketAnswers(socketPath);
}

bool CRuntimeDir::OpenLockedPidFile(std::string* error) {
    const std::string path = PathOf(PID_FILE_NAME);
    // The file may be removed by its previous owner between open and lock; the lock only
    // counts on the file that is still at the path.
    for (int attempt = 0; attempt < 10; ++attempt) {
        CUniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644));
        if (!fd.IsValid()) {
            *error = ErrnoText("cannot open " + path);
            return false;
        }
        if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) {
                pid_t owner = ReadPid(fd.Get());
                *error = "another vorn-iod" +
                         (owner > 0 ? " (pid " + std::to_string(owner) + ")" : std::string()) +
                         " owns " + m_dir;
            } else {
                *error = ErrnoText("cannot lock " + path);
            }
            return false;
        }
        struct stat opened {
        }, current{};
        if (::fstat(fd.Get(), &opened) == 0 && ::stat(path.c_str(), &current) == 0 &&
            opened.st_dev == current.st_dev && opened.st_ino == current.st_ino) {
            m_pidFd = std::move(fd);
            return true;
        }
    }
    *error = "cannot lock " + path + ": it keeps being replaced";
    return false;
}

bool CRuntimeDir::Claim(std::string* error) {
    if (!MakeDirs(m_dir, error) || !OpenLockedPidFile(error))
        return false;

    // A service that does not take the lock (an older build, a copy) but is alive and answering
    // still owns the directory; its sockets must not be pulled away from under it.
    const pid_t previous = ReadPid(m_pidFd.Get());
    if (previous > 0 && previous != ::getpid() &&
        IsLiveService(previous, PathOf(DEVICE_SOCKET_NAME))) {
        *error = "another vorn-iod (pid " + std::to_string(previous) + ") owns " + m_dir;
        m_pidFd.Reset();
        return false;
    }
    if (::ftruncate(m_pidFd.Get(), 0) != 0) {
        *error = ErrnoText("cannot clear " + PathOf(PID_FILE_NAME));
        m_pidFd.Reset();
        return false;
    }
    return true;
}

bool CRuntimeDir::WritePid(std::string* error) {
    const std::string text = std::to_string(::getpid()) + "\n";
    if (::ftruncate(m_pidFd.Get(), 0) != 0 ||
        ::pwrite(m_pidFd.Get(), text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) {
        *error = ErrnoText("cannot write " + PathOf(PID_FILE_NAME));
        return false;
    }
    return true;
}

void CRuntimeDir::Release() {
    if (!m_pidFd.IsValid())
        return;
    ::unlink(PathOf(PID_FILE_NAME).c_str());
    m_pidFd.Reset();
}
