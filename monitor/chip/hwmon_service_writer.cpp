#include "hwmon_service_writer.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "device_channel.h"
#include "device_codes.h"
#include "hwmon_write_record.h"

namespace {

constexpr const char* DEFAULT_RUNTIME_DIR = "/run/vorn-io";
constexpr const char* SOCKET_NAME = "VORN-IO";

// reached: the service answered (else the request never got to it).
std::string Describe(int error, const std::string& attribute, bool reached) {
    if (!reached) {
        if (error == ENOENT || error == ECONNREFUSED)
            return "the driver service (vorn-iod) is not running";
        if (error == EACCES)
            return "not allowed to use the driver service (vorn-iod)";
        return std::string("cannot reach the driver service (vorn-iod): ") + std::strerror(error);
    }
    switch (error) {
        case EPERM:
            return "the driver service does not write " + attribute;
        case EINVAL:
            return "the kernel driver refused the value for " + attribute;
        case ENODEV:
            return "the kernel's w83627ehf hwmon device is gone";
        default:
            return "cannot write " + attribute + ": " + std::strerror(error);
    }
}

}  // namespace

CHwmonServiceWriter::CHwmonServiceWriter(std::string runtimeDir) {
    if (runtimeDir.empty()) {
        const char* variable = std::getenv("VORNIO_RUNTIME_DIR");
        runtimeDir = variable && *variable ? variable : DEFAULT_RUNTIME_DIR;
    }
    m_socketPath = runtimeDir + "/" + SOCKET_NAME;
}

CHwmonServiceWriter::~CHwmonServiceWriter() = default;

bool CHwmonServiceWriter::Write(const std::string& attribute, const std::string& value,
                                std::string* error) {
    const auto record = vornio::MakeHwmonWriteRecord(attribute, value);
    if (!record) {
        if (error)
            *error = "not an attribute and value the driver service takes: " + attribute;
        return false;
    }
    std::lock_guard lock(m_mutex);
    if (!m_channel) {
        m_channel = std::make_unique<CDeviceChannel>();
        m_channel->Open(m_socketPath);  // a failed connect is retried by the request
    }
    uint32_t returned = 0;
    if (m_channel->Control(vornio::IOCTL_HWMON_WRITE, *record, {}, &returned))
        return true;
    const int saved = errno;
    // A failed answer keeps the connection; a request that never reached the service does not.
    if (error)
        *error = Describe(saved, attribute, m_channel->IsOpen() && saved != EBUSY);
    return false;
}
