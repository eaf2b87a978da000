#include "metrics_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>

#include "pass_snapshot.h"
#include "reading_resolution.h"
#include "snapshot_text.h"
#include "utf8_text.h"

#ifndef VORN_VERSION
#define VORN_VERSION "unknown"
#endif

namespace {

const char* ProblemLabel(EStartProblem problem) {
    switch (problem) {
        case EStartProblem::None:
            return "none";
        case EStartProblem::ChipUnreachable:
            return "chip_unreachable";
        case EStartProblem::NoSensors:
            return "no_sensors";
        case EStartProblem::BoardFileIncomplete:
            return "board_file_incomplete";
        case EStartProblem::UnknownPin:
            return "unknown_pin";
        case EStartProblem::SettingsRefused:
            return "settings_refused";
        case EStartProblem::SettingsNotSaved:
            return "settings_not_saved";
    }
    return "unknown";
}

// Families are written one after another, each with its samples together; a family without
// samples leaves no lines at all.
class CExposition {
  public:
    void Begin(const char* name, const char* type, const char* help) {
        m_name = name;
        m_type = type;
        m_help = help;
        m_headed = false;
    }
    void Add(const std::string& labels, double value) {
        if (!m_headed) {
            m_text += std::string("# HELP ") + m_name + " " + m_help + "\n# TYPE " + m_name + " " +
                      m_type + "\n";
            m_headed = true;
        }
        m_text += m_name;
        if (!labels.empty())
            m_text += '{' + labels + '}';
        m_text += ' ' + MetricsNumber(value) + '\n';
    }
    std::string Take() { return std::move(m_text); }

  private:
    std::string m_text;
    const char* m_name = "";
    const char* m_type = "";
    const char* m_help = "";
    bool m_headed = false;
};

using ItemValue = std::function<std::optional<double>(const SItemSnapshot&)>;

struct SItemFamily {
    const char* name;
    const char* type;
    const char* help;
    int32_t itemType;  // 0: every item
    ItemValue value;
};

std::optional<double> Flag(bool on) {
    return on ? 1.0 : 0.0;
}

// A hwmon sensor's reading is as fine as the kernel's thousandths (millivolts, millidegrees),
// the chip's as fine as the chip tells them apart.
double AtResolution(const SItemSnapshot& item, double value) {
    if (item.deviceId.empty() || !std::isfinite(value))
        return AtChipResolution(item.type, value);
    return std::round(value * 1000) / 1000;
}

// A reading is there once the item has been read; a stale one stays, flagged by
// vornpilot_sensor_stale, as the table and the JSON line keep showing it.
std::optional<double> Reading(const SItemSnapshot& i) {
    if (!i.enabled || !i.EverRead())
        return std::nullopt;
    return AtResolution(i, i.value);
}

// Limits of an item without a pin were never read from or written to the chip.
std::optional<double> Limit(const SItemSnapshot& i, double limit) {
    if (!i.bound)
        return std::nullopt;
    return AtResolution(i, limit);
}

const SItemFamily ITEM_FAMILIES[] = {
    {"vornpilot_voltage_volts", "gauge", "Last reading of a voltage input, in volts.", ITEM_VOLTAGE,
     Reading},
    {"vornpilot_voltage_min_volts", "gauge",
     "Low limit of a voltage input programmed into the chip, in volts.", ITEM_VOLTAGE,
     [](const SItemSnapshot& i) { return Limit(i, i.loLimit); }},
    {"vornpilot_voltage_max_volts", "gauge",
     "High limit of a voltage input programmed into the chip, in volts.", ITEM_VOLTAGE,
     [](const SItemSnapshot& i) { return Limit(i, i.hiLimit); }},
    {"vornpilot_temperature_celsius", "gauge",
     "Last reading of a temperature input, in degrees Celsius.", ITEM_TEMPERATURE, Reading},
    {"vornpilot_temperature_max_celsius", "gauge",
     "Over-temperature limit programmed into the chip, in degrees Celsius.", ITEM_TEMPERATURE,
     [](const SItemSnapshot& i) { return Limit(i, i.hiLimit); }},
    {"vornpilot_temperature_max_hysteresis_celsius", "gauge",
     "Temperature below which the chip clears an over-temperature alarm, in degrees Celsius.",
     ITEM_TEMPERATURE, [](const SItemSnapshot& i) { return Limit(i, i.loLimit); }},
    {"vornpilot_fan_rpm", "gauge", "Last reading of a fan input, in revolutions per minute.",
     ITEM_FAN, Reading},
    {"vornpilot_fan_min_rpm", "gauge",
     "Low limit of a fan input programmed into the chip, in revolutions per minute.", ITEM_FAN,
     [](const SItemSnapshot& i) { return Limit(i, i.loLimit); }},
    {"vornpilot_sensor_enabled", "gauge", "1 when the item is monitored, 0 when disabled.", 0,
     [](const SItemSnapshot& i) { return Flag(i.enabled); }},
    {"vornpilot_sensor_alarm", "gauge",
     "1 while the item is enabled and the chip reports it outside its limits (the monitor's "
     "Warning), else 0.",
     0, [](const SItemSnapshot& i) { return Flag(i.enabled && i.alarm); }},
    {"vornpilot_sensor_beep_enabled", "gauge",
     "1 when the chip beeps for this item's alarm (with the global beep on), else 0.", 0,
     [](const SItemSnapshot& i) { return Flag(i.beepEnable); }},
    {"vornpilot_sensor_shutdown_enabled", "gauge",
     "1 when an alarm of this item lasting 20 seconds powers the computer off, else 0.", 0,
     [](const SItemSnapshot& i) { return Flag(i.shutdownEnable); }},
    {"vornpilot_sensor_stale", "gauge",
     "1 when the item is enabled and the last pass did not read both its value and its alarm.", 0,
     [](const SItemSnapshot& i) { return Flag(i.stale); }},
    {"vornpilot_sensor_last_read_timestamp_seconds", "gauge",
     "When the item's value was last read, in seconds since the Unix epoch.", 0,
     [](const SItemSnapshot& i) -> std::optional<double> {
         if (!i.EverRead())
             return std::nullopt;
         return static_cast<double>(i.lastReadUnixMs) / 1000.0;
     }},
    {"vornpilot_sensor_power_off_countdown_seconds", "gauge",
     "Seconds left before the monitor powers the computer off for this item's alarm; present "
     "only while the countdown runs.",
     0,
     [](const SItemSnapshot& i) -> std::optional<double> {
         if (i.powerOffIn < 0)
             return std::nullopt;
         return i.powerOffIn;
     }},
};

std::string ItemLabels(const SItemSnapshot& item) {
    return "item=\"" + std::to_string(item.itemNo) + "\",name=\"" + MetricsLabelValue(item.name) +
           "\",type=\"" + ItemTypeName(item.type) + "\",pin=\"" + MetricsLabelValue(item.pin) +
           "\",chip=\"" + MetricsLabelValue(MetricsChipLabel(item)) + "\",sensor=\"" +
           MetricsLabelValue(item.sensor) + "\"";
}

void AddBuildInfo(CExposition& out) {
    out.Begin("vornpilot_build_info", "gauge",
              "Always 1; the version of the monitor in the label.");
    out.Add("version=\"" + MetricsLabelValue(MetricsBuildVersion()) + "\"", 1);
}

void AddPass(CExposition& out, const SPassSnapshot& pass) {
    out.Begin("vornpilot_chip_up", "gauge",
              "1 when the chip answered in the last pass (its alarm flags or a reading), else 0.");
    out.Add("", pass.chipAnswered ? 1 : 0);
    out.Begin("vornpilot_chip_path", "gauge",
              "Always 1; the way to the chip in the label: kernel (its hwmon driver), raw "
              "(ports through vorn-iod), or none when no item reads the chip.");
    out.Add("path=\"" + MetricsLabelValue(pass.chipUsed ? pass.chipPath : "none") + "\"", 1);
    out.Begin("vornpilot_chip_status_read", "gauge",
              "1 when the last pass read the chip's alarm flags, else 0.");
    out.Add("", pass.statusRead ? 1 : 0);
    out.Begin("vornpilot_global_beep_enabled", "gauge",
              "1 when the chip's global beep is on, 0 when off; absent until the settings "
              "reached the chip.");
    if (pass.globalBeep)
        out.Add("", *pass.globalBeep ? 1 : 0);
    out.Begin("vornpilot_last_pass_timestamp_seconds", "gauge",
              "When the last pass began, in seconds since the Unix epoch.");
    out.Add("", static_cast<double>(pass.unixTimeMs) / 1000.0);
    out.Begin("vornpilot_pass_duration_seconds", "gauge",
              "How long the last pass took, chip reads and status update, in seconds.");
    out.Add("", static_cast<double>(pass.durationNs) / 1e9);

    const SPassCounts& c = pass.counts;
    const struct {
        const char* name;
        const char* help;
        uint64_t value;
    } counters[] = {
        {"vornpilot_passes_total", "Monitoring passes since the monitor started.", c.passes},
        {"vornpilot_pass_failures_total", "Passes in which the chip answered nothing.",
         c.passesWithoutChip},
        {"vornpilot_status_read_failures_total",
         "Passes that could not read the chip's alarm flags.", c.statusReadFailures},
        {"vornpilot_sensor_read_failures_total",
         "Readings of enabled items that a pass could not make.", c.itemReadFailures},
        {"vornpilot_engine_starts_total",
         "Start-ups of the monitoring engine, retries after an unreachable chip included.",
         c.engineStarts},
    };
    for (const auto& counter : counters) {
        out.Begin(counter.name, "counter", counter.help);
        out.Add("", static_cast<double>(counter.value));
    }

    out.Begin("vornpilot_start_problem", "gauge",
              "1 for the problem the monitor met at start (problem=\"none\" when it met none), "
              "0 for the others.");
    const EStartProblem problems[] = {
        EStartProblem::None,
        EStartProblem::ChipUnreachable,
        EStartProblem::NoSensors,
        EStartProblem::BoardFileIncomplete,
        EStartProblem::UnknownPin,
        EStartProblem::SettingsRefused,
        EStartProblem::SettingsNotSaved,
    };
    for (EStartProblem p : problems)
        out.Add(std::string("problem=\"") + ProblemLabel(p) + "\"", p == pass.startProblem);
}

}  // namespace

std::string MetricsLabelValue(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : ValidUtf8(text)) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string MetricsChipLabel(const SItemSnapshot& item) {
    // The chip's own pins read as its kernel driver's device at the board's address would.
    std::string id = item.deviceId;
    if (id.empty())
        id = item.device.empty() ? std::string() : "devices/platform/" + item.device + ".656";
    if (id.rfind("devices/", 0) == 0)
        id.erase(0, 8);
    for (char& c : id) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        else if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ':' || c == '_'))
            c = '_';
    }
    return id;
}

std::string MetricsNumber(double value) {
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "+Inf" : "-Inf";
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof(buf), value);
    return ec == std::errc() ? std::string(buf, end) : "NaN";
}

const char* MetricsBuildVersion() {
    return VORN_VERSION;
}

std::string MetricsText(const SPassSnapshot* pass) {
    CExposition out;
    if (pass != nullptr) {
        std::vector<std::string> labels;
        labels.reserve(pass->items.size());
        for (const SItemSnapshot& item : pass->items)
            labels.push_back(ItemLabels(item));
        for (const SItemFamily& family : ITEM_FAMILIES) {
            out.Begin(family.name, family.type, family.help);
            for (size_t k = 0; k < pass->items.size(); ++k) {
                const SItemSnapshot& item = pass->items[k];
                if (!item.available || (family.itemType != 0 && item.type != family.itemType))
                    continue;
                if (std::optional<double> v = family.value(item))
                    out.Add(labels[k], *v);
            }
        }
        AddPass(out, *pass);
    }
    AddBuildInfo(out);
    return out.Take();
}
