#include "interrupt_event.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>

CInterruptEvent::CInterruptEvent(const std::string& runtimeDir)
    : m_eventPath(runtimeDir + "/" + INTERRUPT_EVENT_NAME) {}

bool CInterruptEvent::Register(pid_t pid, uint32_t handle, int* error) {
    auto fail = [&](int e) {
        *error = e;
        return false;
    };
    if (pid <= 0)
        return fail(EINVAL);
    if (handle > static_cast<uint32_t>(INT_MAX))
        return fail(EBADF);

    // A path handle: opening it touches neither the file nor the client's descriptor.
    const std::string theirs = "/proc/" + std::to_string(pid) + "/fd/" + std::to_string(handle);
    CUniqueFd path(::open(theirs.c_str(), O_PATH | O_CLOEXEC));
    if (!path.IsValid())
        return fail(errno == ENOENT ? EBADF : errno);
    struct stat held {
    }, named{};
    if (::fstat(path.Get(), &held) != 0)
        return fail(errno);
    // Only the runtime directory's own event may be signalled, never any other file a client
    // happens to hold.
    if (::lstat(m_eventPath.c_str(), &named) != 0 || !S_ISFIFO(named.st_mode) ||
        !S_ISFIFO(held.st_mode) || held.st_dev != named.st_dev || held.st_ino != named.st_ino) {
        return fail(EINVAL);
    }
    const std::string again = "/proc/self/fd/" + std::to_string(path.Get());
    CUniqueFd writer(::open(again.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    if (!writer.IsValid())
        return fail(errno);
    m_fd = std::move(writer);
    return true;
}

bool CInterruptEvent::RaiseInterrupt() {
    if (!m_fd.IsValid())
        return false;
    const char byte = 1;
    for (;;) {
        if (::write(m_fd.Get(), &byte, 1) == 1)
            return true;
        if (errno == EINTR)
            continue;
        // A full FIFO is an event that is signalled already.
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}
