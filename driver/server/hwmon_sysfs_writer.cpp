#include "hwmon_sysfs_writer.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "unique_fd.h"

namespace {

// The first line of a small sysfs file, without its newline.
std::optional<std::string> ReadFirstLine(const std::string& path) {
    CUniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd.IsValid())
        return std::nullopt;
    char buffer[64];
    ssize_t n;
    do {
        n = ::read(fd.Get(), buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return std::nullopt;
    std::string text(buffer, static_cast<size_t>(n));
    return text.substr(0, text.find('\n'));
}

std::vector<std::string> HwmonEntries(const std::string& classDir) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(classDir.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind("hwmon", 0) == 0)
            names.push_back(name);
    }
    ::closedir(dir);
    // hwmon2 before hwmon10, so the choice among several devices is stable.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return names;
}

}  // namespace

std::optional<std::string> CHwmonSysfsWriter::FindDevice() const {
    const std::string classDir = m_sysfsRoot + "/class/hwmon";
    for (const std::string& entry : HwmonEntries(classDir)) {
        const std::string path = classDir + "/" + entry;
        if (ReadFirstLine(path + "/name") != DEVICE_NAME)
            continue;
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved))
            return std::string(resolved);
    }
    return std::nullopt;
}

int CHwmonSysfsWriter::Write(const std::string& attribute, const std::string& value) {
    const std::optional<std::string> device = FindDevice();
    if (!device)
        return ENODEV;
    CUniqueFd dir(::open(device->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.IsValid())
        return errno;
    CUniqueFd fd(::openat(dir.Get(), attribute.c_str(),
                          O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.IsValid())
        return errno;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    // One write, as `echo` does: the kernel takes the whole text or refuses it whole.
    const std::string text = value + "\n";
    ssize_t n;
    do {
        n = ::write(fd.Get(), text.data(), text.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return errno;
    return static_cast<size_t>(n) == text.size() ? 0 : EIO;
}
