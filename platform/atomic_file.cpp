#include "atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

// Mode of a file that does not exist yet; an existing target keeps its own.
constexpr mode_t NEW_FILE_MODE = 0644;

// The reason stays in errno too, for callers that tell the user by the system's reason.
bool Fail(std::string* error, const std::string& what, int err) {
    if (error != nullptr) {
        *error = what + ": " + std::strerror(err);
    }
    errno = err;
    return false;
}

bool WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool SyncDirectory(const std::string& dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// The file a path names, through symbolic links of this user: a link the user made to keep the
// file elsewhere keeps pointing at it after the write. The path itself when it is no link.
std::string FollowLinks(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path current(path);
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(current, ec)) || ec)
            return current.string();
        // Only a link of this user is followed: a link someone else planted (in a folder both
        // may write) must not make this process write wherever it points.
        struct stat link {};
        if (::lstat(current.c_str(), &link) != 0 || link.st_uid != ::geteuid())
            return current.string();
        fs::path next = fs::read_symlink(current, ec);
        if (ec)
            return current.string();
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return current.string();
}

bool IsTemporaryName(const std::string& file, const std::string& prefix) {
    if (file.size() != prefix.size() + 6 || file.rfind(prefix, 0) != 0)
        return false;
    for (size_t i = prefix.size(); i < file.size(); ++i) {
        const char c = file[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

// Whether a live write holds the temporary file: it keeps it locked from just after creating
// it until it is renamed.
bool InUse(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return true;  // whatever it is, it is not for this process to remove
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

}  // namespace

void RemoveStaleTemporaries(const std::string& path) {
    namespace fs = std::filesystem;
    // Between creating its file and locking it a write holds no lock: a file that changed in
    // the last minute may be such a write's.
    constexpr auto QUIET_FOR = std::chrono::minutes(1);
    const fs::path target(path);
    fs::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    const std::string prefix = '.' + target.filename().string() + '.';
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string file = it->path().filename().string();
        if (!IsTemporaryName(file, prefix))
            continue;
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid()) {
            continue;
        }
        const auto age = std::chrono::system_clock::now() -
                         std::chrono::system_clock::from_time_t(st.st_mtim.tv_sec);
        if (age >= QUIET_FOR && !InUse(it->path().string()))
            ::unlink(it->path().c_str());
    }
}

bool AtomicWriteFile(const std::string& givenPath, std::string_view bytes, std::string* error) {
    namespace fs = std::filesystem;
    const std::string path = FollowLinks(givenPath);
    const fs::path target(path);
    if (target.filename().empty()) {
        return Fail(error, "no file name in " + path, EINVAL);
    }
    fs::path dir = target.parent_path();
    if (dir.empty()) {
        dir = ".";
    }
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        return Fail(error, "cannot create " + dir.string(), ec.value());
    }

    // A file its owner made read-only is not replaced behind the owner's back (root's rename
    // would do it regardless of the mode).
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 &&
        ((existing.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)) {
        return Fail(error, "cannot replace " + path + ": it is read-only", EACCES);
    }
    RemoveStaleTemporaries(path);

    std::string tmpl = (dir / ('.' + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        return Fail(error, "cannot create a temporary file in " + dir.string(), errno);
    }
    const std::string tmp(name.data());
    // Held until the rename: a cleaner of stale temporary files leaves this one alone.
    ::flock(fd, LOCK_EX | LOCK_NB);

    struct stat st {};
    mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : NEW_FILE_MODE;
    int err = 0;
    std::string what;
    if (::fchmod(fd, mode) != 0) {
        err = errno;
        what = "cannot set the mode of " + tmp;
    } else if (!WriteAll(fd, bytes)) {
        err = errno;
        what = "cannot write " + tmp;
    } else if (::fsync(fd) != 0) {
        err = errno;
        what = "cannot flush " + tmp;
    }
    if (err == 0 && ::rename(tmp.c_str(), path.c_str()) != 0) {
        err = errno;
        what = "cannot replace " + path;
    }
    if (::close(fd) != 0 && err == 0) {
        err = errno;
        what = "cannot close " + path;
    }
    if (err != 0) {
        ::unlink(tmp.c_str());
        return Fail(error, what, err);
    }
    // The rename is on disk only once the directory is; a failure here leaves the new content
    // in place, which is still whole, so it is reported but the write has happened.
    if (!SyncDirectory(dir.string())) {
        return Fail(error, "cannot flush " + dir.string(), errno);
    }
    return true;
}
