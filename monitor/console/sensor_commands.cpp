#include "sensor_commands.h"

#include <unistd.h>

#include "atomic_file.h"
#include "hwmon_board_file.h"
#include "hwmon_read.h"
#include "hwmon_scan.h"
#include "sensor_list.h"

int ListSensors(const std::string& sysfsRoot, std::FILE* out) {
    const auto devices = ScanHwmonDevices(sysfsRoot);
    std::fputs(SensorListText(devices, ReadHwmonDevices(devices), sysfsRoot).c_str(), out);
    return 0;
}

int WriteSensorBoardFile(const std::string& sysfsRoot, const std::string& path,
                         const std::string& program, std::FILE* out, std::FILE* err) {
    constexpr int NOT_WRITTEN = 5;
    const auto devices = ScanHwmonDevices(sysfsRoot);
    size_t channels = 0;
    for (const auto& d : devices)
        channels += d.Channels.size();
    if (channels == 0) {
        std::fprintf(err, "%s: %s%s is not written.\n", program.c_str(),
                     SensorListText(devices, {}, sysfsRoot).c_str(), path.c_str());
        return NOT_WRITTEN;
    }
    // A board file the user made is never replaced by a generated one.
    if (::access(path.c_str(), F_OK) == 0) {
        std::fprintf(err, "%s: %s exists; it is not replaced\n", program.c_str(), path.c_str());
        return NOT_WRITTEN;
    }
    std::string error;
    if (!AtomicWriteFile(path, HwmonBoardFileText(devices, ReadHwmonDevices(devices)), &error)) {
        std::fprintf(err, "%s: %s cannot be written: %s\n", program.c_str(), path.c_str(),
                     error.c_str());
        return NOT_WRITTEN;
    }
    std::fprintf(out, "%s: %zu items from %zu hwmon devices\n", path.c_str(), channels,
                 devices.size());
    return 0;
}
