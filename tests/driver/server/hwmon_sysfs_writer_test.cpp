// The hwmon writer on a sysfs tree made of real files: it finds the device by its name, writes
// only below the device's own directory, and follows no link there.

#include "hwmon_sysfs_writer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::string Content(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class HwmonSysfsWriterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Two hwmon devices, the chip's second, each behind its class link as in sysfs.
        AddDevice("hwmon0", "coretemp");
        m_device = AddDevice("hwmon1", "w83627ehf");
        ASSERT_TRUE(m_temp.WriteFile("outside", "keep\n"));
        fs::create_symlink(m_temp.Dir() / "outside", m_device / "pwm1");
    }

    fs::path AddDevice(const std::string& hwmon, const std::string& name) {
        const fs::path dir = m_temp.Dir() / "devices/platform" / name / "hwmon" / hwmon;
        fs::create_directories(dir);
        fs::create_directories(m_temp.Dir() / "class/hwmon");
        fs::create_directory_symlink(dir, m_temp.Dir() / "class/hwmon" / hwmon);
        std::ofstream(dir / "name") << name << "\n";
        std::ofstream(dir / "in0_min") << "0\n";
        return dir;
    }

    CTempDir m_temp;
    fs::path m_device;
};

TEST_F(HwmonSysfsWriterTest, WritesTheAttributeOfTheDeviceNamedForTheChip) {
    CHwmonSysfsWriter writer(m_temp.Path());
    EXPECT_EQ(writer.FindDevice(), fs::canonical(m_device).string());
    EXPECT_EQ(writer.Write("in0_min", "1000"), 0);
    EXPECT_EQ(Content(m_device / "in0_min"), "1000\n");
    EXPECT_EQ(Content(m_temp.Dir() / "devices/platform/coretemp/hwmon/hwmon0/in0_min"), "0\n");
}

TEST_F(HwmonSysfsWriterTest, RefusesLinksMissingAttributesAndMissingDevices) {
    CHwmonSysfsWriter writer(m_temp.Path());
    EXPECT_EQ(writer.Write("pwm1", "255"), ELOOP);
    EXPECT_EQ(Content(m_temp.Dir() / "outside"), "keep\n");
    EXPECT_EQ(writer.Write("in1_min", "5"), ENOENT);
    EXPECT_FALSE(fs::exists(m_device / "in1_min"));

    CTempDir empty;
    EXPECT_EQ(CHwmonSysfsWriter(empty.Path()).Write("in0_min", "5"), ENODEV);
}

}  // namespace
