// The exposition of a pass: read back sample by sample against the snapshot it was made from,
// and checked by Prometheus' own promtool.

#include "metrics_text.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <fstream>

#include "exposition_parser.h"
#include "pass_snapshot.h"
#include "run_program.h"
#include "temp_dir.h"

namespace {

constexpr const char* PROMTOOL = "/usr/bin/promtool";

SItemSnapshot Item(int no, std::string name, int type, std::string pin, double value, double hi,
                   double lo) {
    SItemSnapshot i;
    i.itemNo = no;
    i.name = std::move(name);
    i.type = type;
    i.pin = std::move(pin);
    i.value = value;
    i.hiLimit = hi;
    i.loLimit = lo;
    i.enabled = true;
    i.lastReadUnixMs = 1'700'000'000'250;
    return i;
}

// One item of every kind the exposition treats apart.
SPassSnapshot Pass() {
    SPassSnapshot p;
    p.pass = 42;
    p.unixTimeMs = 1'700'000'000'250;
    p.durationNs = 6'500'000;
    p.chipAnswered = true;
    p.statusRead = true;
    p.globalBeep = true;
    p.startProblem = EStartProblem::UnknownPin;
    p.counts = {42, 1, 2, 3, 1};

    // Float readings and limits, as a pass gives them.
    p.items.push_back(
        Item(1, "CPU Core", ITEM_VOLTAGE, "VCORE", 1.351999935783449, 1.5, 1.2000000476837158));
    SItemSnapshot cpu = Item(11, "CPU", ITEM_TEMPERATURE, "CPUTEMPERATURE", 82.5, 70, 65);
    cpu.alarm = cpu.beepEnable = cpu.shutdownEnable = true;
    cpu.powerOffIn = 14;
    p.items.push_back(cpu);
    SItemSnapshot fan = Item(14, "CPU Fan", ITEM_FAN, "CPUFAN0", 3183, 800, 800);
    fan.stale = true;
    fan.lastReadUnixMs = 1'700'000'000'000 - 1750;
    p.items.push_back(fan);
    SItemSnapshot off = Item(5, "+5V", ITEM_VOLTAGE, "VIN1", 0, 5.5, 4.5);
    off.enabled = false;
    off.alarm = true;  // the chip's bit of an item the monitor does not watch
    off.lastReadUnixMs = 0;
    p.items.push_back(off);
    SItemSnapshot second = Item(17, "CPU2 Fan", ITEM_FAN, "CPUFAN1", 1600, 800, 800);
    second.available = false;
    p.items.push_back(second);
    SItemSnapshot unbound = Item(9, "Odd", ITEM_VOLTAGE, "NOPIN", 0, 2, 1);
    unbound.bound = false;
    unbound.device = "w83627ehf";  // a pin of no channel
    unbound.lastReadUnixMs = 0;
    p.items.push_back(unbound);
    p.items.push_back(
        Item(12, "Say \"hi\" \\ now\nthen \xFF", ITEM_TEMPERATURE, "AUXTEMPERATURE", -0.5, 60, 55));
    p.items.push_back(Item(20, "Other", 4, "X", 7, 0, 0));
    p.items[0].device = "w83627ehf";
    p.items[0].sensor = "in0";
    // A hwmon sensor: the kernel's thousandths, not the chip's steps.
    SItemSnapshot tctl = Item(21, "k10temp Tctl", ITEM_TEMPERATURE,
                              "hwmon:devices/pci0000:00/0000:00:18.3/temp1", 45.125, 95, 0);
    tctl.device = "k10temp";
    tctl.deviceId = "devices/pci0000:00/0000:00:18.3";
    tctl.sensor = "temp1";
    p.items.push_back(tctl);
    SItemSnapshot acpi =
        Item(22, "acpitz temp1 (2)", ITEM_TEMPERATURE, "hwmon:virtual/acpitz/1/temp1", 46, 128, 0);
    acpi.device = "acpitz";
    acpi.deviceId = "virtual/acpitz/1";
    acpi.sensor = "temp1";
    p.items.push_back(acpi);
    return p;
}

SExposition Parsed(const std::string& text) {
    SExposition e;
    std::string error;
    EXPECT_TRUE(ParseExposition(text, &e, &error)) << error << "\n" << text;
    return e;
}

TEST(MetricsText, ReadsBackAsTheSnapshot) {
    const SPassSnapshot pass = Pass();
    const SExposition e = Parsed(MetricsText(&pass));
    const std::optional<double> NONE;
    struct Case {
        const char* metric;
        std::string pin;  // "" for a series of the pass
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"vornpilot_voltage_volts", "VCORE", 1.352},  // at the chip's resolution
        {"vornpilot_voltage_min_volts", "VCORE", 1.2},
        {"vornpilot_voltage_max_volts", "VCORE", 1.5},
        {"vornpilot_sensor_alarm", "VCORE", 0},
        {"vornpilot_sensor_stale", "VCORE", 0},
        {"vornpilot_sensor_power_off_countdown_seconds", "VCORE", NONE},
        {"vornpilot_temperature_celsius", "CPUTEMPERATURE", 82.5},
        {"vornpilot_temperature_max_celsius", "CPUTEMPERATURE", 70},
        {"vornpilot_temperature_max_hysteresis_celsius", "CPUTEMPERATURE", 65},
        {"vornpilot_sensor_alarm", "CPUTEMPERATURE", 1},
        {"vornpilot_sensor_beep_enabled", "CPUTEMPERATURE", 1},
        {"vornpilot_sensor_shutdown_enabled", "CPUTEMPERATURE", 1},
        {"vornpilot_sensor_power_off_countdown_seconds", "CPUTEMPERATURE", 14},
        {"vornpilot_sensor_last_read_timestamp_seconds", "CPUTEMPERATURE", 1'700'000'000.25},
        {"vornpilot_fan_rpm", "CPUFAN0", 3183},  // stale, still the last reading
        {"vornpilot_fan_min_rpm", "CPUFAN0", 800},
        {"vornpilot_sensor_stale", "CPUFAN0", 1},
        {"vornpilot_sensor_last_read_timestamp_seconds", "CPUFAN0", 1'699'999'998.25},
        {"vornpilot_voltage_volts", "VIN1", NONE},  // disabled: not read
        {"vornpilot_voltage_min_volts", "VIN1", 4.5},
        {"vornpilot_sensor_enabled", "VIN1", 0},
        {"vornpilot_sensor_alarm", "VIN1", 0},
        {"vornpilot_sensor_last_read_timestamp_seconds", "VIN1", NONE},
        {"vornpilot_fan_rpm", "CPUFAN1", NONE},  // a processor the machine does not have
        {"vornpilot_sensor_enabled", "CPUFAN1", NONE},
        {"vornpilot_voltage_volts", "NOPIN", NONE},
        {"vornpilot_voltage_max_volts", "NOPIN", NONE},
        {"vornpilot_sensor_enabled", "NOPIN", 1},
        {"vornpilot_temperature_celsius", "AUXTEMPERATURE", -0.5},
        {"vornpilot_sensor_enabled", "X", 1},
        {"vornpilot_temperature_celsius", "hwmon:devices/pci0000:00/0000:00:18.3/temp1", 45.125},
        {"vornpilot_chip_up", "", 1},
        {"vornpilot_chip_status_read", "", 1},
        {"vornpilot_global_beep_enabled", "", 1},
        {"vornpilot_last_pass_timestamp_seconds", "", 1'700'000'000.25},
        {"vornpilot_pass_duration_seconds", "", 0.0065},
        {"vornpilot_passes_total", "", 42},
        {"vornpilot_pass_failures_total", "", 1},
        {"vornpilot_status_read_failures_total", "", 2},
        {"vornpilot_sensor_read_failures_total", "", 3},
        {"vornpilot_engine_starts_total", "", 1},
    };
    for (const Case& c : cases) {
        std::map<std::string, std::string> match;
        if (!c.pin.empty())
            match["pin"] = c.pin;
        EXPECT_EQ(e.Value(c.metric, match), c.expected) << c.metric << " " << c.pin;
    }

    EXPECT_EQ(e.Value("vornpilot_start_problem", {{"problem", "unknown_pin"}}), 1);
    EXPECT_EQ(e.Count("vornpilot_start_problem"), 7u) << "one series per problem";
    EXPECT_EQ(e.Value("vornpilot_start_problem"), std::nullopt) << "only one is 1";
    EXPECT_EQ(e.Value("vornpilot_build_info", {{"version", MetricsBuildVersion()}}), 1);
    EXPECT_EQ(e.Count("vornpilot_sensor_enabled"), 9u) << "all but the missing processor's";
    EXPECT_EQ(e.Count("vornpilot_fan_rpm"), 1u);

    // Labels read back as the item's own texts; invalid UTF-8 becomes U+FFFD.
    EXPECT_EQ(
        e.Value("vornpilot_temperature_celsius", {{"item", "12"},
                                                  {"name", "Say \"hi\" \\ now\nthen \xEF\xBF\xBD"},
                                                  {"type", "temperature"}}),
        -0.5);
    for (const SSample& s : e.samples) {
        if (s.labels.count("pin")) {
            EXPECT_EQ(s.labels.size(), 6u) << s.name;
        }
    }
    // chip and sensor as node_exporter's hwmon collector names them.
    const struct {
        const char* pin;
        const char* chip;
        const char* sensor;
    } sensors[] = {
        {"VCORE", "platform_w83627ehf_656", "in0"},
        {"hwmon:devices/pci0000:00/0000:00:18.3/temp1", "pci0000:00_0000:00:18_3", "temp1"},
        {"hwmon:virtual/acpitz/1/temp1", "virtual_acpitz_1", "temp1"},
        {"NOPIN", "platform_w83627ehf_656", ""},
    };
    for (const auto& c : sensors) {
        EXPECT_EQ(e.Value("vornpilot_sensor_enabled",
                          {{"pin", c.pin}, {"chip", c.chip}, {"sensor", c.sensor}}),
                  1)
            << c.pin;
    }
    EXPECT_EQ(e.Value("vornpilot_chip_path", {{"path", "raw"}}), 1);
    for (const auto& [family, type] : e.types) {
        EXPECT_EQ(type, family.size() > 6 && family.ends_with("_total") ? "counter" : "gauge")
            << family;
    }
}

TEST(MetricsText, WhatIsUnknownIsLeftOut) {
    SPassSnapshot pass = Pass();
    pass.globalBeep.reset();
    pass.chipAnswered = pass.statusRead = false;
    SExposition e = Parsed(MetricsText(&pass));
    EXPECT_EQ(e.Count("vornpilot_global_beep_enabled"), 0u);
    EXPECT_EQ(e.helps.count("vornpilot_global_beep_enabled"), 0u) << "no family without samples";
    EXPECT_EQ(e.Value("vornpilot_chip_up"), 0);
    // No item reads the chip: no way to it is claimed.
    pass.chipUsed = false;
    e = Parsed(MetricsText(&pass));
    EXPECT_EQ(e.Value("vornpilot_chip_path", {{"path", "none"}}), 1);
    EXPECT_EQ(e.Count("vornpilot_chip_path"), 1u);

    e = Parsed(MetricsText(nullptr));
    ASSERT_EQ(e.samples.size(), 1u) << "before the first pass: the build only";
    EXPECT_EQ(e.samples[0].name, "vornpilot_build_info");
}

TEST(MetricsText, Numbers) {
    EXPECT_EQ(MetricsNumber(82.5), "82.5");
    EXPECT_EQ(MetricsNumber(-12), "-12");
    const double thousandths = 12600 * static_cast<double>(0.001f);
    EXPECT_EQ(std::stod(MetricsNumber(thousandths)), thousandths) << "reads back exactly";
    EXPECT_EQ(MetricsNumber(std::nan("")), "NaN");
    EXPECT_EQ(MetricsNumber(HUGE_VAL), "+Inf");
    EXPECT_EQ(MetricsNumber(-HUGE_VAL), "-Inf");
}

TEST(MetricsText, PromtoolFindsNothingToComplainAbout) {
    if (::access(PROMTOOL, X_OK) != 0)
        GTEST_SKIP() << PROMTOOL << " is missing: install Debian's prometheus package";
    CTempDir dir;
    const SPassSnapshot pass = Pass();
    for (const std::string& text : {MetricsText(&pass), MetricsText(nullptr)}) {
        ASSERT_TRUE(dir.WriteFile("metrics.prom", text));
        ProgramResult r = RunProgram(
            {"/bin/sh", "-c",
             std::string(PROMTOOL) + " check metrics < " + dir.PathOf("metrics.prom") + " 2>&1"});
        EXPECT_EQ(r.exitCode, 0) << r.out;
        EXPECT_EQ(r.out, "");
    }
    // The alert rules shipped as an example.
    ProgramResult r = RunProgram({PROMTOOL, "check", "rules", VORN_ALERT_RULES});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
}

}  // namespace
