#include "hwmon_read.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

int ReadHwmonInteger(const std::string& path, long long* value) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    char buffer[64];
    ssize_t n;
    do {
        n = ::read(fd, buffer, sizeof buffer - 1);
    } while (n < 0 && errno == EINTR);
    const int readError = n < 0 ? errno : 0;
    ::close(fd);
    if (readError != 0)
        return readError;
    size_t length = static_cast<size_t>(n);
    while (length > 0 && (buffer[length - 1] == '\n' || buffer[length - 1] == ' '))
        --length;
    if (length == 0)
        return ENODATA;
    long long v = 0;
    auto [end, ec] = std::from_chars(buffer, buffer + length, v);
    if (ec != std::errc() || end != buffer + length)
        return EINVAL;
    *value = v;
    return 0;
}

double HwmonValue(EHwmonKind kind, long long raw) {
    return kind == EHwmonKind::Fan ? static_cast<double>(raw) : static_cast<double>(raw) / 1000.0;
}

namespace {

std::optional<double> ReadLimit(const std::string& path, EHwmonKind kind) {
    long long raw = 0;
    if (path.empty() || ReadHwmonInteger(path, &raw) != 0)
        return std::nullopt;
    return HwmonValue(kind, raw);
}

}  // namespace

SHwmonReading ReadHwmonChannel(const SHwmonChannel& channel) {
    SHwmonReading r;
    long long raw = 0;
    r.Error = ReadHwmonInteger(channel.InputPath, &raw);
    if (r.Error != 0)
        return r;
    r.Input = HwmonValue(channel.Kind, raw);
    r.Min = ReadLimit(channel.MinPath, channel.Kind);
    r.Max = ReadLimit(channel.MaxPath, channel.Kind);
    r.Lcrit = ReadLimit(channel.LcritPath, channel.Kind);
    r.Crit = ReadLimit(channel.CritPath, channel.Kind);
    for (const std::string& path : channel.AlarmPaths) {
        long long bit = 0;
        if (ReadHwmonInteger(path, &bit) == 0)
            r.Alarm = r.Alarm.value_or(false) || bit != 0;
    }
    return r;
}

std::vector<std::vector<SHwmonReading>> ReadHwmonDevices(const std::vector<SHwmonDevice>& devices) {
    std::vector<std::vector<SHwmonReading>> readings(devices.size());
    for (size_t d = 0; d < devices.size(); ++d) {
        readings[d].reserve(devices[d].Channels.size());
        for (const SHwmonChannel& channel : devices[d].Channels)
            readings[d].push_back(ReadHwmonChannel(channel));
    }
    return readings;
}
