// vorn-iod --backend hw with regular files standing for the devices.

#include <gtest/gtest.h>

#include <filesystem>

#include "daemon.h"
#include "device_codes.h"
#include "hw_device_files.h"
#include "port_record.h"
#include "raw_device_client.h"
#include "run_program.h"

using namespace vornio;

namespace {

std::vector<uint8_t> Bytes(const PortRecord& r) {
    return {r.begin(), r.end()};
}

TEST(HwBackendService, AllowedPortIsWrittenAtItsOffsetAndARefusedOneIsUntouched) {
    CHwDeviceFiles files("port 0x295-0x296\n");
    CDaemon daemon(files.DaemonArgs());
    std::string error;
    ASSERT_TRUE(daemon.Start(&error)) << error;
    CRawDeviceClient client;
    ASSERT_TRUE(client.Connect(daemon.SocketPath()));

    auto index = client.Exchange(IOCTL_WRITE_PORT_BYTE, Bytes(MakeByteRecord(0x295, 0x4E)));
    ASSERT_TRUE(index && index->success);
    auto data = client.Exchange(IOCTL_WRITE_PORT, Bytes(MakeSizedRecord(0x296, 1, 0x80, true)));
    ASSERT_TRUE(data && data->success);
    EXPECT_EQ(files.Peek(files.PortFile(), 0x295, 2), (std::vector<uint8_t>{0x4E, 0x80}));

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
    EXPECT_EQ(files.Peek(files.PortFile(), 0x296, 2), (std::vector<uint8_t>{0x80, 0}));
    EXPECT_NE(daemon.Log().find("refused port write at 0x294"), std::string::npos) << daemon.Log();
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

TEST(HwBackendService, KernelChipDriverStopsTheStartUnlessForced) {
    CHwDeviceFiles files;
    std::filesystem::create_directories(files.SysfsRoot() + "/bus/platform/drivers/w83627ehf");

    CDaemon refused(files.DaemonArgs());
    EXPECT_EQ(refused.RunToExit(), 1);
    EXPECT_NE(refused.Log().find("--force"), std::string::npos) << refused.Log();
    EXPECT_FALSE(SocketAnswers(refused.SocketPath()));

    auto args = files.DaemonArgs();
    args.push_back("--force");
    CDaemon forced(args);
    std::string error;
    ASSERT_TRUE(forced.Start(&error)) << error;
    CRawDeviceClient client;
    ASSERT_TRUE(client.Connect(forced.SocketPath()));
    auto answer = client.Exchange(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0x295)));
    ASSERT_TRUE(answer && answer->success);
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
