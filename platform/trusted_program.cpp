#include "trusted_program.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "printable_path.h"

namespace {

// Who may change what lies at `path`, as a sentence ending; "" when only root may.
std::string OthersMayChange(const struct stat& st) {
    if (st.st_uid != 0)
        return "belongs to user " + std::to_string(st.st_uid) + ", not root";
    if ((st.st_mode & S_IWOTH) != 0)
        return "may be written by everyone";
    if ((st.st_mode & S_IWGRP) != 0)
        return "may be written by its group " + std::to_string(st.st_gid);
    return "";
}

}  // namespace

std::optional<std::string> TrustedProgramPath(const std::string& path, std::string* why) {
    // The links on the way are resolved first: what counts is where the file really is, and
    // every folder on that way.
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    if (!real) {
        *why = "cannot find " + PrintablePath(path) + ": " + std::strerror(errno);
        return std::nullopt;
    }
    const std::string file = real.get();
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0) {
        *why = "cannot look at " + PrintablePath(file) + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode) || (st.st_mode & S_IXUSR) == 0) {
        *why = PrintablePath(file) + " is not an executable file";
        return std::nullopt;
    }
    std::string at = file;
    for (;;) {
        if (::lstat(at.c_str(), &st) != 0) {
            *why = "cannot look at " + PrintablePath(at) + ": " + std::strerror(errno);
            return std::nullopt;
        }
        const std::string problem = OthersMayChange(st);
        if (!problem.empty()) {
            *why =
                (at == file ? "the program " : "the folder ") + PrintablePath(at) + " " + problem;
            return std::nullopt;
        }
        if (at == "/")
            break;
        const size_t slash = at.rfind('/');
        at = slash == 0 ? "/" : at.substr(0, slash);
    }
    return file;
}
