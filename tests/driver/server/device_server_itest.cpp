// vorn-iod through its socket, with the hw backend over regular files so that every access can
// be checked byte for byte.

#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "daemon.h"
#include "device_codes.h"
#include "hw_device_files.h"
#include "mcu_record.h"
#include "port_record.h"
#include "raw_device_client.h"
#include "run_in_child.h"
#include "test_sockets.h"

using namespace vornio;

namespace {

std::vector<uint8_t> Bytes(const PortRecord& r) {
    return {r.begin(), r.end()};
}

class DeviceServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_daemon.SetArgs(m_files.DaemonArgs());
        std::string error;
        ASSERT_TRUE(m_daemon.Start(&error)) << error;
    }

    // One well-formed exchange on a fresh connection: the service still serves.
    void ExpectServing() {
        CRawDeviceClient client;
        ASSERT_TRUE(client.Connect(m_daemon.SocketPath()));
        auto answer = client.Exchange(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0xE0)));
        ASSERT_TRUE(answer);
        EXPECT_TRUE(answer->success);
    }

    CHwDeviceFiles m_files;
    CDaemon m_daemon;
};

TEST_F(DeviceServerTest, PortRequestsEchoTheSizeAndCarryTheValueInItsField) {
    ASSERT_TRUE(m_files.Poke(m_files.PortFile(), 0x80, {0x11, 0x22, 0x33, 0x44}));
    CRawDeviceClient client;
    ASSERT_TRUE(client.Connect(m_daemon.SocketPath()));
    struct Case {
        uint8_t size;
        size_t field;
        std::vector<uint8_t> value;
    };
    const Case cases[] = {
        {1, PORT_OFF_VALUE8, {0x11}},
        {2, PORT_OFF_VALUE16, {0x11, 0x22}},
        {4, PORT_OFF_VALUE32, {0x11, 0x22, 0x33, 0x44}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.size));
        auto answer = client.Exchange(IOCTL_READ_PORT, Bytes(MakeSizedRecord(0x80, c.size)));
        ASSERT_TRUE(answer);
        ASSERT_TRUE(answer->success);
        std::vector<uint8_t> expected(PORT_RECORD_SIZE, 0);
        expected[0] = c.size;
        std::copy(c.value.begin(), c.value.end(), expected.begin() + c.field);
        EXPECT_EQ(answer->output, expected);
    }

    auto written = client.Exchange(IOCTL_WRITE_PORT, Bytes(MakeSizedRecord(0x82, 2, 0xBEEF, true)));
    ASSERT_TRUE(written && written->success);
    EXPECT_EQ(written->output[0], 2);
    EXPECT_EQ(m_files.Peek(m_files.PortFile(), 0x80, 4),
              (std::vector<uint8_t>{0x11, 0x22, 0xEF, 0xBE}));

    auto byteWrite = client.Exchange(IOCTL_WRITE_PORT_BYTE, Bytes(MakeByteRecord(0x295, 0x4E)));
    ASSERT_TRUE(byteWrite && byteWrite->success);
    std::vector<uint8_t> byteAnswer(PORT_RECORD_SIZE, 0);
    byteAnswer[0] = 1;
    byteAnswer[PORT_OFF_VALUE8] = 0x4E;
    EXPECT_EQ(byteWrite->output, byteAnswer);
    EXPECT_EQ(m_files.Peek(m_files.PortFile(), 0x295, 1), std::vector<uint8_t>{0x4E});
}

TEST_F(DeviceServerTest, MsrReadAndWriteThroughTheWire) {
    ASSERT_TRUE(m_files.Poke(m_files.MsrFile(), 0x104, {1, 2, 3, 4, 5, 6, 7, 8}));
    CRawDeviceClient client;
    ASSERT_TRUE(client.Connect(m_daemon.SocketPath()));

    std::vector<uint8_t> read{0x04, 0x01, 0, 0};
    auto answer = client.Exchange(IOCTL_READ_MSR, read);
    ASSERT_TRUE(answer && answer->success);
    EXPECT_EQ(answer->output, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));

    std::vector<uint8_t> write(12);
    PutLe32(&write[0], 0x108);
    PutLe32(&write[4], 0x44332211);
    PutLe32(&write[8], 0x88776655);
    answer = client.Exchange(IOCTL_WRITE_MSR, write);
    ASSERT_TRUE(answer && answer->success);
    EXPECT_TRUE(answer->output.empty());
    EXPECT_EQ(m_files.Peek(m_files.MsrFile(), 0x108, 8),
              (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}));

    PutLe32(&write[0], 0x104);  // readable only
    answer = client.Exchange(IOCTL_WRITE_MSR, write);
    ASSERT_TRUE(answer);
    EXPECT_FALSE(answer->success);
    EXPECT_EQ(answer->error, static_cast<uint32_t>(EIO));
    EXPECT_EQ(m_files.Peek(m_files.MsrFile(), 0x104, 1), std::vector<uint8_t>{1});
}

TEST_F(DeviceServerTest, RejectedRequestsAnswerFailureAndKeepTheConnection) {
    CRawDeviceClient client;
    ASSERT_TRUE(client.Connect(m_daemon.SocketPath()));
    struct Case {
        const char* name;
        uint32_t code;
        std::vector<uint8_t> input;
        uint32_t error;
    };
    PortRecord badSize = MakeSizedRecord(0x80, 1);
    badSize[0] = 3;
    const Case cases[] = {
        {"port outside the allow-list", IOCTL_WRITE_PORT_BYTE, Bytes(MakeByteRecord(0x70, 1)), EIO},
        {"size 3", IOCTL_READ_PORT, Bytes(badSize), EINVAL},
        {"short record", IOCTL_READ_PORT_BYTE, std::vector<uint8_t>(19), EINVAL},
        {"unknown code", 0x00222438, {}, EINVAL},
        {"microcontroller record too short", IOCTL_MCU_READ, std::vector<uint8_t>(258), EINVAL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto answer = client.Exchange(c.code, c.input);
        ASSERT_TRUE(answer);
        EXPECT_FALSE(answer->success);
        EXPECT_EQ(answer->error, c.error);
    }
    EXPECT_EQ(m_files.Peek(m_files.PortFile(), 0x70, 1), std::vector<uint8_t>{0});
    auto answer = client.Exchange(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0xE4)));
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->success);
}

TEST_F(DeviceServerTest, ItemRequestsRunTheHandshakeOnTheMailboxPorts) {
    // The port file stands in for the ports: the command written to 0xE4 stays there and reads
    // back as a status with the valid bit, but the data port never holds the acknowledge.
    CRawDeviceClient client;
    ASSERT_TRUE(client.Connect(m_daemon.SocketPath()));
    const McuRecord request = MakeMcuRequest(68, nullptr, 0, 9);
    auto answer = client.Exchange(IOCTL_MCU_READ, {request.begin(), request.end()});
    ASSERT_TRUE(answer);
    ASSERT_TRUE(answer->success);
    ASSERT_EQ(answer->output.size(), MCU_RECORD_SIZE);
    EXPECT_EQ(answer->output[MCU_OFF_RESULT], MCU_NO_ANSWER);
    EXPECT_EQ(m_files.Peek(m_files.PortFile(), 0xE4, 1), std::vector<uint8_t>{0x01})
        << "the read command went to the command port";
    ExpectServing();
}

TEST_F(DeviceServerTest, MalformedFramesCloseOnlyTheirConnection) {
    CRawDeviceClient bystander;
    ASSERT_TRUE(bystander.Connect(m_daemon.SocketPath()));

    auto badMagic = EncodeRequest(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0xE0)));
    badMagic[0] = 'X';
    auto oversized = EncodeRequest(IOCTL_READ_PORT_BYTE, {});
    PutLe32(&oversized[8], MAX_RECORD + 1);
    auto garbage = std::vector<uint8_t>(64, 0xFF);
    for (const auto& frame : {badMagic, oversized, garbage}) {
        CRawDeviceClient client;
        ASSERT_TRUE(client.Connect(m_daemon.SocketPath()));
        ASSERT_TRUE(client.SendBytes(frame));
        EXPECT_TRUE(client.WaitForClose());
        auto answer = bystander.Exchange(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0xE0)));
        ASSERT_TRUE(answer);
        EXPECT_TRUE(answer->success);
    }
}

TEST_F(DeviceServerTest, TruncatedFrameThenHangUpLeavesTheServiceServing) {
    for (size_t cut :
         {size_t{1}, REQUEST_HEADER_SIZE - 1, REQUEST_HEADER_SIZE, REQUEST_HEADER_SIZE + 10}) {
        SCOPED_TRACE(cut);
        auto frame = EncodeRequest(IOCTL_WRITE_PORT_BYTE, Bytes(MakeByteRecord(0x80, 0x5A)));
        CRawDeviceClient client;
        ASSERT_TRUE(client.Connect(m_daemon.SocketPath()));
        ASSERT_TRUE(client.SendBytes({frame.data(), cut}));
        client.Close();
        ExpectServing();
    }
    // No part of a cut frame was acted on.
    EXPECT_EQ(m_files.Peek(m_files.PortFile(), 0x80, 1), std::vector<uint8_t>{0});
}

// True once the process shows as stopped (state T) in /proc.
bool AwaitStopped(pid_t pid) {
    for (int i = 0; i < 500; ++i) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::stringstream text;
        text << stat.rdbuf();
        const std::string line = text.str();
        const auto end = line.rfind(')');
        if (end != std::string::npos && end + 2 < line.size() && line[end + 2] == 'T')
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST_F(DeviceServerTest, RequestsOfClientsThatHaveHungUpAreNotPerformed) {
    // While the service is stopped, clients give up on their requests and close. Once it runs
    // again none of those may reach a port; a client still connected is served.
    CRawDeviceClient before, waiting;  // connected, and taken by the service, before the stop
    for (CRawDeviceClient* c : {&before, &waiting}) {
        ASSERT_TRUE(c->Connect(m_daemon.SocketPath()));
        auto answer = c->Exchange(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0xE0)));
        ASSERT_TRUE(answer && answer->success);
    }
    ASSERT_EQ(::kill(m_daemon.Pid(), SIGSTOP), 0);
    struct SContinue {
        pid_t pid;
        ~SContinue() { ::kill(pid, SIGCONT); }
    } resume{m_daemon.Pid()};
    ASSERT_TRUE(AwaitStopped(m_daemon.Pid()));

    ASSERT_TRUE(before.SendRequest(IOCTL_WRITE_PORT_BYTE, Bytes(MakeByteRecord(0x80, 0x5A))));
    before.Close();
    CRawDeviceClient during;  // waits in the listen queue
    ASSERT_TRUE(during.Connect(m_daemon.SocketPath()));
    ASSERT_TRUE(during.SendRequest(IOCTL_WRITE_PORT_BYTE, Bytes(MakeByteRecord(0x81, 0x5B))));
    during.Close();
    ASSERT_TRUE(waiting.SendRequest(IOCTL_WRITE_PORT_BYTE, Bytes(MakeByteRecord(0x82, 0x5C))));

    ASSERT_EQ(::kill(m_daemon.Pid(), SIGCONT), 0);
    auto answer = waiting.ReadAnswer();
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->success);
    // A client accepted after the one that connected during the stop is served after it.
    ExpectServing();
    EXPECT_EQ(m_files.Peek(m_files.PortFile(), 0x80, 3), (std::vector<uint8_t>{0, 0, 0x5C}));
}

TEST_F(DeviceServerTest, StuckClientsDoNotBlockOthers) {
    // One client stops in the middle of a frame, another floods requests and reads nothing.
    CRawDeviceClient halfway;
    ASSERT_TRUE(halfway.Connect(m_daemon.SocketPath()));
    auto frame = EncodeRequest(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0xE0)));
    ASSERT_TRUE(halfway.SendBytes({frame.data(), 7}));

    // The flooder never reads its answers: once they fill its socket the service stops reading
    // its requests, and its own send buffer fills up. A round that sends nothing means that
    // state is reached.
    CRawDeviceClient flooder;
    ASSERT_TRUE(flooder.Connect(m_daemon.SocketPath()));
    bool stuck = false;
    size_t at = 0;  // position in the current frame, so the stream stays well formed
    for (int round = 0; round < 1000 && !stuck; ++round) {
        size_t sentThisRound = 0;
        for (size_t n; (n = flooder.SendWithoutWaiting({frame.data() + at, frame.size() - at}));) {
            sentThisRound += n;
            at = (at + n) % frame.size();
        }
        stuck = sentThisRound == 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(stuck);

    for (int i = 0; i < 50; ++i)
        ExpectServing();
    // The flooder was only held back, not dropped.
    auto flooded = flooder.ReadAnswer();
    ASSERT_TRUE(flooded);
    EXPECT_TRUE(flooded->success);

    // The half-sent frame is still completed and answered.
    ASSERT_TRUE(halfway.SendBytes({frame.data() + 7, frame.size() - 7}));
    auto answer = halfway.ReadAnswer();
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->success);
}

TEST_F(DeviceServerTest, TwoClientsAtOnce) {
    auto worker = [this](uint16_t port, int* good) {
        CRawDeviceClient client;
        if (!client.Connect(m_daemon.SocketPath()))
            return;
        for (int i = 0; i < 300; ++i) {
            const uint8_t value = static_cast<uint8_t>(i);
            auto w = client.Exchange(IOCTL_WRITE_PORT_BYTE, Bytes(MakeByteRecord(port, value)));
            auto r = client.Exchange(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(port)));
            if (w && w->success && r && r->success && r->output[PORT_OFF_VALUE8] == value)
                ++*good;
        }
    };
    int goodA = 0, goodB = 0;
    std::thread a(worker, 0x80, &goodA);
    std::thread b(worker, 0x81, &goodB);
    a.join();
    b.join();
    EXPECT_EQ(goodA, 300);
    EXPECT_EQ(goodB, 300);
    EXPECT_EQ(m_files.Peek(m_files.PortFile(), 0x80, 2), (std::vector<uint8_t>{43, 43}));  // 299
}

TEST_F(DeviceServerTest, ConnectionsBeyondTheLimitAreClosedAndTheirSlotsComeBack) {
    std::vector<std::unique_ptr<CRawDeviceClient>> clients;
    for (int i = 0; i < 128; ++i) {
        clients.push_back(std::make_unique<CRawDeviceClient>());
        ASSERT_TRUE(clients.back()->Connect(m_daemon.SocketPath()));
        // An exchange makes sure the service has taken this one before the next arrives.
        auto answer = clients.back()->Exchange(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0xE0)));
        ASSERT_TRUE(answer && answer->success) << i;
    }
    CRawDeviceClient extra;
    ASSERT_TRUE(extra.Connect(m_daemon.SocketPath()));
    auto busy = extra.ReadAnswer();
    ASSERT_TRUE(busy) << "a client without a slot is told why";
    EXPECT_FALSE(busy->success);
    EXPECT_EQ(busy->error, static_cast<uint32_t>(EBUSY));
    EXPECT_TRUE(extra.WaitForClose());

    clients.pop_back();
    // The freed slot is noticed once the service sees the hang-up; retry until it has.
    bool served = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!served && std::chrono::steady_clock::now() < deadline) {
        CRawDeviceClient again;
        ASSERT_TRUE(again.Connect(m_daemon.SocketPath()));
        auto answer = again.Exchange(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0xE0)));
        served = answer && answer->success;
        if (!served)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(served);
}

// Connects as another user in a child; "answered", "closed" or "connect failed".
std::string TryAs(uid_t uid, gid_t gid, std::vector<gid_t> groups, const std::string& socket) {
    auto result = RunInChild([&]() -> std::string {
        if (::setgroups(groups.size(), groups.data()) != 0 || ::setgid(gid) != 0 ||
            ::setuid(uid) != 0) {
            return "setuid failed";
        }
        CRawDeviceClient client;
        if (!client.Connect(socket))
            return "connect failed";
        client.SendRequest(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0xE0)));
        auto answer = client.ReadAnswer();
        if (answer && answer->success)
            return "answered";
        return client.WaitForClose() ? "closed" : "hung";
    });
    return result.output;
}

TEST_F(DeviceServerTest, PeersOutsideOwnerAndGroupAreRefused) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as other users";
    const std::string socket = m_daemon.SocketPath();
    // Open the file permissions so that only the peer check stands in the way.
    const std::string runtimeDir = m_daemon.RuntimeDir();
    ASSERT_EQ(::chmod(runtimeDir.substr(0, runtimeDir.rfind('/')).c_str(), 0755), 0);
    ASSERT_EQ(::chmod(runtimeDir.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(socket.c_str(), 0666), 0);
    ASSERT_EQ(::chown(socket.c_str(), 4243, 4242), 0);

    struct Case {
        const char* name;
        uid_t uid;
        gid_t gid;
        std::vector<gid_t> groups;
        const char* outcome;
    };
    const Case cases[] = {
        {"stranger", 65534, 65534, {}, "closed"},
        {"stranger with other groups", 65534, 65534, {100, 4241}, "closed"},
        {"socket owner", 4243, 65534, {}, "answered"},
        {"primary group", 65534, 4242, {}, "answered"},
        {"supplementary group", 65534, 65534, {4242}, "answered"},
        {"root", 0, 0, {}, "answered"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TryAs(c.uid, c.gid, c.groups, socket), c.outcome);
    }
    ExpectServing();
}

// One allowed user holding idle connections once took every slot. Now each user has a share,
// a connection that stays silent is given up for a newcomer, and one silent for the idle
// time-out is dropped.
TEST_F(DeviceServerTest, OneUserCannotHoldEverySlot) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    const std::string runtimeDir = m_daemon.RuntimeDir();
    ASSERT_EQ(::chmod(runtimeDir.substr(0, runtimeDir.rfind('/')).c_str(), 0755), 0);
    ASSERT_EQ(::chmod(runtimeDir.c_str(), 0755), 0);
    ASSERT_EQ(::chown(m_daemon.SocketPath().c_str(), 0, 4242), 0);
    const std::string socket = m_daemon.SocketPath();
    auto result = RunInChild([&]() -> std::string {
        const gid_t group = 4242;
        if (::setgroups(1, &group) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            return "setuid failed";
        std::vector<std::unique_ptr<CRawDeviceClient>> mine;
        auto connect = [&]() -> std::string {
            mine.push_back(std::make_unique<CRawDeviceClient>());
            if (!mine.back()->Connect(socket))
                return "connect failed";
            auto a = mine.back()->Exchange(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0xE0)));
            if (!a)
                return "no answer";
            return a->success ? "served" : "error " + std::to_string(a->error);
        };
        std::string outcome;
        for (int i = 0; i < 16; ++i) {  // the service's share per user
            if (std::string r = connect(); r != "served")
                return "connection " + std::to_string(i) + ": " + r;
        }
        // Each just spoke, all at once, so none has been silent for the second that makes it
        // the newcomer's however slowly the sixteen were set up.
        for (auto& c : mine)
            c->SendRequest(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0xE0)));
        for (auto& c : mine) {
            if (auto a = c->ReadAnswer(); !a || !a->success)
                return std::string("no answer to a held connection");
        }
        outcome += "over the share: " + connect();
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        outcome += "; after a silence: " + connect();
        return outcome;
    });
    EXPECT_EQ(result.output,
              "over the share: error " + std::to_string(EBUSY) + "; after a silence: served");
    ExpectServing();
}

TEST(DeviceServerIdle, SilentConnectionsAreDroppedAfterTheIdleTimeOut) {
    using namespace std::chrono;
    CHwDeviceFiles files;
    auto args = files.DaemonArgs();
    args.insert(args.end(), {"--idle-timeout", "2"});
    CDaemon daemon(args);
    std::string error;
    ASSERT_TRUE(daemon.Start(&error)) << error;
    // Taken before the service can have accepted the silent one, so the close seen below is
    // never earlier than the time-out after it, however late it is seen.
    const auto start = steady_clock::now();
    CRawDeviceClient silent, talking;
    ASSERT_TRUE(silent.Connect(daemon.SocketPath()));
    ASSERT_TRUE(talking.Connect(daemon.SocketPath()));
    // A request every 200 ms, a tenth of the time-out, until the silent one is closed.
    auto closedAfter = milliseconds::max();
    while (closedAfter == milliseconds::max() && steady_clock::now() - start < seconds(20)) {
        std::this_thread::sleep_for(milliseconds(200));
        auto answer = talking.Exchange(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0xE0)));
        ASSERT_TRUE(answer && answer->success) << "a client that keeps asking keeps its slot";
        if (silent.WaitForClose(10))
            closedAfter = duration_cast<milliseconds>(steady_clock::now() - start);
    }
    ASSERT_NE(closedAfter, milliseconds::max()) << "the silent one was never dropped";
    // The service counts whole milliseconds.
    EXPECT_GE(closedAfter, milliseconds(1999)) << "dropped before its time-out";
}

TEST_F(DeviceServerTest, SocketIsGroupOnlyAndThePidFileNamesTheService) {
    struct stat st {};
    ASSERT_EQ(::stat(m_daemon.SocketPath().c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0660u);
    EXPECT_FALSE(SocketAnswers(m_daemon.RuntimeDir() + "/VORN-SIM"));  // hw: no sim socket
}

TEST_F(DeviceServerTest, SigtermAndSigintRemoveSocketAndPidFile) {
    for (int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig);
        std::string error;
        ASSERT_TRUE(m_daemon.Start(&error)) << error;
        ASSERT_EQ(::kill(m_daemon.Pid(), sig), 0);
        const int status = m_daemon.Stop();  // reaps; the SIGTERM it adds finds it gone or exiting
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_NE(::access(m_daemon.SocketPath().c_str(), F_OK), 0);
        EXPECT_NE(::access(m_daemon.PidFilePath().c_str(), F_OK), 0);
    }
}

TEST_F(DeviceServerTest, SecondServiceOnTheSameDirectoryRefuses) {
    CDaemon second(m_files.DaemonArgs(), m_daemon.RuntimeDir());
    EXPECT_NE(second.RunToExit(), 0);
    EXPECT_NE(second.Log().find("another vorn-iod"), std::string::npos) << second.Log();
    ExpectServing();
    std::string error;
    ASSERT_TRUE(m_daemon.Restart(&error)) << error;  // the first one's files are intact
    ExpectServing();
}

// A socket file nobody listens on, as a killed service leaves behind.
void LeaveStaleSocket(const std::string& path) {
    int fd = BindUnixStream(path, false);
    ASSERT_GE(fd, 0);
    ::close(fd);
}

TEST(DeviceServerStart, StaleFilesOfADeadServiceAreReplaced) {
    CHwDeviceFiles files;
    CTempDir run;
    ASSERT_TRUE(run.WriteFile("vorn-iod.pid", std::to_string(DeadPid()) + "\n"));
    LeaveStaleSocket(run.PathOf("VORN-IO"));
    ASSERT_FALSE(SocketAnswers(run.PathOf("VORN-IO")));

    CDaemon daemon(files.DaemonArgs(), run.Path());
    std::string error;
    ASSERT_TRUE(daemon.Start(&error)) << error;  // waits for its own pid in the pid file
    CRawDeviceClient client;
    ASSERT_TRUE(client.Connect(daemon.SocketPath()));
    auto answer = client.Exchange(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(0xE0)));
    ASSERT_TRUE(answer && answer->success);
}

TEST(DeviceServerStart, KilledServiceCanBeReplaced) {
    CHwDeviceFiles files;
    CDaemon daemon(files.DaemonArgs());
    std::string error;
    ASSERT_TRUE(daemon.Start(&error)) << error;
    ASSERT_EQ(::kill(daemon.Pid(), SIGKILL), 0);
    daemon.Stop();
    ASSERT_TRUE(daemon.Start(&error)) << error;
}

}  // namespace

// A service whose runtime directory is deleted (the run that made it has ended) ends too.
TEST(DeviceServerRuntimeDir, TheServiceEndsWhenItsRuntimeDirectoryIsDeleted) {
    CDaemon daemon;
    std::string error;
    ASSERT_TRUE(daemon.Start(&error)) << error;
    // The service may clean up its own files while the directory is being removed: an entry
    // gone under the removal is no failure, so it is tried again until the directory is gone.
    std::error_code ec;
    for (int i = 0; i < 100 && std::filesystem::exists(daemon.RuntimeDir()); ++i)
        std::filesystem::remove_all(daemon.RuntimeDir(), ec);
    ASSERT_FALSE(std::filesystem::exists(daemon.RuntimeDir())) << ec.message();
    int status = 0;
    ASSERT_TRUE(daemon.WaitForExit(CDaemon::START_TIMEOUT_MS, &status)) << daemon.Log();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_NE(daemon.Log().find("is gone"), std::string::npos) << daemon.Log();
}
