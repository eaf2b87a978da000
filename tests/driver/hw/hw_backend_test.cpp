#include "hw_backend.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
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
        m_options.procRoot = m_temp.PathOf("proc");
        m_options.allowListPath = m_temp.PathOf("allow.conf");
        m_options.allowListGiven = true;
        ASSERT_TRUE(m_temp.WriteFile("allow.conf",
                                     "port 0x295-0x296\nport 0xE0\nmsr-read 0x100-0x10F\n"
                                     "msr-write 0x108\n"));
    }

    std::unique_ptr<CHwBackend> Create(uid_t euid = 0) {
        std::string error;
        auto backend = CHwBackend::Create(m_options, &error, euid, &m_failure);
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
    EHwStartFailure m_failure = EHwStartFailure::OTHER;
};

TEST_F(HwBackendTest, AllowedPortsAreReadAndWrittenAtTheirOffset) {
    auto backend = Create();
    ASSERT_TRUE(backend) << m_error;
    ASSERT_TRUE(backend->WritePort(0x295, 1, 0x4E));
    EXPECT_EQ(Peek("port", 0x295, 1), std::vector<uint8_t>{0x4E});

    Poke("port", 0xE0, {0x5A});
    uint32_t value = 0xFFFFFFFF;
    ASSERT_TRUE(backend->ReadPort(0xE0, 1, &value));
    EXPECT_EQ(value, 0x5Au);
    ASSERT_TRUE(backend->WritePort(0xE0, 1, 0xA5));
    EXPECT_EQ(Peek("port", 0xE0, 1), std::vector<uint8_t>{0xA5});
    Poke("port", 0x296, {0x80});
    ASSERT_TRUE(backend->ReadPort(0x295, 2, &value));
    EXPECT_EQ(value, 0x804Eu);
}

TEST_F(HwBackendTest, RefusedPortsAreLeftUntouched) {
    auto backend = Create();  // asks the chip at 0x295/0x296 who it is
    ASSERT_TRUE(backend) << m_error;
    Poke("port", 0x294, {0x11, 0x22, 0x33, 0x44});
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

// Each way the kernel's driver shows takes the chip's ports away from raw access (the service
// itself still starts); sharing them anyway needs the option that says what it risks.
TEST_F(HwBackendTest, KernelChipDriverTakesTheChipPortsAway) {
    struct Case {
        const char* name;
        const char* file;  // below the temporary directory; empty: a directory
        const char* contents;
    };
    const Case cases[] = {
        {"module", "sys/module/w83627ehf", nullptr},
        {"platform driver", "sys/bus/platform/drivers/w83627ehf", nullptr},
        {"hwmon device", "sys/class/hwmon/hwmon3/name", "w83627ehf\n"},
        {"port owner", "proc/ioports",
         "0000-0cf7 : PCI Bus 0000:00\n  0290-0297 : pnp 00:07\n    0295-0296 : w83627ehf\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(m_temp.PathOf("sys"));
        std::filesystem::remove_all(m_temp.PathOf("proc"));
        const std::filesystem::path path = m_temp.PathOf(c.file);
        if (c.contents) {
            std::filesystem::create_directories(path.parent_path());
            ASSERT_TRUE(m_temp.WriteFile(c.file, c.contents));
        } else {
            std::filesystem::create_directories(path);
        }
        ASSERT_TRUE(FindKernelChipDriver(m_options.sysfsRoot, m_options.procRoot));
        m_options.shareChipWithKernelDriver = false;
        auto backend = Create();
        ASSERT_TRUE(backend) << m_error;
        uint32_t value = 0;
        EXPECT_FALSE(backend->ReadPort(0x295, 1, &value));
        EXPECT_FALSE(backend->WritePort(0x295, 1, 0x4E));
        EXPECT_TRUE(backend->ReadPort(0xE0, 1, &value)) << "other ports stay served";
        m_options.shareChipWithKernelDriver = true;
        backend = Create();
        ASSERT_TRUE(backend) << m_error;
        EXPECT_TRUE(backend->ReadPort(0x295, 1, &value));
    }
}

TEST_F(HwBackendTest, OtherHwmonDriversAndPortReservationsDoNotCount) {
    std::filesystem::create_directories(m_temp.PathOf("sys") + "/module/coretemp");
    std::filesystem::create_directories(m_temp.PathOf("sys") + "/class/hwmon/hwmon0");
    ASSERT_TRUE(m_temp.WriteFile("sys/class/hwmon/hwmon0/name", "coretemp\n"));
    std::filesystem::create_directories(m_temp.PathOf("proc"));
    ASSERT_TRUE(m_temp.WriteFile("proc/ioports",
                                 "  0290-0297 : pnp 00:07\n  0295-0296 : pnp 00:08\n"
                                 "  0298-029f : it87\n"));
    EXPECT_FALSE(FindKernelChipDriver(m_options.sysfsRoot, m_options.procRoot));
    auto backend = Create();
    ASSERT_TRUE(backend) << m_error;
    uint32_t value = 0;
    EXPECT_TRUE(backend->ReadPort(0x295, 1, &value));
}

// Lockdown forbids raw port access even to root; the failure says so and names the kernel's
// driver as the way to the chip.
TEST_F(HwBackendTest, KernelLockdownStopsTheStartWithItsOwnKind) {
    struct Case {
        const char* lockdown;
        bool refused;
    };
    for (Case c : {Case{"none [integrity] confidentiality\n", true},
                   Case{"none integrity [confidentiality]\n", true},
                   Case{"[none] integrity confidentiality\n", false}}) {
        SCOPED_TRACE(c.lockdown);
        std::filesystem::create_directories(m_temp.PathOf("sys") + "/kernel/security");
        ASSERT_TRUE(m_temp.WriteFile("sys/kernel/security/lockdown", c.lockdown));
        auto backend = Create();
        EXPECT_EQ(backend == nullptr, c.refused) << m_error;
        EXPECT_EQ(m_failure == EHwStartFailure::KERNEL_LOCKDOWN, c.refused);
        if (c.refused) {
            EXPECT_NE(m_error.find("locked down"), std::string::npos) << m_error;
            EXPECT_NE(m_error.find("w83627ehf"), std::string::npos) << m_error;
        }
    }
}

// The kernel refusing root with EPERM (as lockdown does for /dev/port) is lockdown too; an
// immutable file refuses a writable open the same way.
TEST_F(HwBackendTest, PortDeviceRefusedWithEpermIsKernelLockdown) {
    const int fd = ::open(m_options.portDevice.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    int flags = 0;
    const bool immutable = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                           (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    if (!immutable) {
        ::close(fd);
        GTEST_SKIP() << "cannot make a file immutable here (needs root and a file system that can)";
    }
    auto backend = Create();
    flags &= ~FS_IMMUTABLE_FL;
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    ::close(fd);
    EXPECT_FALSE(backend);
    EXPECT_EQ(m_failure, EHwStartFailure::KERNEL_LOCKDOWN);
    EXPECT_NE(m_error.find("Operation not permitted"), std::string::npos) << m_error;
    EXPECT_NE(m_error.find("kernel lockdown"), std::string::npos) << m_error;
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
    EXPECT_TRUE(backend->WritePort(0xE0, 1, 1));
}

}  // namespace
