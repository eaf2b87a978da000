#include "hwmon_file_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool CHwmonFileWriter::Write(const std::string& attribute, const std::string& value,
                             std::string* error) {
    // A bare attribute name only: never a path out of the device's directory.
    if (attribute.empty() || attribute.find('/') != std::string::npos || attribute[0] == '.') {
        *error = "\"" + attribute + "\" is not an attribute name";
        return false;
    }
    const std::string path = m_deviceDir + "/" + attribute;
    // No O_CREAT: an attribute the device does not have is not made up.
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    const std::string text = value + "\n";
    // sysfs takes one write as the whole value.
    ssize_t n = ::write(fd, text.data(), text.size());
    int writeErrno = errno;
    ::close(fd);
    if (n != static_cast<ssize_t>(text.size())) {
        *error = "cannot write " + path + ": " + std::strerror(n < 0 ? writeErrno : EIO);
        return false;
    }
    return true;
}
