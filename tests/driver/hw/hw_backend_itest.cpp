// vorn-iod --backend hw with regular files standing for the devices.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "daemon.h"
#include "device_codes.h"
#include "hw_device_files.h"
#include "hwmon_write_record.h"
#include "port_record.h"
#include "raw_device_client.h"
#include "run_program.h"

using namespace vornio;

namespace {

std::vector<uint8_t> Bytes(const PortRecord& r) {
    return {r.begin(), r.end()};
}

TEST(HwBackendService, AllowedPortIsWrittenAtItsOffsetAndARefusedOneIsUntouched) {
    CHwDeviceFiles files("port 0x295-0x296\nport 0xE4\n");
    CDaemon daemon(files.DaemonArgs());
    std::string error;
    ASSERT_TRUE(daemon.Start(&error)) << error;
    CRawDeviceClient client;
    ASSERT_TRUE(client.Connect(daemon.SocketPath()));

    auto index = client.Exchange(IOCTL_WRITE_PORT_BYTE, Bytes(MakeByteRecord(0x295, 0x4E)));
    ASSERT_TRUE(index && index->success);
    auto mailbox = client.Exchange(IOCTL_WRITE_PORT, Bytes(MakeSizedRecord(0xE4, 1, 0x80, true)));
    ASSERT_TRUE(mailbox && mailbox->success);
    EXPECT_EQ(files.Peek(files.PortFile(), 0x295, 1), (std::vector<uint8_t>{0x4E}));
    EXPECT_EQ(files.Peek(files.PortFile(), 0xE4, 1), (std::vector<uint8_t>{0x80}));

    for (uint16_t port : {0x294, 0x297, 0xE0, 0x80}) {
        SCOPED_TRACE(port);
        auto refused = client.Exchange(IOCTL_WRITE_PORT_BYTE, Bytes(MakeByteRecord(port, 0xAA)));
        ASSERT_TRUE(refused);
        EXPECT_FALSE(refused->success);
        EXPECT_EQ(files.Peek(files.PortFile(), port, 1), std::vector<uint8_t>{0});
    }
    // A word at 0x296 would reach 0x297.
    auto straddle =
        client.Exchange(IOCTL_WRITE_PORT, Bytes(MakeSizedRecord(0x296, 2, 0xFFFF, true)));
    ASSERT_TRUE(straddle);
    EXPECT_FALSE(straddle->success);
    EXPECT_EQ(files.Peek(files.PortFile(), 0x296, 2), (std::vector<uint8_t>{0, 0}));
    EXPECT_NE(daemon.Log().find("refused port write at 0x294"), std::string::npos) << daemon.Log();
}

// A regular file has no W83627EHF behind 0x295/0x296: the service says what answered and no
// client's write reaches the data port.
TEST(HwBackendService, ChipThatIsNotTheW83627EHFGetsNoWrite) {
    CHwDeviceFiles files;
    ASSERT_TRUE(files.Poke(files.PortFile(), 0x296, {0x12}));
    CDaemon daemon(files.DaemonArgs());
    std::string error;
    ASSERT_TRUE(daemon.Start(&error)) << error;
    CRawDeviceClient client;
    ASSERT_TRUE(client.Connect(daemon.SocketPath()));
    auto index = client.Exchange(IOCTL_WRITE_PORT_BYTE, Bytes(MakeByteRecord(0x295, 0x0E)));
    ASSERT_TRUE(index && index->success);
    auto data = client.Exchange(IOCTL_WRITE_PORT_BYTE, Bytes(MakeByteRecord(0x296, 0x01)));
    ASSERT_TRUE(data);
    EXPECT_FALSE(data->success);
    EXPECT_EQ(files.Peek(files.PortFile(), 0x296, 1), std::vector<uint8_t>{0x12});
    EXPECT_NE(daemon.Log().find("is not a W83627EHF (it answers vendor ID low byte 0x12)"),
              std::string::npos)
        << daemon.Log();
}

TEST(HwBackendService, HasNoSimSocketForVornsim) {
    CHwDeviceFiles files;
    CDaemon daemon(files.DaemonArgs());
    std::string error;
    ASSERT_TRUE(daemon.Start(&error)) << error;
    ProgramResult r = RunProgram({std::string(VORN_BIN_DIR) + "/vornsim", "status"},
                                 {"VORNIO_RUNTIME_DIR=" + daemon.RuntimeDir()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("no running service"), std::string::npos) << r.err;
}

// The kernel's driver appearing while the service runs (its hwmon device, or its claim on the
// chip's ports) stops raw access to the chip; the service goes on serving the rest.
TEST(HwBackendService, KernelDriverAppearingStopsRawChipAccess) {
    struct Case {
        const char* name;
        bool underSysfs;  // else under the proc root
        const char* dir;  // below that root
        const char* file;
        const char* contents;
    };
    const Case cases[] = {
        {"hwmon device", true, "/class/hwmon/hwmon2", "name", "w83627ehf\n"},
        {"port owner", false, "", "ioports",
         "  0290-0297 : pnp 00:07\n    0295-0296 : w83627ehf\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CHwDeviceFiles files;
        CDaemon daemon(files.DaemonArgs());
        std::string error;
        ASSERT_TRUE(daemon.Start(&error)) << error;
        CRawDeviceClient client;
        ASSERT_TRUE(client.Connect(daemon.SocketPath()));
        auto before = client.Exchange(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0x295)));
        ASSERT_TRUE(before && before->success);

        const std::string dir = (c.underSysfs ? files.SysfsRoot() : files.ProcRoot()) + c.dir;
        std::filesystem::create_directories(dir);
        {
            std::ofstream out(dir + "/" + c.file);
            out << c.contents;
        }
        bool refused = false;
        for (int i = 0; i < 200 && !refused; ++i) {
            auto answer = client.Exchange(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0x295)));
            ASSERT_TRUE(answer);
            refused = !answer->success;
            if (!refused)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_TRUE(refused) << "raw chip access did not stop: " << daemon.Log();
        EXPECT_NE(daemon.Log().find("the kernel's driver for the chip appeared"), std::string::npos)
            << daemon.Log();
        auto other = client.Exchange(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0xE0)));
        ASSERT_TRUE(other && other->success) << "the rest is still served";
    }
}

// Under kernel lockdown the service says why, leaves a note for the library and exits with the
// status its unit does not restart.
TEST(HwBackendService, KernelLockdownEndsTheServiceWithItsOwnStatus) {
    CHwDeviceFiles files;
    std::filesystem::create_directories(files.SysfsRoot() + "/kernel/security");
    {
        std::ofstream out(files.SysfsRoot() + "/kernel/security/lockdown");
        out << "none [integrity] confidentiality\n";
    }
    CDaemon daemon(files.DaemonArgs());
    EXPECT_EQ(daemon.RunToExit(), 3);
    EXPECT_NE(daemon.Log().find("the kernel is locked down (integrity mode"), std::string::npos)
        << daemon.Log();
    std::ifstream note(files.StateDir() + "/vorn-iod.lockdown");
    std::string text;
    std::getline(note, text);
    EXPECT_NE(text.find("locked down"), std::string::npos) << text;
    EXPECT_FALSE(SocketAnswers(daemon.SocketPath()));
}

// Locked down with the kernel's driver for the chip present, the service stays for what the
// monitor needs of it then, the driver's attribute writes, and refuses all raw access.
TEST(HwBackendService, KernelLockdownWithTheKernelDriverServesItsAttributesOnly) {
    CHwDeviceFiles files;
    const std::string sysfs = files.SysfsRoot();
    std::filesystem::create_directories(sysfs + "/kernel/security");
    std::filesystem::create_directories(sysfs + "/class/hwmon/hwmon1");
    std::ofstream(sysfs + "/kernel/security/lockdown") << "none [integrity] confidentiality\n";
    std::ofstream(sysfs + "/class/hwmon/hwmon1/name") << "w83627ehf\n";
    std::ofstream(sysfs + "/class/hwmon/hwmon1/in0_min") << "0\n";
    CDaemon daemon(files.DaemonArgs());
    std::string error;
    ASSERT_TRUE(daemon.Start(&error)) << error;
    CRawDeviceClient client;
    ASSERT_TRUE(client.Connect(daemon.SocketPath()));

    for (uint16_t port : {0x295, 0xE0}) {
        auto read = client.Exchange(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(port)));
        ASSERT_TRUE(read);
        EXPECT_FALSE(read->success) << port;
    }
    auto record = MakeHwmonWriteRecord("in0_min", "1200");
    ASSERT_TRUE(record);
    auto write = client.Exchange(IOCTL_HWMON_WRITE, {record->begin(), record->end()});
    ASSERT_TRUE(write);
    EXPECT_TRUE(write->success) << daemon.Log();
    std::ifstream in(sysfs + "/class/hwmon/hwmon1/in0_min");
    std::string value;
    std::getline(in, value);
    EXPECT_EQ(value, "1200");
    EXPECT_NE(daemon.Log().find("serving its attribute writes only"), std::string::npos)
        << daemon.Log();
    EXPECT_FALSE(std::filesystem::exists(files.StateDir() + "/vorn-iod.lockdown"));
}

TEST(HwBackendService, StartFailuresAreReportedWithTheirReason) {
    struct Case {
        const char* name;
        std::vector<std::string> extra;  // replaces the option of the same name
        const char* message;
    };
    CHwDeviceFiles files;
    const Case cases[] = {
        {"missing port device", {"--port-device", "/nonexistent/port"}, "/nonexistent/port"},
        {"missing allow-list", {"--allow-list", "/nonexistent/allow.conf"}, "allow.conf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto args = files.DaemonArgs();
        for (size_t i = 0; i + 1 < args.size(); ++i) {
            if (args[i] == c.extra[0])
                args[i + 1] = c.extra[1];
        }
        CDaemon daemon(args);
        EXPECT_EQ(daemon.RunToExit(), 1);
        EXPECT_NE(daemon.Log().find(c.message), std::string::npos) << daemon.Log();
        EXPECT_FALSE(std::filesystem::exists(daemon.PidFilePath()));
    }
}

}  // namespace
