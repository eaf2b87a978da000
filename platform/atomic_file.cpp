#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

// Mode of a file that does not exist yet; an existing target keeps its own.
constexpr mode_t NEW_FILE_MODE = 0644;

bool Fail(std::string* error, const std::string& what, int err) {
    if (error != nullptr) {
        *error = what + ": " + std::strerror(err);
    }
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

}  // namespace

bool AtomicWriteFile(const std::string& path, std::string_view bytes, std::string* error) {
    namespace fs = std::filesystem;
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

    std::string tmpl = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        return Fail(error, "cannot create a temporary file in " + dir.string(), errno);
    }
    const std::string tmp(name.data());

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
    if (::close(fd) != 0 && err == 0) {
        err = errno;
        what = "cannot close " + tmp;
    }
    if (err == 0 && ::rename(tmp.c_str(), path.c_str()) != 0) {
        err = errno;
        what = "cannot replace " + path;
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
