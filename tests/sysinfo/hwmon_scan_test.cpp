// The machine's hwmon devices as a scan finds them and a reading reads them, on sysfs trees of
// typical machines written from the kernel's hwmon interface.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>

#include "hwmon_pin.h"
#include "hwmon_read.h"
#include "hwmon_scan.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::string Machine(const std::string& name) {
    return std::string(VORN_TEST_DATA_DIR) + "/hwmon/" + name;
}

const SHwmonChannel* FindChannel(const std::vector<SHwmonDevice>& devices,
                                 const std::string& identity, const std::string& channel,
                                 size_t* device = nullptr) {
    for (size_t d = 0; d < devices.size(); ++d) {
        if (devices[d].Identity != identity)
            continue;
        for (const auto& c : devices[d].Channels) {
            if (c.Channel == channel) {
                if (device != nullptr)
                    *device = d;
                return &c;
            }
        }
    }
    return nullptr;
}

TEST(HwmonScan, TypicalMachines) {
    struct Case {
        const char* machine;
        std::vector<std::pair<std::string, std::string>> devices;  // name, identity
        size_t channels;
        std::vector<std::pair<std::string, std::string>> names;  // "identity/channel", display
    };
    const Case cases[] = {
        {"intel_desktop",
         {{"acpitz", "virtual/acpitz/0"},
          {"coretemp", "devices/platform/coretemp.0"},
          {"nvme", "devices/pci0000:00/0000:00:1b.0/0000:02:00.0/nvme/nvme0"},
          {"nct6798", "devices/platform/nct6775.656"}},
         1 + 7 + 3 + 15 + 7 + 7,
         {{"devices/platform/coretemp.0/temp1", "coretemp Package id 0"},
          {"devices/pci0000:00/0000:00:1b.0/0000:02:00.0/nvme/nvme0/temp1", "nvme Composite"},
          {"devices/platform/nct6775.656/fan2", "nct6798 fan2"},
          {"devices/platform/nct6775.656/in10", "nct6798 in10"},
          {"virtual/acpitz/0/temp1", "acpitz temp1"}}},
        {"amd_desktop",
         {{"nvme", "devices/pci0000:00/0000:00:01.2/0000:01:00.0/nvme/nvme0"},
          {"k10temp", "devices/pci0000:00/0000:00:18.3"},
          {"it8688", "devices/platform/it87.2624"},
          {"amdgpu", "devices/pci0000:00/0000:00:03.1/0000:09:00.0"}},
         3 + 3 + 10 + 3 + 5 + 5,
         {{"devices/pci0000:00/0000:00:18.3/temp1", "k10temp Tctl"},
          {"devices/platform/it87.2624/in7", "it8688 3VSB"},
          {"devices/pci0000:00/0000:00:03.1/0000:09:00.0/temp2", "amdgpu junction"}}},
        {"laptop",
         {{"acpitz", "virtual/acpitz/0"},
          {"BAT0", "devices/LNXSYSTM:00/LNXSYBUS:00/PNP0C0A:00/power_supply/BAT0"},
          {"coretemp", "devices/platform/coretemp.0"},
          {"acpitz", "virtual/acpitz/1"},
          {"thinkpad", "devices/platform/thinkpad_hwmon"}},
         1 + 1 + 3 + 1 + 6,
         {{"devices/platform/thinkpad_hwmon/fan1", "thinkpad fan1"},
          {"virtual/acpitz/0/temp1", "acpitz temp1"},
          {"virtual/acpitz/1/temp1", "acpitz temp1 (2)"}}},
        {"vm", {}, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.machine);
        const auto devices = ScanHwmonDevices(Machine(c.machine));
        ASSERT_EQ(devices.size(), c.devices.size());
        size_t channels = 0;
        for (size_t d = 0; d < devices.size(); ++d) {
            EXPECT_EQ(devices[d].Name, c.devices[d].first);
            EXPECT_EQ(devices[d].Identity, c.devices[d].second);
            channels += devices[d].Channels.size();
        }
        EXPECT_EQ(channels, c.channels);
        std::set<std::string> unique;
        for (const auto& d : devices) {
            for (const auto& ch : d.Channels)
                EXPECT_TRUE(unique.insert(ch.DisplayName).second) << ch.DisplayName;
        }
        for (const auto& [pin, display] : c.names) {
            const auto parsed = ParseHwmonPin(HWMON_PIN_PREFIX + pin);
            ASSERT_TRUE(parsed) << pin;
            const SHwmonChannel* ch = FindChannel(devices, parsed->Identity, parsed->Channel);
            ASSERT_NE(ch, nullptr) << pin;
            EXPECT_EQ(ch->DisplayName, display);
        }
    }
}

// Channels come voltages first, then temperatures, then fans, each by number: in10 after in9.
TEST(HwmonScan, ChannelOrder) {
    const auto devices = ScanHwmonDevices(Machine("intel_desktop"));
    ASSERT_EQ(devices.size(), 4u);
    std::vector<std::string> order;
    for (const auto& c : devices[3].Channels)
        order.push_back(c.Channel);
    ASSERT_EQ(order.size(), 29u);
    EXPECT_EQ(order[9], "in9");
    EXPECT_EQ(order[10], "in10");
    EXPECT_EQ(order[15], "temp1");
    EXPECT_EQ(order[22], "fan1");
}

TEST(HwmonRead, ValuesInVoltsDegreesAndRpm) {
    struct Case {
        const char* machine;
        const char* pin;
        double input;
        std::optional<double> min, max, crit;
        std::optional<bool> alarm;
    };
    const Case cases[] = {
        {"intel_desktop", "devices/platform/nct6775.656/in0", 1.104, 0.0, 1.744, {}, false},
        {"intel_desktop", "devices/platform/coretemp.0/temp1", 42.0, {}, 80.0, 100.0, false},
        {"intel_desktop", "devices/platform/nct6775.656/fan1", 1120, 0.0, {}, {}, false},
        // An open input reads nonsense; it is shown as read.
        {"intel_desktop", "devices/platform/nct6775.656/temp4", -62.0, {}, 80.0, {}, {}},
        {"amd_desktop", "devices/platform/it87.2624/temp3", -128.0, -128.0, 127.0, {}, false},
        {"amd_desktop", "devices/platform/it87.2624/fan2", 0, 0.0, {}, {}, true},
        {"amd_desktop", "devices/pci0000:00/0000:00:18.3/temp1", 45.25, {}, {}, {}, {}},
        {"laptop",
         "devices/LNXSYSTM:00/LNXSYBUS:00/PNP0C0A:00/power_supply/BAT0/in0",
         12.316,
         {},
         {},
         {},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pin);
        const auto devices = ScanHwmonDevices(Machine(c.machine));
        const auto pin = ParseHwmonPin(HWMON_PIN_PREFIX + std::string(c.pin));
        ASSERT_TRUE(pin);
        const SHwmonChannel* ch = FindChannel(devices, pin->Identity, pin->Channel);
        ASSERT_NE(ch, nullptr);
        const SHwmonReading r = ReadHwmonChannel(*ch);
        ASSERT_EQ(r.Error, 0);
        EXPECT_DOUBLE_EQ(r.Input, c.input);
        EXPECT_EQ(r.Min, c.min);
        EXPECT_EQ(r.Max, c.max);
        EXPECT_EQ(r.Crit, c.crit);
        EXPECT_EQ(r.Alarm, c.alarm);
    }
}

// A copy of a machine's tree that a test may spoil.
class HwmonFaults : public testing::Test {
  protected:
    void SetUp() override { Copy("machine"); }
    // A fresh copy in `sub`, scanned.
    void Copy(const std::string& sub) {
        root = dir.PathOf(sub);
        fs::copy(Machine("intel_desktop"), root,
                 fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        devices = ScanHwmonDevices(root);
        ASSERT_EQ(devices.size(), 4u);
    }
    std::string Attribute(size_t device, const std::string& file) const {
        return devices[device].Directory + "/" + file;
    }
    CTempDir dir;
    std::string root;
    std::vector<SHwmonDevice> devices;
};

TEST_F(HwmonFaults, AFailedInputFailsItsChannelAlone) {
    struct Case {
        const char* what;
        std::function<void(const std::string& path)> spoil;
        int error;
    };
    const Case cases[] = {
        {"vanished", [](const std::string& p) { fs::remove(p); }, ENOENT},
        {"no data", [](const std::string& p) { std::ofstream(p, std::ios::trunc); }, ENODATA},
        {"not a number", [](const std::string& p) { std::ofstream(p) << "N/A\n"; }, EINVAL},
        {"cannot be read",
         [](const std::string& p) {
             fs::remove(p);
             fs::create_directory(p);
         },
         EISDIR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Copy(c.what);
        c.spoil(Attribute(3, "in2_input"));
        const auto readings = ReadHwmonDevices(devices);
        ASSERT_EQ(readings[3].size(), devices[3].Channels.size());
        for (size_t i = 0; i < readings[3].size(); ++i) {
            const bool spoilt = devices[3].Channels[i].Channel == "in2";
            EXPECT_EQ(readings[3][i].Error, spoilt ? c.error : 0) << devices[3].Channels[i].Channel;
        }
        EXPECT_EQ(readings[1][0].Error, 0);
    }
}

TEST_F(HwmonFaults, AnUnreadableLimitIsAbsentAndTheInputStillReads) {
    fs::remove(Attribute(3, "in0_max"));
    fs::remove(Attribute(3, "in0_alarm"));
    const SHwmonReading r = ReadHwmonChannel(devices[3].Channels[0]);
    EXPECT_EQ(r.Error, 0);
    EXPECT_DOUBLE_EQ(r.Input, 1.104);
    EXPECT_EQ(r.Min, 0.0);
    EXPECT_FALSE(r.Max);
    EXPECT_FALSE(r.Alarm);
}

// A device unplugged between two readings: its channels fail, the others read on, and the
// next scan no longer lists it.
TEST_F(HwmonFaults, HotUnplug) {
    fs::remove_all(root + "/devices/pci0000:00/0000:00:1b.0/0000:02:00.0/nvme/nvme0/hwmon");
    const auto readings = ReadHwmonDevices(devices);
    for (const auto& r : readings[2])
        EXPECT_EQ(r.Error, ENOENT);
    for (size_t d : {0u, 1u, 3u}) {
        for (const auto& r : readings[d])
            EXPECT_EQ(r.Error, 0);
    }
    const auto after = ScanHwmonDevices(root);
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[2].Name, "nct6798");
    EXPECT_EQ(after[2].Identity, devices[3].Identity) << "identity does not follow hwmonN";
}

// Two drives of one kind get names told apart by their identities, and a device keeps its names
// when the kernel numbers the hwmon devices otherwise at the next boot.
TEST_F(HwmonFaults, NamesAreUniqueAndFollowTheDevice) {
    const std::string nvme = "devices/pci0000:00/0000:00:1b.0/0000:02:00.0/nvme/nvme0";
    const std::string second = "devices/pci0000:00/0000:00:1d.0/0000:03:00.0/nvme/nvme1";
    fs::create_directories(root + "/" + second);
    fs::copy(root + "/" + nvme + "/hwmon", root + "/" + second + "/hwmon",
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fs::rename(root + "/" + second + "/hwmon/hwmon2", root + "/" + second + "/hwmon/hwmon4");
    fs::remove(root + "/" + second + "/hwmon/hwmon4/device");
    fs::create_directory_symlink("../../../nvme1", root + "/" + second + "/hwmon/hwmon4/device");
    fs::create_directory_symlink("../../" + second + "/hwmon/hwmon4", root + "/class/hwmon/hwmon4");

    auto names = [](const std::vector<SHwmonDevice>& scanned) {
        std::map<std::string, std::string> byPin;
        for (const auto& d : scanned) {
            for (const auto& c : d.Channels)
                byPin[d.Identity + "/" + c.Channel] = c.DisplayName;
        }
        return byPin;
    };
    const auto before = names(ScanHwmonDevices(root));
    const std::pair<std::string, std::string> expected[] = {
        {nvme + "/temp1", "nvme0 Composite"},
        {second + "/temp1", "nvme1 Composite"},
        {second + "/temp2", "nvme1 Sensor 1"},
        {"devices/platform/coretemp.0/temp1", "coretemp Package id 0"},
    };
    for (const auto& [pin, name] : expected)
        EXPECT_EQ(before.at(pin), name) << pin;

    // The next boot: the two drives' hwmon numbers swapped.
    fs::remove(root + "/class/hwmon/hwmon2");
    fs::remove(root + "/class/hwmon/hwmon4");
    fs::create_directory_symlink("../../" + nvme + "/hwmon/hwmon2", root + "/class/hwmon/hwmon4");
    fs::create_directory_symlink("../../" + second + "/hwmon/hwmon4", root + "/class/hwmon/hwmon2");
    EXPECT_EQ(names(ScanHwmonDevices(root)), before);
}

TEST(HwmonPin, Names) {
    struct Case {
        const char* name;
        bool ok;
        const char* identity;
        const char* channel;
        EHwmonKind kind;
    };
    const Case cases[] = {
        {"hwmon:devices/platform/nct6775.656/in12", true, "devices/platform/nct6775.656", "in12",
         EHwmonKind::Voltage},
        {"hwmon:virtual/acpitz/1/temp1", true, "virtual/acpitz/1", "temp1",
         EHwmonKind::Temperature},
        {"hwmon:devices/pci0000:00/0000:00:18.3/fan3", true, "devices/pci0000:00/0000:00:18.3",
         "fan3", EHwmonKind::Fan},
        {"hwmon:devices/platform/nct6775.656/pwm1", false, "", "", EHwmonKind::Voltage},
        {"hwmon:devices/platform/nct6775.656/temp", false, "", "", EHwmonKind::Voltage},
        {"hwmon:devices/platform/nct6775.656/temp1_input", false, "", "", EHwmonKind::Voltage},
        {"hwmon:temp1", false, "", "", EHwmonKind::Voltage},
        {"hwmon:/temp1", false, "", "", EHwmonKind::Voltage},
        {"VCORE", false, "", "", EHwmonKind::Voltage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto pin = ParseHwmonPin(c.name);
        ASSERT_EQ(pin.has_value(), c.ok);
        if (!c.ok)
            continue;
        EXPECT_EQ(pin->Identity, c.identity);
        EXPECT_EQ(pin->Channel, c.channel);
        EXPECT_EQ(pin->Kind, c.kind);
        EXPECT_EQ(HwmonPinName(pin->Identity, pin->Channel), c.name);
    }
}

}  // namespace
