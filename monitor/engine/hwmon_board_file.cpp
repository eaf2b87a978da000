#include "hwmon_board_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <optional>

#include "hwmon_pin.h"
#include "sensor_item_config.h"
#include "thousandths.h"

namespace {

constexpr const char* HEADER =
    "; Written by vornpilot --write-board-file from the hwmon sensors of this machine.\n"
    "; PinName=hwmon:<device>/<channel> names a kernel hwmon sensor: <device> is the device's\n"
    "; path below /sys (virtual/<name>/<k> for a device without one), <channel> is inN (volts),\n"
    "; tempN (degrees Celsius) or fanN (rpm). Limits, bounds, Factor and Offset are thousandths.\n"
    "; The item shows the kernel's value / Factor + Offset: Factor is the input's divider, pin\n"
    "; volts per measured volt (a +12 V input behind a 1/6 divider: Factor=167). Where the\n"
    "; kernel has no limit, the limit is the bound. Remove, reorder or rename items freely;\n"
    "; keep Total_Item_Count and the ITEM numbers in step.\n";

// The board file's reader takes -1 for a missing value: the nearest other value is written.
int32_t Thousandths(double value) {
    const int32_t v = ToThousandths(value);
    return v == -1 ? 0 : v;
}

double RoundUp(double value, double step) {
    return std::ceil(value / step) * step;
}

double RoundDown(double value, double step) {
    return std::floor(value / step) * step;
}

struct SLimits {
    double LoBound, HiBound, LoLimit, HiLimit;
};

// Drivers write "no limit" as a limit no sensor reaches (an NVMe drive's -273.15 or 65261.85
// degrees): such a limit is none.
std::optional<double> Plausible(EHwmonKind kind, const std::optional<double>& limit) {
    if (limit && kind == EHwmonKind::Temperature && (*limit <= -273 || *limit > 1000))
        return std::nullopt;
    return limit;
}

SLimits LimitsOf(EHwmonKind kind, SHwmonReading r) {
    r.Min = Plausible(kind, r.Min);
    r.Max = Plausible(kind, r.Max);
    r.Lcrit = Plausible(kind, r.Lcrit);
    r.Crit = Plausible(kind, r.Crit);
    const std::optional<double> lo = r.Min ? r.Min : r.Lcrit;
    const std::optional<double> hi = r.Max ? r.Max : r.Crit;
    double loBound = 0;
    double hiBound = 0;
    switch (kind) {
        case EHwmonKind::Voltage: {
            const double reading = r.Error == 0 ? r.Input : 0;
            hiBound = RoundUp(std::max({1.0, reading * 1.5, hi.value_or(0) * 1.25}), 0.5);
            loBound = RoundDown(std::min({0.0, reading * 1.5, lo.value_or(0) * 1.25}), 0.5);
            break;
        }
        case EHwmonKind::Temperature:
            // Above the kernel's limits: a limit at the bound would be no limit.
            hiBound = RoundUp(std::max({125.0, hi.value_or(0) + 1, r.Crit.value_or(0) + 1}), 5);
            loBound = RoundDown(std::min({0.0, lo.value_or(0)}), 5);
            break;
        case EHwmonKind::Fan:
            hiBound =
                RoundUp(std::max({5000.0, (r.Error == 0 ? r.Input : 0) * 2, hi.value_or(0)}), 500);
            break;
    }
    return {loBound, hiBound, lo.value_or(loBound), hi.value_or(hiBound)};
}

}  // namespace

int32_t HwmonItemType(EHwmonKind kind) {
    switch (kind) {
        case EHwmonKind::Voltage:
            return ITEM_VOLTAGE;
        case EHwmonKind::Temperature:
            return ITEM_TEMPERATURE;
        case EHwmonKind::Fan:
            return ITEM_FAN;
    }
    return 0;
}

std::vector<SensorItemConfig> HwmonItemRecords(
    const std::vector<SHwmonDevice>& devices,
    const std::vector<std::vector<SHwmonReading>>& readings) {
    std::vector<SensorItemConfig> records;
    for (size_t d = 0; d < devices.size(); ++d) {
        for (size_t c = 0; c < devices[d].Channels.size(); ++c) {
            const SHwmonChannel& channel = devices[d].Channels[c];
            SHwmonReading reading;
            reading.Error = ENOENT;
            if (d < readings.size() && c < readings[d].size())
                reading = readings[d][c];
            const SLimits l = LimitsOf(channel.Kind, reading);
            SensorItemConfig& r = records.emplace_back();
            r.ItemNo = static_cast<int32_t>(records.size());
            r.Name = channel.DisplayName;
            r.PinName = HwmonPinName(devices[d].Identity, channel.Channel);
            r.ItemType = HwmonItemType(channel.Kind);
            r.Enable = true;
            r.HiBound = l.HiBound;
            r.LoBound = l.LoBound;
            r.HiLimit = l.HiLimit;
            r.LoLimit = l.LoLimit;
            r.Factor = 1;
            r.CpuNo = 1;
        }
    }
    return records;
}

std::string HwmonBoardFileText(const std::vector<SHwmonDevice>& devices,
                               const std::vector<std::vector<SHwmonReading>>& readings) {
    const std::vector<SensorItemConfig> records = HwmonItemRecords(devices, readings);
    std::string items;
    for (const SensorItemConfig& r : records) {
        auto line = [&items](const char* key, const std::string& value) {
            items += std::string(key) + "=" + value + "\n";
        };
        auto number = [&line](const char* key, double value) {
            line(key, std::to_string(Thousandths(value)));
        };
        auto flag = [&line](const char* key, bool on) { line(key, on ? "1" : "0"); };
        items += "\n[ITEM" + std::to_string(r.ItemNo) + "]\n";
        line("Name", r.Name);
        line("PinName", r.PinName);
        line("ItemType", std::to_string(r.ItemType));
        flag("Negative", r.Negative);
        flag("Enable", r.Enable);
        flag("BeepEnable", r.BeepEnable);
        flag("ShutDownEnable", r.ShutDownEnable);
        number("HiBound", r.HiBound);
        number("LoBound", r.LoBound);
        number("HiLimit", r.HiLimit);
        number("LoLimit", r.LoLimit);
        number("Factor", r.Factor);
        number("Offset", r.Offset);
        line("CpuNo", std::to_string(r.CpuNo));
        if (r.ItemType == ITEM_FAN) {
            // The kernel's fan control is not driven from here.
            for (const char* key : {"SmartFanSupport", "SmartFanEnable", "TargetTemp",
                                    "ToleranceTemp", "StartCtrl", "StopCtrl"})
                line(key, "0");
        }
    }
    return std::string(HEADER) + "\n[GLOBAL]\nTotal_Item_Count=" + std::to_string(records.size()) +
           "\nGlobal_Beep_Enable=0\n" + items;
}
