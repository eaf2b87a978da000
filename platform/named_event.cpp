#include "named_event.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "runtime_objects.h"
#include "runtime_paths.h"

bool CNamedEvent::Create(const std::string& dir, const std::string& name) {
    Close();
    struct stat dirStat {};
    if (!CheckObjectDirectory(dir, &dirStat))
        return false;
    const std::string path = JoinPath(dir, name);
    const bool created = ::mkfifo(path.c_str(), FILE_MODE) == 0;
    if (!created && errno != EEXIST)
        return false;
    // Read and write: opening never blocks and the FIFO never reads as ended.
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return false;
    }
    if (!CheckObjectFile(fd, S_IFIFO, dirStat)) {
        ::close(fd);
        return false;
    }
    if (created)
        ::fchmod(fd, FILE_MODE);
    m_fd = fd;
    m_path = path;
    return true;
}

void CNamedEvent::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

bool CNamedEvent::SignalDescriptor(int fd) {
    if (fd < 0) {
        errno = EBADF;
        return false;
    }
    const char byte = 1;
    for (;;) {
        if (::write(fd, &byte, 1) == 1)
            return true;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

bool CNamedEvent::Drain() {
    bool any = false;
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            any = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return any;
    }
}

void CNamedEvent::Reset() {
    if (m_fd >= 0)
        Drain();
}

EWaitResult CNamedEvent::Wait(int timeoutMs, int cancelFd) {
    if (m_fd < 0)
        return EWaitResult::FAILED;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {cancelFd, POLLIN, 0}};
        const int r = ::poll(fds, cancelFd >= 0 ? 2 : 1, wait);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return EWaitResult::FAILED;
        }
        if (cancelFd >= 0 && fds[1].revents != 0)
            return EWaitResult::INTERRUPTED;
        if (fds[0].revents & (POLLERR | POLLNVAL))
            return EWaitResult::FAILED;
        // Another waiter may have taken the signal between poll and read: wait on.
        if ((fds[0].revents & POLLIN) && Drain())
            return EWaitResult::SIGNALED;
        if (r == 0 && timeoutMs >= 0)
            return EWaitResult::TIMEOUT;
    }
}
