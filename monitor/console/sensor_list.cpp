#include "sensor_list.h"

#include <algorithm>
#include <cstring>

#include "hwmon_pin.h"
#include "number_format.h"

namespace {

// Characters on screen: UTF-8 continuation bytes take no column.
size_t Columns(const std::string& s) {
    return static_cast<size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string Pad(const std::string& s, size_t width) {
    const size_t w = Columns(s);
    return w >= width ? s : s + std::string(width - w, ' ');
}

std::string Limits(EHwmonKind kind, const SHwmonReading& r) {
    std::string text;
    auto add = [&](const char* what, const std::optional<double>& value) {
        if (!value)
            return;
        text += (text.empty() ? "" : ", ") + std::string(what) + " " + HwmonValueText(kind, *value);
    };
    add("lcrit", r.Lcrit);
    add("min", r.Min);
    add("max", r.Max);
    add("crit", r.Crit);
    if (r.Alarm)
        text += (text.empty() ? "" : ", ") + std::string(*r.Alarm ? "ALARM" : "no alarm");
    return text.empty() ? "-" : text;
}

}  // namespace

std::string HwmonValueText(EHwmonKind kind, double value) {
    switch (kind) {
        case EHwmonKind::Voltage:
            return FormatFixed(value, 0, 3) + " V";
        case EHwmonKind::Temperature:
            return FormatFixed(value, 0, 1) + " °C";
        case EHwmonKind::Fan:
            return FormatFixed(value, 0, 0) + " rpm";
    }
    return "";
}

std::string SensorListText(const std::vector<SHwmonDevice>& devices,
                           const std::vector<std::vector<SHwmonReading>>& readings,
                           const std::string& sysfsRoot) {
    size_t channels = 0;
    for (const auto& d : devices)
        channels += d.Channels.size();
    if (channels == 0) {
        return "No hwmon sensors found under " + sysfsRoot + "/class/hwmon/: " +
               (devices.empty() ? "the kernel offers no hwmon devices"
                                : "its devices offer no voltage, temperature or fan inputs") +
               " (a virtual machine has none).\n";
    }

    std::vector<std::vector<std::string>> rows = {
        {"DEVICE", "ATTRIBUTE", "LABEL", "READING", "LIMITS"}};
    for (size_t d = 0; d < devices.size(); ++d) {
        for (size_t c = 0; c < devices[d].Channels.size(); ++c) {
            const SHwmonChannel& ch = devices[d].Channels[c];
            SHwmonReading r;
            r.Error = ENOENT;
            if (d < readings.size() && c < readings[d].size())
                r = readings[d][c];
            rows.push_back({devices[d].Name, ch.Channel + "_input",
                            ch.Label.empty() ? "-" : ch.Label,
                            r.Error == 0 ? HwmonValueText(ch.Kind, r.Input)
                                         : std::string("not read: ") + std::strerror(r.Error),
                            r.Error == 0 ? Limits(ch.Kind, r) : "-"});
        }
    }
    std::vector<size_t> widths(rows[0].size(), 0);
    for (const auto& row : rows) {
        for (size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], Columns(row[i]));
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i)
            line += i + 1 == row.size() ? row[i] : Pad(row[i], widths[i] + 2);
        text += line + "\n";
    }
    text += "\nBoard-file pins (PinName=hwmon:<device>/<channel>):\n";
    for (const auto& d : devices)
        text += "  " + Pad(d.Name, widths[0]) + "  " + HwmonPinName(d.Identity, "") + "\n";
    return text;
}
