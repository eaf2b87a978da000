#pragma once
// One hwmon channel read as an item's input: the kernel's value through the item's divider and
// offset, and whether the reading is outside the item's limits or the kernel says it is. The
// monitor never writes a limit to these devices: the limits are the item's own.

#include <optional>
#include <string>

#include "hwmon_sensor.h"
#include "sensor_item_config.h"

class CHwmonInput {
  public:
    CHwmonInput(const SHwmonDevice& device, const SHwmonChannel& channel)
        : m_deviceName(device.Name), m_identity(device.Identity), m_channel(channel) {}

    // The value in the item's unit (kernel value / Factor + Offset) and its alarm: outside a
    // limit the user chose, or, for the kernel's own limits where the kernel has alarm files,
    // the kernel's alarm; without alarm files, outside any of the item's limits. 0, or the errno of
    // the failed read (the vanished file's ENOENT, a sleeping disk's ENODATA): then nothing is set.
    int Read(const SensorItemConfig& item, double* value, bool* alarm) const;

    const std::string& DeviceName() const { return m_deviceName; }
    const std::string& Identity() const { return m_identity; }
    const SHwmonChannel& Channel() const { return m_channel; }

  private:
    std::string m_deviceName;
    std::string m_identity;
    SHwmonChannel m_channel;
};

// Whether `value` lies outside the item's limits. A limit at the end of the range the user may
// choose it from is no limit: a channel the kernel gives no limit has none until the user sets
// one. Temperatures have a high limit only (the limit dialog sets no other); fans a low one.
bool OutsideItemLimits(const SensorItemConfig& item, double value);

// The hwmon channel a board-file pin names among the scanned devices; nullopt when its device
// or channel is not there.
std::optional<CHwmonInput> FindHwmonInput(const std::vector<SHwmonDevice>& devices,
                                          const std::string& pinName);
