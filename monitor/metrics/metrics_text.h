#pragma once
// The Prometheus text exposition (format 0.0.4) of one pass, made from its snapshot alone.
//
// Names follow Prometheus' conventions: base units in the name (volts, celsius, rpm, seconds),
// counters end in _total, 0/1 gauges for states. Every series of an item carries the labels
// item (its number), name, type ("voltage", "temperature", "fan", "other"), pin, and chip and
// sensor as node_exporter's hwmon collector names a sensor (the device's path below
// /sys/devices with every other character than a-z, 0-9, ':' and '_' made '_'; the channel),
// so a rule can pick a sensor by whichever it knows, and join it with node_exporter's series.
// Items of a second processor the machine does not have are left out.
//
//   vornpilot_temperature_celsius{item="11",name="CPU",type="temperature",pin="CPUTEMPERATURE",
//       chip="platform_w83627ehf_656",sensor="temp1"} 82.5
//   vornpilot_temperature_celsius{item="7",name="k10temp Tctl",type="temperature",
//       pin="hwmon:devices/pci0000:00/0000:00:18.3/temp1",chip="pci0000:00_0000:00:18_3",
//       sensor="temp1"} 45.25

#include <string>
#include <string_view>

struct SPassSnapshot;
struct SItemSnapshot;

// The text served at /metrics and written to the metrics file. `pass` null (before the first
// pass has ended): only the build information.
std::string MetricsText(const SPassSnapshot* pass);

// A label value with Prometheus' escapes (\\, \", \n); invalid UTF-8 becomes U+FFFD.
std::string MetricsLabelValue(std::string_view text);
// The chip label of an item: "pci0000:00_0000:00:18_3" for devices/pci0000:00/0000:00:18.3,
// "virtual_acpitz_0" for a device without a device path, "platform_w83627ehf_656" for the
// chip's own pins (its kernel driver's device at the board's address).
std::string MetricsChipLabel(const SItemSnapshot& item);
// A sample value: the shortest text that reads back as the same double; NaN, +Inf, -Inf.
std::string MetricsNumber(double value);

// The version the build information reports.
const char* MetricsBuildVersion();
