#include "shared_segment.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "runtime_paths.h"

namespace {

// Holds the gate of one segment for the length of an attach or detach.
class CGate {
  public:
    explicit CGate(const std::string& path) {
        m_fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                      CSharedSegment::FILE_MODE);
        if (m_fd < 0)
            return;
        // Every process of the group must be able to take the gate, whatever the umask.
        ::fchmod(m_fd, CSharedSegment::FILE_MODE);
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                Close();
                return;
            }
        }
    }
    ~CGate() { Close(); }
    CGate(const CGate&) = delete;
    CGate& operator=(const CGate&) = delete;

    bool IsHeld() const { return m_fd >= 0; }

  private:
    void Close() {
        if (m_fd >= 0) {
            const int saved = errno;
            ::close(m_fd);
            errno = saved;
        }
        m_fd = -1;
    }
    int m_fd = -1;
};

bool Lock(int fd, int operation) {
    while (::flock(fd, operation) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

bool SameFile(int fd, const std::string& path) {
    struct stat opened {
    }, current{};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &current) == 0 &&
           opened.st_dev == current.st_dev && opened.st_ino == current.st_ino;
}

}  // namespace

bool CSharedSegment::Attach(const std::string& dir, const std::string& name, size_t size,
                            const std::function<bool(void*)>& initialise) {
    Detach();
    if (size == 0) {
        errno = EINVAL;
        return false;
    }
    const std::string path = JoinPath(dir, name);
    CGate gate(path + ".gate");
    if (!gate.IsHeld())
        return false;

    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, FILE_MODE);
    if (fd < 0)
        return false;
    auto fail = [&](int error) {
        ::close(fd);
        errno = error;
        return false;
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(errno);
    if (!S_ISREG(st.st_mode))
        return fail(EINVAL);

    // Everyone attached holds a shared lock, so an exclusive one only succeeds for the first.
    bool first = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        first = true;
        // Whatever a crashed last user left behind is discarded.
        if (::ftruncate(fd, 0) != 0 || ::ftruncate(fd, static_cast<off_t>(size)) != 0)
            return fail(errno);
        ::fchmod(fd, FILE_MODE);
    } else if (errno != EWOULDBLOCK) {
        return fail(errno);
    } else if (static_cast<size_t>(st.st_size) != size) {
        return fail(EINVAL);
    }

    void* data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED)
        return fail(errno);
    if (first && initialise && !initialise(data)) {
        ::munmap(data, size);
        return fail(EIO);
    }
    // Converting under the gate: no other attach or detach can look in between.
    if (!Lock(fd, LOCK_SH)) {
        const int error = errno;
        ::munmap(data, size);
        return fail(error);
    }
    m_path = path;
    m_fd = fd;
    m_data = data;
    m_size = size;
    m_first = first;
    m_owner = ::getpid();
    return true;
}

void CSharedSegment::Detach() {
    if (!m_data)
        return;
    ::munmap(m_data, m_size);
    m_data = nullptr;
    if (m_owner == ::getpid()) {
        CGate gate(m_path + ".gate");
        // The last one out removes the file; anyone still attached keeps a shared lock.
        if (gate.IsHeld() && ::flock(m_fd, LOCK_EX | LOCK_NB) == 0 && SameFile(m_fd, m_path))
            ::unlink(m_path.c_str());
        ::close(m_fd);
    } else {
        ::close(m_fd);
    }
    m_fd = -1;
    m_size = 0;
    m_first = false;
}
