#include "window_message_names.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "runtime_objects.h"
#include "runtime_paths.h"

namespace {

constexpr mode_t FILE_MODE = 0660;
// 0x4000 names of at most MAX_MESSAGE_NAME bytes fit far below this.
constexpr off_t MAX_FILE_SIZE = off_t{16} << 20;

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

bool ReadAll(int fd, std::string* text) {
    char buffer[4096];
    for (off_t offset = 0;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        text->append(buffer, static_cast<size_t>(n));
        offset += n;
    }
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

class CLockedFile {
  public:
    CLockedFile(const std::string& path, const struct stat& dirStat) {
        m_fd = ::open(path.c_str(),
                      O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, FILE_MODE);
        if (m_fd < 0)
            return;
        struct stat st {};
        if (!CheckObjectFile(m_fd, S_IFREG, dirStat) || ::fstat(m_fd, &st) != 0 ||
            st.st_size > MAX_FILE_SIZE) {
            Drop();
            return;
        }
        if (st.st_uid == ::geteuid())
            ::fchmod(m_fd, FILE_MODE);  // others of the group add names too, whatever the umask
        // Bounded: whoever holds the list's lock forever must not hang every client.
        if (!LockWithin(m_fd, LOCK_EX))
            Drop();
    }
    ~CLockedFile() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CLockedFile(const CLockedFile&) = delete;
    CLockedFile& operator=(const CLockedFile&) = delete;
    int Fd() const { return m_fd; }

  private:
    void Drop() {
        const int saved = errno;
        ::close(m_fd);
        m_fd = -1;
        errno = saved;
    }
    int m_fd = -1;
};

}  // namespace

uint32_t RegisterWindowMessage(const std::string& dir, const std::string& name) {
    if (name.empty() || name.size() > MAX_MESSAGE_NAME ||
        name.find_first_of("\r\n") != std::string::npos) {
        errno = EINVAL;
        return 0;
    }
    struct stat dirStat {};
    if (!CheckObjectDirectory(dir, &dirStat))
        return 0;
    CLockedFile file(JoinPath(dir, WINDOW_MESSAGE_NAMES_FILE), dirStat);
    std::string text;
    if (file.Fd() < 0 || !ReadAll(file.Fd(), &text))
        return 0;

    // Every line counts, an unfinished last one (a writer that died) included, so that the
    // numbers handed out before never move.
    uint32_t number = FIRST_REGISTERED_MESSAGE;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const bool finished = end != std::string::npos;
        if (!finished)
            end = text.size();
        if (SameName(text.substr(start, end - start), name))
            return number;
        ++number;
        start = finished ? end + 1 : end;
    }
    if (number > LAST_REGISTERED_MESSAGE) {
        errno = ENOSPC;
        return 0;
    }
    const std::string line = (text.empty() || text.back() == '\n' ? "" : "\n") + name + "\n";
    if (!WriteAll(file.Fd(), line))
        return 0;
    return number;
}
