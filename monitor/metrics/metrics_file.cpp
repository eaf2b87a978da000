#include "metrics_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::string Reason(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

const char* KindOf(mode_t mode) {
    if (S_ISLNK(mode))
        return "a symbolic link";
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

// "" when the path holds nothing or a regular file; otherwise why it is left alone.
std::string NotARegularFile(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode))
        return "";
    return "the metrics file " + path + " is " + KindOf(st.st_mode) +
           ", not a regular file; it is left alone";
}

}  // namespace

int CMetricsFile::CreateTemporary(std::string* tempPath, std::string* error) const {
    if (m_path.empty() || m_path.back() == '/') {
        *error = "the metrics file \"" + m_path + "\" names no file";
        return -1;
    }
    if (std::string why = NotARegularFile(m_path); !why.empty()) {
        *error = why;
        return -1;
    }
    const size_t slash = m_path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : m_path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? m_path : m_path.substr(slash + 1);
    std::string pattern = (slash == std::string::npos ? "" : dir) + "." + name + ".XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const int fd = ::mkostemp(buf.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = Reason("cannot write the metrics file in", dir);
        return -1;
    }
    *tempPath = buf.data();
    return fd;
}

bool CMetricsFile::Check(std::string* error) const {
    std::string temp;
    const int fd = CreateTemporary(&temp, error);
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(temp.c_str());
    return true;
}

bool CMetricsFile::Write(const std::string& text, std::string* error) {
    std::string temp;
    const int fd = CreateTemporary(&temp, error);
    if (fd < 0)
        return false;
    struct stat written {};
    bool ok = ::fchmod(fd, 0644) == 0 && ::fstat(fd, &written) == 0;
    for (size_t done = 0; ok && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<size_t>(n);
    }
    if (!ok)
        *error = Reason("cannot write the metrics file", temp);
    if (::close(fd) != 0 && ok) {
        *error = Reason("cannot write the metrics file", temp);
        ok = false;
    }
    // Looked at again just before the rename: something put there while running is not
    // replaced either.
    if (ok) {
        if (std::string why = NotARegularFile(m_path); !why.empty()) {
            *error = why;
            ok = false;
        }
    }
    if (ok && ::rename(temp.c_str(), m_path.c_str()) != 0) {
        *error = Reason("cannot replace the metrics file", m_path);
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    m_written = true;
    m_writtenDev = written.st_dev;
    m_writtenIno = written.st_ino;
    return true;
}

void CMetricsFile::Remove() const {
    struct stat st {};
    if (!m_written || ::lstat(m_path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_dev != m_writtenDev || st.st_ino != m_writtenIno)
        return;
    ::unlink(m_path.c_str());
}
