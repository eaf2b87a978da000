#include "hwmon_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// The new file is made beside the attribute directory, so a listing of it never shows one.
bool WriteWhole(const std::string& dir, const std::string& name, const std::string& text,
                mode_t mode) {
    const std::string path = dir + "/" + name;
    const std::string temporary = dir + "/../." + name + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    // The mode given to open is masked by the umask; the tree's modes are the kernel's.
    const bool ok = written && ::fchmod(fd, mode) == 0;
    ::close(fd);
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

CHwmonTree::~CHwmonTree() {
    Remove();
}

bool CHwmonTree::Create(std::string* error) {
    std::error_code ec;
    const fs::path root = m_root;
    const fs::path platformDir = root / "devices/platform" / PLATFORM_DEVICE;
    const fs::path classDir = root / "class/hwmon";
    const fs::path driverDir = root / "bus/platform/drivers" / DRIVER;

    // What an earlier run left: its device and every class link into it.
    fs::remove_all(platformDir, ec);
    for (const auto& entry : fs::directory_iterator(classDir, ec)) {
        std::error_code linkEc;
        if (entry.is_symlink(linkEc) &&
            fs::read_symlink(entry.path(), linkEc).string().find(PLATFORM_DEVICE) !=
                std::string::npos) {
            fs::remove(entry.path(), linkEc);
        }
    }
    fs::remove(driverDir / PLATFORM_DEVICE, ec);

    fs::create_directories(classDir, ec);
    fs::create_directories(driverDir, ec);
    fs::create_directories(root / "module" / DRIVER, ec);
    if (ec) {
        *error = "cannot create the hwmon tree in " + m_root + ": " + ec.message();
        return false;
    }
    int n = 0;
    while (fs::exists(fs::symlink_status(classDir / ("hwmon" + std::to_string(n)))))
        ++n;
    const std::string hwmon = "hwmon" + std::to_string(n);
    const fs::path deviceDir = platformDir / "hwmon" / hwmon;
    fs::create_directories(deviceDir, ec);
    if (!ec)
        fs::create_directory_symlink("../../../bus/platform/drivers/" + std::string(DRIVER),
                                     platformDir / "driver", ec);
    if (!ec)
        fs::create_directory_symlink("../../../" + std::string(PLATFORM_DEVICE),
                                     deviceDir / "device", ec);
    if (!ec)
        fs::create_directory_symlink("../../../../devices/platform/" + std::string(PLATFORM_DEVICE),
                                     driverDir / PLATFORM_DEVICE, ec);
    if (!ec)
        fs::create_directory_symlink(
            "../../devices/platform/" + std::string(PLATFORM_DEVICE) + "/hwmon/" + hwmon,
            classDir / hwmon, ec);
    m_deviceDir = deviceDir.string();
    m_classLink = (classDir / hwmon).string();
    m_created = {m_classLink, (driverDir / PLATFORM_DEVICE).string(), platformDir.string()};
    m_emptied = {driverDir.string(), (root / "module" / DRIVER).string()};
    if (ec) {
        *error = "cannot create the hwmon tree in " + m_root + ": " + ec.message();
        Remove();
        return false;
    }
    return true;
}

void CHwmonTree::Remove() {
    std::error_code ec;
    for (const std::string& path : m_created)
        fs::remove_all(path, ec);
    // The driver's own entries go with its last device, unless something else is in them.
    for (const std::string& path : m_emptied)
        fs::remove(path, ec);
    m_created.clear();
    m_emptied.clear();
    m_rendered.clear();
}

bool CHwmonTree::Render(const std::string& name, const std::string& text, bool writable,
                        bool force) {
    auto it = m_rendered.find(name);
    if (!force && it != m_rendered.end() && it->second == text)
        return true;
    if (!WriteWhole(m_deviceDir, name, text, writable ? 0644 : 0444))
        return false;
    m_rendered[name] = text;
    return true;
}

std::optional<std::string> CHwmonTree::WrittenText(const std::string& name) const {
    auto it = m_rendered.find(name);
    if (it == m_rendered.end())
        return std::nullopt;
    std::ifstream in(m_deviceDir + "/" + name, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (text.str().empty() || text.str() == it->second)
        return std::nullopt;
    return text.str();
}
