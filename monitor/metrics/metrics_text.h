#pragma once
// The Prometheus text exposition (format 0.0.4) of one pass, made from its snapshot alone.
//
// Names follow Prometheus' conventions: base units in the name (volts, celsius, rpm, seconds),
// counters end in _total, 0/1 gauges for states. Every series of an item carries the labels
// item (its number), name, type ("voltage", "temperature", "fan", "other") and pin, so a rule
// can pick a sensor by whichever it knows. Items of a second processor the machine does not have
// are left out.
//
//   vornpilot_temperature_celsius{item="11",name="CPU",type="temperature",pin="CPUTEMPERATURE"} 82.5
//   vornpilot_sensor_alarm{item="11",name="CPU",type="temperature",pin="CPUTEMPERATURE"} 1

#include <string>
#include <string_view>

struct SPassSnapshot;

// The text served at /metrics and written to the metrics file. `pass` null (before the first
// pass has ended): only the build information.
std::string MetricsText(const SPassSnapshot* pass);

// A label value with Prometheus' escapes (\\, \", \n); invalid UTF-8 becomes U+FFFD.
std::string MetricsLabelValue(std::string_view text);
// A sample value: the shortest text that reads back as the same double; NaN, +Inf, -Inf.
std::string MetricsNumber(double value);

// The version the build information reports.
const char* MetricsBuildVersion();
