#include "hwmon_device.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

bool NameIs(const std::filesystem::path& dir, const std::string& name) {
    std::ifstream in(dir / "name");
    std::string text;
    return in && std::getline(in, text) && text == name;
}

}  // namespace

std::string FindHwmonDevice(const std::string& sysfsRoot, const std::string& name) {
    std::error_code ec;
    std::vector<std::filesystem::path> devices;
    for (const auto& entry : std::filesystem::directory_iterator(sysfsRoot + "/class/hwmon", ec))
        devices.push_back(entry.path());
    // hwmon0 before hwmon1: the same device is found on every start.
    std::sort(devices.begin(), devices.end());
    for (const auto& device : devices) {
        if (NameIs(device, name))
            return device.string();
        if (NameIs(device / "device", name))
            return (device / "device").string();
    }
    return "";
}
