#include "hw_backend.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "kernel_driver_check.h"
#include "temp_dir.h"

namespace {

constexpr off_t PORT_SPACE = 0x10000;
constexpr off_t MSR_FILE_SIZE = 0x2000;

// Regular files stand for /dev/port and the msr device.
class HwBackendTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (auto [name, size] : {std::pair{"port", PORT_SPACE}, std::pair{"msr", MSR_FILE_SIZE}}) {
            int fd = ::open(m_temp.PathOf(name).c_str(), O_RDWR | O_CREAT, 0600);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::ftruncate(fd, size), 0);
            ::close(fd);
        }
        m_options.portDevice = m_temp.PathOf("port");
        m_options.msrDevice = m_temp.PathOf("msr");
        m_options.sysfsRoot = m_temp.PathOf("sys");
        m_options.allowListPath = m_temp.PathOf("allow.conf");
        m_options.allowListGiven = true;
        ASSERT_TRUE(m_temp.WriteFile("allow.conf",
                                     "port 0x295-0x296\nport 0xE0\nmsr-read 0x100-0x10F\n"
                                     "msr-write 0x108\n"));
    }

    std::unique_ptr<CHwBackend> Create(uid_t euid = 0) {
        std::string error;
        auto backend = CHwBackend::Create(m_options, &error, euid);
        m_error = error;
        return backend;
    }

    void Poke(const char* file, off_t offset, std::vector<uint8_t> bytes) {
        int fd = ::open(m_temp.PathOf(file).c_str(), O_WRONLY);
        ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), offset),
                  static_cast<ssize_t>(bytes.size()));
        ::close(fd);
    }

    std::vector<uint8_t> Peek(const char* file, off_t offset, size_t size) {
        std::vector<uint8_t> bytes(size);
        int fd = ::open(m_temp.PathOf(file).c_str(), O_RDONLY);
        EXPECT_EQ(::pread(fd, bytes.data(), size, offset), static_cast<ssize_t>(size));
        ::close(fd);
        return bytes;
    }

    CTempDir m_temp;
    HwBackendOptions m_options;
    std::string m_error;
};

TEST_F(HwBackendTest, AllowedPortsAreReadAndWrittenAtTheirOffset) {
    auto backend = Create();
    ASSERT_TRUE(backend) << m_error;
    ASSERT_TRUE(backend->WritePort(0x295, 1, 0x4E));
    EXPECT_EQ(Peek("port", 0x295, 1), std::vector<uint8_t>{0x4E});
    ASSERT_TRUE(backend->WritePort(0x295, 2, 0xA580));
    EXPECT_EQ(Peek("port", 0x295, 2), (std::vector<uint8_t>{0x80, 0xA5}));

    Poke("port", 0xE0, {0x5A});
    uint32_t value = 0xFFFFFFFF;
    ASSERT_TRUE(backend->ReadPort(0xE0, 1, &value));
    EXPECT_EQ(value, 0x5Au);
    ASSERT_TRUE(backend->ReadPort(0x295, 2, &value));
    EXPECT_EQ(value, 0xA580u);
}

TEST_F(HwBackendTest, RefusedPortsAreLeftUntouched) {
    Poke("port", 0x294, {0x11, 0x22, 0x33, 0x44});
    auto backend = Create();
    ASSERT_TRUE(backend) << m_error;
    struct Case {
        uint16_t port;
        uint8_t size;
    };
    for (Case c : {Case{0x80, 1}, Case{0x294, 1}, Case{0x294, 2}, Case{0x296, 2}, Case{0x295, 4},
                   Case{0xE0, 2}}) {
        SCOPED_TRACE(c.port);
        EXPECT_FALSE(backend->WritePort(c.port, c.size, 0));
        uint32_t value = 0x12345678;
        EXPECT_FALSE(backend->ReadPort(c.port, c.size, &value));
        EXPECT_EQ(value, 0x12345678u);
    }
    EXPECT_EQ(Peek("port", 0x294, 4), (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44}));
    EXPECT_EQ(Peek("port", 0x80, 1), std::vector<uint8_t>{0});
}

TEST_F(HwBackendTest, MsrAccessFollowsTheReadAndWriteRules) {
    Poke("msr", 0x100, {1, 2, 3, 4, 5, 6, 7, 8});
    auto backend = Create();
    ASSERT_TRUE(backend) << m_error;
    uint64_t value = 0;
    ASSERT_TRUE(backend->ReadMsr(0x100, &value));
    EXPECT_EQ(value, 0x0807060504030201ull);

    ASSERT_TRUE(backend->WriteMsr(0x108, 0x1122334455667788ull));
    EXPECT_EQ(Peek("msr", 0x108, 8),
              (std::vector<uint8_t>{0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11}));
    EXPECT_FALSE(backend->WriteMsr(0x100, 0));  // readable, not writable
    EXPECT_EQ(Peek("msr", 0x100, 1), std::vector<uint8_t>{1});
    EXPECT_FALSE(backend->ReadMsr(0x200, &value));
    EXPECT_FALSE(backend->WriteMsr(0x200, 1));
    EXPECT_EQ(Peek("msr", 0x200, 8), std::vector<uint8_t>(8, 0));
}

TEST_F(HwBackendTest, AllowedMsrBeyondTheDeviceFailsCleanly) {
    ASSERT_TRUE(m_temp.WriteFile("allow.conf", "msr-read 0x10000\n"));
    auto backend = Create();
    ASSERT_TRUE(backend) << m_error;
    uint64_t value = 7;
    EXPECT_FALSE(backend->ReadMsr(0x10000, &value));
}

TEST_F(HwBackendTest, KernelChipDriverBlocksTheStartUnlessForced) {
    for (const char* entry : {"module/w83627ehf", "bus/platform/drivers/w83627ehf"}) {
        SCOPED_TRACE(entry);
        std::filesystem::remove_all(m_temp.PathOf("sys"));
        std::filesystem::create_directories(m_temp.PathOf("sys") + "/" + entry);
        ASSERT_TRUE(FindKernelChipDriver(m_options.sysfsRoot));
        m_options.force = false;
        EXPECT_FALSE(Create());
        EXPECT_NE(m_error.find("--force"), std::string::npos) << m_error;
        m_options.force = true;
        EXPECT_TRUE(Create()) << m_error;
    }
}

TEST_F(HwBackendTest, OtherHwmonDriversDoNotBlock) {
    std::filesystem::create_directories(m_temp.PathOf("sys") + "/module/coretemp");
    EXPECT_FALSE(FindKernelChipDriver(m_options.sysfsRoot));
    EXPECT_TRUE(Create()) << m_error;
}

TEST_F(HwBackendTest, NonRootNeedsBothDevicesOverridden) {
    EXPECT_TRUE(Create(1000)) << m_error;
    m_options.msrDevice = HwBackendOptions::DEFAULT_MSR_DEVICE;
    EXPECT_FALSE(Create(1000));
    EXPECT_NE(m_error.find("root"), std::string::npos) << m_error;
    m_options.msrDevice = m_temp.PathOf("msr");
    m_options.portDevice = HwBackendOptions::DEFAULT_PORT_DEVICE;
    EXPECT_FALSE(Create(1000));
}

TEST_F(HwBackendTest, MissingPortDeviceOrBadAllowListStopsTheStart) {
    m_options.portDevice = m_temp.PathOf("no-such-port");
    EXPECT_FALSE(Create());
    EXPECT_NE(m_error.find("no-such-port"), std::string::npos) << m_error;

    m_options.portDevice = m_temp.PathOf("port");
    ASSERT_TRUE(m_temp.WriteFile("allow.conf", "port 0x80-\n"));
    EXPECT_FALSE(Create());
    EXPECT_NE(m_error.find("line 1"), std::string::npos) << m_error;
}

TEST_F(HwBackendTest, MissingMsrDeviceOnlyFailsMsrRequests) {
    m_options.msrDevice = m_temp.PathOf("no-such-msr");
    auto backend = Create();
    ASSERT_TRUE(backend) << m_error;
    uint64_t value = 0;
    EXPECT_FALSE(backend->ReadMsr(0x100, &value));
    EXPECT_TRUE(backend->WritePort(0x296, 1, 1));
}

}  // namespace
