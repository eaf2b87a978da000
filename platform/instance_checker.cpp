#include "instance_checker.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

namespace {

constexpr const char* OBJECT_PREFIX = "CInstanceChecker_MMF_";

// The descriptors of the objects this process holds, by path; closed only at exit. A child
// made by fork inherits the descriptors but not the claim: entries name their process.
struct HeldObject {
    int fd;
    pid_t pid;
};
std::mutex g_mutex;
std::map<std::string, HeldObject>& Held() {
    static std::map<std::string, HeldObject> held;
    return held;
}

// The descriptor this process holds for `path`, or -1.
int HeldFd(const std::string& path) {
    auto held = Held().find(path);
    return held != Held().end() && held->second.pid == ::getpid() ? held->second.fd : -1;
}

bool WriteHandle(int fd, uint32_t handle) {
    unsigned char bytes[4] = {
        static_cast<unsigned char>(handle), static_cast<unsigned char>(handle >> 8),
        static_cast<unsigned char>(handle >> 16), static_cast<unsigned char>(handle >> 24)};
    return ::pwrite(fd, bytes, sizeof(bytes), 0) == static_cast<ssize_t>(sizeof(bytes));
}

uint32_t ReadHandle(int fd) {
    unsigned char bytes[4] = {0, 0, 0, 0};
    if (::pread(fd, bytes, sizeof(bytes), 0) != static_cast<ssize_t>(sizeof(bytes)))
        return 0;
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

}  // namespace

CInstanceChecker::CInstanceChecker(const std::string& appName, const std::string& dir) {
    std::string base = dir;
    std::string suffix;
    if (base.empty()) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (runtime != nullptr && runtime[0] == '/') {
            base = runtime;
        } else {
            // /tmp is shared by every user: the name carries the user id.
            base = "/tmp";
            suffix = '-' + std::to_string(::getuid());
        }
    }
    if (base.back() != '/')
        base += '/';
    m_path = base + OBJECT_PREFIX + appName + suffix;
}

EInstanceClaim CInstanceChecker::Claim(uint32_t windowHandle, uint32_t* runningHandle,
                                       std::string* error) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto fail = [&](const std::string& what) {
        if (error != nullptr)
            *error = m_path + ": " + what;
        return EInstanceClaim::Failed;
    };
    int heldFd = HeldFd(m_path);
    if (heldFd >= 0)
        return WriteHandle(heldFd, windowHandle) ? EInstanceClaim::First
                                                 : fail(std::strerror(errno));

    int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return fail(std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return fail("not a file of this user");
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        if (err == EWOULDBLOCK) {
            if (runningHandle != nullptr)
                *runningHandle = ReadHandle(fd);
            ::close(fd);
            return EInstanceClaim::AlreadyRunning;
        }
        ::close(fd);
        return fail(std::strerror(err));
    }
    if (!WriteHandle(fd, windowHandle)) {
        int err = errno;
        ::close(fd);
        return fail(std::strerror(err));
    }
    Held()[m_path] = {fd, ::getpid()};
    return EInstanceClaim::First;
}

bool CInstanceChecker::UpdateHandle(uint32_t windowHandle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    int heldFd = HeldFd(m_path);
    return heldFd >= 0 && WriteHandle(heldFd, windowHandle);
}

void CInstanceChecker::ReleaseForProcess() {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto& [path, held] : Held())
        ::close(held.fd);
    Held().clear();
}
