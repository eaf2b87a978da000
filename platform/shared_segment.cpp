#include "shared_segment.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "runtime_objects.h"
#include "runtime_paths.h"

namespace {

// The name file's content: a tag, then the segment id.
constexpr uint32_t ID_TAG = 0x31475356;  // "VSG1"
constexpr size_t ID_RECORD_SIZE = 8;

// Holds the gate of one segment for the length of an attach or detach.
class CGate {
  public:
    CGate(const std::string& path, const struct stat& dirStat) {
        m_fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK,
                      CSharedSegment::FILE_MODE);
        if (m_fd < 0)
            return;
        if (!CheckObjectFile(m_fd, S_IFREG, dirStat)) {
            Close();
            return;
        }
        // Every process of the group must be able to take the gate, whatever the umask.
        struct stat st {};
        if (::fstat(m_fd, &st) == 0 && st.st_uid == ::geteuid())
            ::fchmod(m_fd, CSharedSegment::FILE_MODE);
        if (!LockWithin(m_fd, LOCK_EX))
            Close();
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

bool WriteId(int fd, int id) {
    uint8_t record[ID_RECORD_SIZE];
    const uint32_t words[2] = {ID_TAG, static_cast<uint32_t>(id)};
    std::memcpy(record, words, sizeof record);
    return ::ftruncate(fd, 0) == 0 &&
           ::pwrite(fd, record, sizeof record, 0) == static_cast<ssize_t>(sizeof record);
}

int ReadId(int fd) {
    uint8_t record[ID_RECORD_SIZE];
    uint32_t words[2] = {};
    if (::pread(fd, record, sizeof record, 0) != static_cast<ssize_t>(sizeof record))
        return -1;
    std::memcpy(words, record, sizeof record);
    if (words[0] != ID_TAG || words[1] > 0x7FFFFFFF)
        return -1;
    return static_cast<int>(words[1]);
}

// A segment made by someone else is used only when it has the block's size and only trusted
// users may write it.
bool SegmentFits(int id, size_t size, const struct stat& dirStat) {
    shmid_ds ds{};
    if (::shmctl(id, IPC_STAT, &ds) != 0)
        return false;
    const bool trustedOwner =
        ds.shm_perm.uid == 0 || ds.shm_perm.uid == ::geteuid() || ds.shm_perm.gid == dirStat.st_gid;
    if (ds.shm_segsz != size || (ds.shm_perm.mode & S_IWOTH) != 0 || !trustedOwner) {
        errno = EPERM;
        return false;
    }
    return true;
}

}  // namespace

bool CSharedSegment::Attach(const std::string& dir, const std::string& name, size_t size,
                            const std::function<bool(void*)>& initialise) {
    Detach();
    if (size == 0) {
        errno = EINVAL;
        return false;
    }
    struct stat dirStat {};
    if (!CheckObjectDirectory(dir, &dirStat))
        return false;
    const std::string path = JoinPath(dir, name);
    CGate gate(path + ".gate", dirStat);
    if (!gate.IsHeld())
        return false;

    int fd =
        ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, FILE_MODE);
    if (fd < 0)
        return false;
    void* data = nullptr;
    int id = -1;
    auto fail = [&](int error) {
        if (data != nullptr)
            ::shmdt(data);
        ::close(fd);
        errno = error;
        return false;
    };
    if (!CheckObjectFile(fd, S_IFREG, dirStat))
        return fail(errno);

    // Everyone attached holds a shared lock, so an exclusive one only succeeds for the first.
    bool first = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        first = true;
        // Whatever a crashed last user left behind is discarded: a new segment, all zero.
        id = ::shmget(IPC_PRIVATE, size, IPC_CREAT | IPC_EXCL | 0600);
        if (id < 0)
            return fail(errno);
        data = ::shmat(id, nullptr, 0);
        // Marked for removal at once: gone with the last process attached, however it ends.
        ::shmctl(id, IPC_RMID, nullptr);
        if (data == reinterpret_cast<void*>(-1)) {
            data = nullptr;
            return fail(errno);
        }
        shmid_ds ds{};
        if (::shmctl(id, IPC_STAT, &ds) == 0) {
            ds.shm_perm.gid = dirStat.st_gid;
            ds.shm_perm.mode = FILE_MODE;
            ::shmctl(id, IPC_SET, &ds);
        }
        if (!WriteId(fd, id))
            return fail(errno);
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid())
            ::fchmod(fd, FILE_MODE);
    } else if (errno != EWOULDBLOCK) {
        return fail(errno);
    } else {
        id = ReadId(fd);
        if (id < 0)
            return fail(EINVAL);
        if (!SegmentFits(id, size, dirStat))
            return fail(errno == EPERM ? EPERM : EINVAL);
        data = ::shmat(id, nullptr, 0);
        if (data == reinterpret_cast<void*>(-1)) {
            data = nullptr;
            return fail(errno);
        }
    }

    if (first && initialise && !initialise(data))
        return fail(EIO);
    // Converting under the gate: no other attach or detach can look in between.
    if (!Lock(fd, LOCK_SH))
        return fail(errno);
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
    ::shmdt(m_data);
    m_data = nullptr;
    if (m_owner == ::getpid()) {
        struct stat dirStat {};
        const std::string dir = m_path.substr(0, m_path.rfind('/'));
        if (CheckObjectDirectory(dir.empty() ? "/" : dir, &dirStat)) {
            CGate gate(m_path + ".gate", dirStat);
            // The last one out removes the file; anyone still attached keeps a shared lock.
            if (gate.IsHeld() && ::flock(m_fd, LOCK_EX | LOCK_NB) == 0 && SameFile(m_fd, m_path))
                ::unlink(m_path.c_str());
        }
        ::close(m_fd);
    } else {
        ::close(m_fd);
    }
    m_fd = -1;
    m_size = 0;
    m_first = false;
}
