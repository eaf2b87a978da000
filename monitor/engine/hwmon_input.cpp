#include "hwmon_input.h"

#include <cmath>

#include "hwmon_pin.h"
#include "hwmon_read.h"

namespace {

struct SOutside {
    bool high = false;
    bool low = false;
};

// Which of the item's limits the value passes, counting only the limits its type has.
SOutside Outside(const SensorItemConfig& item, double value) {
    SOutside o;
    o.high = item.HiLimit < item.HiBound && value > item.HiLimit;
    o.low = item.LoLimit > item.LoBound && value < item.LoLimit;
    if (item.ItemType == ITEM_TEMPERATURE)
        o.low = false;
    else if (item.ItemType == ITEM_FAN)
        o.high = false;
    else if (item.ItemType != ITEM_VOLTAGE)
        o = {};
    return o;
}

// Whether the item's limit is the kernel's own, seen through the item's divider and offset
// (to the thousandth the settings keep).
bool IsKernelLimit(double limit, const std::optional<double>& kernel, const SensorItemConfig& item,
                   double factor) {
    return kernel && std::abs(limit - (*kernel / factor + item.Offset)) < 0.0005;
}

}  // namespace

int CHwmonInput::Read(const SensorItemConfig& item, double* value, bool* alarm) const {
    const SHwmonReading r = ReadHwmonChannel(m_channel);
    if (r.Error != 0)
        return r.Error;
    // The board file's reader refuses a factor of 0 for these pins.
    const double factor = item.Factor != 0 ? item.Factor : 1;
    *value = r.Input / factor + item.Offset;
    const SOutside o = Outside(item, *value);
    if (!r.Alarm) {
        *alarm = o.high || o.low;
        return 0;
    }
    // With an alarm file the kernel judges its own limits (a chip's unset limit may lie under a
    // healthy reading while the chip raises no alarm); limits the user chose are the monitor's.
    const bool ownHigh = !IsKernelLimit(item.HiLimit, r.Max ? r.Max : r.Crit, item, factor);
    const bool ownLow = !IsKernelLimit(item.LoLimit, r.Min ? r.Min : r.Lcrit, item, factor);
    *alarm = *r.Alarm || (ownHigh && o.high) || (ownLow && o.low);
    return 0;
}

bool OutsideItemLimits(const SensorItemConfig& item, double value) {
    const SOutside o = Outside(item, value);
    return o.high || o.low;
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
