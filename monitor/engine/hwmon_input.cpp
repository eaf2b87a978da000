#include "hwmon_input.h"

#include "hwmon_pin.h"
#include "hwmon_read.h"

int CHwmonInput::Read(const SensorItemConfig& item, double* value, bool* alarm) const {
    const SHwmonReading r = ReadHwmonChannel(m_channel);
    if (r.Error != 0)
        return r.Error;
    // The board file's reader refuses a factor of 0 for these pins.
    const double factor = item.Factor != 0 ? item.Factor : 1;
    *value = r.Input / factor + item.Offset;
    // The kernel's own alarm counts too: the user's limits add to the chip's, never hide them.
    *alarm = r.Alarm.value_or(false) || OutsideItemLimits(item, *value);
    return 0;
}

bool OutsideItemLimits(const SensorItemConfig& item, double value) {
    const bool high = item.HiLimit < item.HiBound && value > item.HiLimit;
    const bool low = item.LoLimit > item.LoBound && value < item.LoLimit;
    switch (item.ItemType) {
        case ITEM_VOLTAGE:
            return high || low;
        case ITEM_TEMPERATURE:
            return high;
        case ITEM_FAN:
            return low;
        default:
            return false;
    }
}

std::optional<CHwmonInput> FindHwmonInput(const std::vector<SHwmonDevice>& devices,
                                          const std::string& pinName) {
    const std::optional<SHwmonPin> pin = ParseHwmonPin(pinName);
    if (!pin)
        return std::nullopt;
    for (const SHwmonDevice& device : devices) {
        if (device.Identity != pin->Identity)
            continue;
        for (const SHwmonChannel& channel : device.Channels) {
            if (channel.Channel == pin->Channel)
                return CHwmonInput(device, channel);
        }
    }
    return std::nullopt;
}
