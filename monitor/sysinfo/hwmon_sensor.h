#pragma once
// What the kernel's hwmon devices offer: devices, their voltage, temperature and fan channels,
// and one reading of a channel, in volts, degrees Celsius and rpm.

#include <optional>
#include <string>
#include <vector>

enum class EHwmonKind { Voltage, Temperature, Fan };

// One inN, tempN or fanN channel of a device. Attribute paths are found once, when the device
// is scanned, so a reading never lists a directory; "" where the kernel offers no such file.
struct SHwmonChannel {
    EHwmonKind Kind = EHwmonKind::Voltage;
    int Index = 0;        // the N of inN, tempN, fanN
    std::string Channel;  // "in3", "temp1", "fan2"
    std::string Label;    // from *_label; "" when there is none
    // "k10temp Tctl", "nct6798 fan2"; unique on the machine: "nvme0 Composite" and "nvme1
    // Composite" for two drives, "acpitz temp1" and "acpitz temp1 (2)" where the identities'
    // last components do not tell the devices apart (hwmon_scan.h)
    std::string DisplayName;
    std::string InputPath;
    std::string MinPath;
    std::string MaxPath;
    std::string LcritPath;
    std::string CritPath;
    std::vector<std::string> AlarmPaths;  // *_alarm, *_min_alarm, *_max_alarm, ...
};

struct SHwmonDevice {
    std::string Name;  // the "name" attribute: "coretemp", "nvme"
    // Stable across boots: the device's sysfs path below the root ("devices/pci0000:00/
    // 0000:00:18.3"); for a device without one (a virtual device such as acpitz on some
    // kernels), "virtual/<name>/<k>" with k counting same-named virtual devices from 0.
    std::string Identity;
    std::string Directory;  // where its attributes lie
    std::vector<SHwmonChannel> Channels;
};

// One channel's values in volts, degrees Celsius or rpm, as the kernel gives them: a value that
// makes no sense (an open input at -128 degrees) is kept as read.
struct SHwmonReading {
    int Error = 0;  // 0 when the input was read, else why not (an errno value)
    double Input = 0;
    std::optional<double> Min;
    std::optional<double> Max;
    std::optional<double> Lcrit;
    std::optional<double> Crit;
    std::optional<bool> Alarm;  // any of the channel's alarm files set; none when there are none
};

const char* HwmonKindText(EHwmonKind kind);  // "voltage", "temperature", "fan"
const char* HwmonUnit(EHwmonKind kind);      // "V", "°C", "rpm"
