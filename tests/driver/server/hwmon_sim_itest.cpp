// vorn-iod showing the simulated board as the kernel's w83627ehf hwmon device: the tree's values
// follow the chip in the kernel's units, and writes through the real request, from the monitor's
// writer, reach the chip with the kernel's rounding and clamps.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "daemon.h"
#include "device_codes.h"
#include "hwmon_service_writer.h"
#include "hwmon_write_record.h"
#include "port_record.h"
#include "raw_device_client.h"
#include "run_program.h"
#include "temp_dir.h"

namespace fs = std::filesystem;
using namespace vornio;

namespace {

constexpr uint16_t INDEX_PORT = 0x295;
constexpr uint16_t DATA_PORT = 0x296;
// The tree is refreshed every second; a value set on the board shows well within this.
constexpr auto SHOW_DEADLINE = std::chrono::seconds(20);

std::string Content(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class HwmonSimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(m_daemon.Start(&error)) << error;
        ASSERT_TRUE(m_client.Connect(m_daemon.SocketPath()));
        m_device = m_tree.Dir() / "class/hwmon/hwmon0";
        ASSERT_EQ(Content(m_device / "name"), "w83627ehf\n");
    }

    std::string Vornsim(std::vector<std::string> words) {
        words.insert(words.begin(), std::string(VORN_BIN_DIR) + "/vornsim");
        ProgramResult r = RunProgram(words, {"VORNIO_RUNTIME_DIR=" + m_daemon.RuntimeDir()});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }
    // The count the chip measures for a pin now ("get" answers "<value> <count> ...").
    int Count(const std::string& pin) {
        std::istringstream words(Vornsim({"get", pin}));
        double value = 0;
        int count = -1;
        words >> value >> count;
        return count;
    }

    void PortWrite(uint16_t port, uint8_t value) {
        auto a = m_client.Exchange(IOCTL_WRITE_PORT_BYTE, Bytes(MakeByteRecord(port, value)));
        ASSERT_TRUE(a && a->success);
    }
    int Register(uint8_t bank, uint8_t index) {
        PortWrite(INDEX_PORT, 0x4E);
        PortWrite(DATA_PORT, static_cast<uint8_t>(0x80 | bank));
        PortWrite(INDEX_PORT, index);
        auto a = m_client.Exchange(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(DATA_PORT)));
        return a && a->success ? a->output[PORT_OFF_VALUE8] : -1;
    }
    static std::vector<uint8_t> Bytes(const PortRecord& r) { return {r.begin(), r.end()}; }

    // Waits until done() holds or the deadline passes; whether it held.
    template <typename F>
    static bool WaitUntil(F done) {
        const auto deadline = std::chrono::steady_clock::now() + SHOW_DEADLINE;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return true;
    }
    // Waits until the attribute reads `expected`; what it read last.
    std::string WaitFor(const std::string& attribute, const std::string& expected) {
        std::string text;
        WaitUntil([&] { return (text = Content(m_device / attribute)) == expected; });
        return text;
    }

    CTempDir m_tree;
    CDaemon m_daemon{{"--no-drift", "--seed", "7", "--hwmon-root", m_tree.Path()}};
    CRawDeviceClient m_client;
    fs::path m_device;
};

TEST_F(HwmonSimTest, TreeShowsTheChipsReadingsInTheKernelsUnits) {
    Vornsim({"set", "VCORE", "1.5"});
    Vornsim({"set", "VAVCC", "3.3"});
    Vornsim({"set", "CPUTEMPERATURE", "71.5"});
    Vornsim({"set", "SYSTEMPERATURE", "40"});
    Vornsim({"set", "SYSFAN", "3000"});
    EXPECT_EQ(WaitFor("in0_input", std::to_string(Count("VCORE") * 8) + "\n"),
              std::to_string(Count("VCORE") * 8) + "\n");
    // AVCC is halved inside the chip; the kernel doubles it back.
    EXPECT_EQ(WaitFor("in2_input", std::to_string(Count("VAVCC") * 16) + "\n"),
              std::to_string(Count("VAVCC") * 16) + "\n");
    EXPECT_EQ(WaitFor("temp2_input", "71500\n"), "71500\n");
    EXPECT_EQ(WaitFor("temp1_input", "40000\n"), "40000\n");
    const int divisor = std::stoi(Content(m_device / "fan1_div"));
    const std::string rpm = std::to_string(1350000 / (Count("SYSFAN") * divisor)) + "\n";
    EXPECT_EQ(WaitFor("fan1_input", rpm), rpm);
    // The real directory sits under devices/, reached through the class link.
    EXPECT_EQ(fs::canonical(m_device),
              fs::canonical(m_tree.Dir() / "devices/platform/w83627ehf.656/hwmon/hwmon0"));
}

TEST_F(HwmonSimTest, WritesThroughTheServiceReachTheChipWithTheKernelsRoundingAndClamps) {
    CHwmonServiceWriter writer(m_daemon.RuntimeDir());
    std::string error;
    // temp2 has a half-degree byte: 55.3 °C is 55.5 °C; temp1 has none: 55 °C.
    ASSERT_TRUE(writer.Write("temp2_max", "55300", &error)) << error;
    EXPECT_EQ(Register(1, 0x55), 55);
    EXPECT_EQ(Register(1, 0x56), 0x80);
    EXPECT_EQ(Content(m_device / "temp2_max"), "55500\n");
    ASSERT_TRUE(writer.Write("temp1_max", "55300", &error)) << error;
    EXPECT_EQ(Register(0, 0x39), 55);
    EXPECT_EQ(Content(m_device / "temp1_max"), "55000\n");
    // Below what the largest divisor can count: the slowest limit it can, divisor 128.
    ASSERT_TRUE(writer.Write("fan1_min", "10", &error)) << error;
    EXPECT_EQ(Register(0, 0x3B), 254);
    EXPECT_EQ(Content(m_device / "fan1_div"), "128\n");
    EXPECT_EQ(Content(m_device / "fan1_min"), "41\n");
    // Voltage limits on a doubled input: 16 mV a count.
    ASSERT_TRUE(writer.Write("in2_max", "3300", &error)) << error;
    EXPECT_EQ(Register(0, 0x2F), 206);
    ASSERT_TRUE(writer.Write("pwm1", "300", &error)) << error;
    EXPECT_EQ(Register(0, 0x01), 255);

    // The kernel's refusals come back as the request's answer; the file keeps the shown value.
    const std::string before = Content(m_device / "pwm2_enable");
    EXPECT_FALSE(writer.Write("pwm2_enable", "0", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Content(m_device / "pwm2_enable"), before);
    EXPECT_FALSE(writer.Write("in0_input", "5", &error));
    EXPECT_FALSE(writer.Write("../name", "5", &error));
}

TEST_F(HwmonSimTest, AFileWrittenInTheTreeReachesTheChip) {
    ASSERT_NE(Content(m_device / "temp3_max"), "47500\n");
    std::ofstream(m_device / "temp3_max") << "47300\n";
    EXPECT_TRUE(WaitUntil([&] { return Register(2, 0x55) == 47 && Register(2, 0x56) == 0x80; }));
    EXPECT_EQ(WaitFor("temp3_max", "47500\n"), "47500\n");
    // What the kernel refuses is put back.
    const std::string mode = Content(m_device / "pwm3_mode");
    std::ofstream(m_device / "pwm3_mode") << "7\n";
    EXPECT_EQ(WaitFor("pwm3_mode", mode), mode);
}

TEST(HwmonServiceWriter, SaysWhenTheServiceIsNotRunning) {
    CTempDir runtime;
    CHwmonServiceWriter writer(runtime.Path());
    std::string error;
    EXPECT_FALSE(writer.Write("in0_min", "1000", &error));
    EXPECT_EQ(error, "the driver service (vorn-iod) is not running");
}

struct RefusedCase {
    std::string attribute;
    std::string value;
    uint32_t error;
};

TEST_F(HwmonSimTest, TheRequestRefusesNamesAndValuesOffTheList) {
    const RefusedCase cases[] = {
        {"in0_input", "1", EPERM},        {"name", "x", EPERM},
        {"../../etc/passwd", "1", EPERM}, {"pwm1/../in0_min", "1", EPERM},
        {"in0_min.new", "1", EPERM},      {"in10_min", "1", EPERM},
        {"fan1_div", "2", EPERM},         {"in0_min", "12a", EINVAL},
        {"in0_min", "0x10", EINVAL},      {"in0_min", "", EINVAL},
        {"temp1_max", "1e5", EINVAL},
    };
    const std::string inBefore = Content(m_device / "in0_min");
    for (const RefusedCase& c : cases) {
        auto record = MakeHwmonWriteRecord(c.attribute, c.value);
        ASSERT_TRUE(record);
        auto answer = m_client.Exchange(IOCTL_HWMON_WRITE, {record->begin(), record->end()});
        ASSERT_TRUE(answer) << c.attribute;
        EXPECT_FALSE(answer->success) << c.attribute << "=" << c.value;
        EXPECT_EQ(answer->error, c.error) << c.attribute << "=" << c.value;
    }
    EXPECT_EQ(Content(m_device / "in0_min"), inBefore);
}

}  // namespace
