#include "runtime_objects.h"

#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace {

bool Refuse(std::string* why, const std::string& text) {
    if (why != nullptr)
        *why = text;
    errno = EPERM;
    return false;
}

}  // namespace

bool CheckObjectDirectory(const std::string& dir, struct stat* dirStat, std::string* why) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0) {
        const int error = errno;
        if (why != nullptr)
            *why = "cannot look at " + dir;
        errno = error;
        return false;
    }
    if (!S_ISDIR(st.st_mode))
        return Refuse(why, dir + " is not a directory");
    if (st.st_uid != 0 && st.st_uid != ::geteuid())
        return Refuse(why, dir + " belongs to another user");
    // World-writable, even with the sticky bit: anyone could plant or hold the objects.
    if ((st.st_mode & S_IWOTH) != 0)
        return Refuse(why, dir + " is writable by every user");
    if (dirStat != nullptr)
        *dirStat = st;
    return true;
}

bool CheckObjectFile(int fd, mode_t type, const struct stat& dirStat, std::string* why) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    if ((st.st_mode & S_IFMT) != type)
        return Refuse(why, "an object of another type is in its place");
    if ((st.st_mode & S_IWOTH) != 0)
        return Refuse(why, "the object is writable by every user");
    if (st.st_uid != 0 && st.st_uid != ::geteuid() && st.st_gid != dirStat.st_gid)
        return Refuse(why, "the object belongs to a user outside the directory's group");
    return true;
}

bool LockWithin(int fd, int operation, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (::flock(fd, operation | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() >= deadline) {
            errno = ETIMEDOUT;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}
