#include "trusted_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

bool TrustedOwner(uid_t uid) {
    return uid == 0 || uid == ::geteuid();
}

class CFd {
  public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }

  private:
    int m_fd;
};

}  // namespace

std::optional<std::string> ReadTrustedFile(const std::string& path, off_t maxSize,
                                           std::string* error) {
    const size_t slash = path.rfind('/');
    const std::string dir =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    auto fail = [&](const std::string& why) -> std::optional<std::string> {
        *error = why;
        return std::nullopt;
    };

    CFd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (dirFd.Get() < 0 || ::fstat(dirFd.Get(), &st) != 0)
        return fail("cannot read " + path + ": " + std::strerror(errno));
    if (!TrustedOwner(st.st_uid) || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return fail("refusing " + path + ": its folder " + dir +
                    " is not owned by root or is writable by group or others");

    // O_NONBLOCK: a FIFO planted at the path must not stall the open.
    CFd fd(::openat(dirFd.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0) {
        const int saved = errno;
        if (saved == ELOOP)
            return fail("refusing " + path + ": it is a symbolic link");
        *error = "cannot read " + path + ": " + std::strerror(saved);
        errno = saved;
        return std::nullopt;
    }
    if (::fstat(fd.Get(), &st) != 0)
        return fail("cannot read " + path + ": " + std::strerror(errno));
    if (!S_ISREG(st.st_mode) || st.st_size > maxSize)
        return fail("refusing " + path + ": not a regular file of at most " +
                    std::to_string(maxSize) + " bytes");
    if (!TrustedOwner(st.st_uid))
        return fail("refusing " + path + ": not owned by root");
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return fail("refusing " + path + ": it is writable by group or others");

    std::string text(static_cast<size_t>(st.st_size), '\0');
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::read(fd.Get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail("cannot read " + path + ": " +
                        (n < 0 ? std::strerror(errno) : "it shrank"));
        done += static_cast<size_t>(n);
    }
    return text;
}
