#include "desktop_opener.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

extern char** environ;

CDesktopOpener::CDesktopOpener(std::string program) : m_program(std::move(program)) {}

std::string FindProgram(const std::string& program) {
    if (program.empty()) {
        return "";
    }
    if (program.find('/') != std::string::npos) {
        return ::access(program.c_str(), X_OK) == 0 ? program : "";
    }
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t colon = dirs.find(':', start);
        std::string dir =
            dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate)) {
            return candidate;
        }
        if (colon == std::string::npos) {
            break;
        }
        start = colon + 1;
    }
    return "";
}

bool CDesktopOpener::Open(const std::string& path) {
    std::string program = FindProgram(m_program);
    if (program.empty() || path.empty()) {
        return false;
    }
    std::error_code ec;
    std::string absolute = std::filesystem::absolute(path, ec).string();
    if (ec) {
        return false;
    }
    // Everything the children need is prepared before fork: after it only async-signal-safe
    // calls are made.
    std::vector<char*> argv{program.data(), absolute.data(), nullptr};
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) {
        return false;
    }
    pid_t child = ::fork();
    if (child < 0) {
        ::close(ready[0]);
        ::close(ready[1]);
        return false;
    }
    if (child == 0) {
        // The intermediate child starts the helper and ends at once, so the helper is adopted
        // by init and never becomes our zombie.
        ::close(ready[0]);
        ::setsid();
        pid_t helper = ::fork();
        if (helper == 0) {
            ::execve(argv[0], argv.data(), environ);
            char failed = 1;
            ssize_t ignored = ::write(ready[1], &failed, 1);
            (void)ignored;
            ::_exit(127);
        }
        ::_exit(helper < 0 ? 1 : 0);
    }
    ::close(ready[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // The pipe closes without a byte when execve succeeded (close-on-exec).
    char failed = 0;
    ssize_t got;
    do {
        got = ::read(ready[0], &failed, 1);
    } while (got < 0 && errno == EINTR);
    ::close(ready[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}
