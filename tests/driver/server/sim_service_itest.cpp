// vorn-iod with its default backend, the simulated board: the chip's index/data protocol and
// the MSRs through the wire, and the VORN-SIM command socket.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

#include "daemon.h"
#include "device_codes.h"
#include "port_record.h"
#include "raw_device_client.h"
#include "run_in_child.h"
#include "run_program.h"
#include "sim_client.h"

using namespace vornio;

namespace {

constexpr uint16_t INDEX_PORT = 0x295;
constexpr uint16_t DATA_PORT = 0x296;
constexpr uint8_t BANK_SELECT = 0x4E;
constexpr uint8_t VCORE_REGISTER = 0x20;

std::vector<uint8_t> Bytes(const PortRecord& r) {
    return {r.begin(), r.end()};
}

class SimServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(m_daemon.Start(&error)) << error;
        ASSERT_TRUE(m_client.Connect(m_daemon.SocketPath()));
    }

    void OutPortB(uint16_t port, uint8_t value) {
        auto a = m_client.Exchange(IOCTL_WRITE_PORT_BYTE, Bytes(MakeByteRecord(port, value)));
        ASSERT_TRUE(a && a->success);
    }

    int InPortB(uint16_t port) {
        auto a = m_client.Exchange(IOCTL_READ_PORT_BYTE, Bytes(MakeByteRecord(port)));
        if (!a || !a->success || a->output.size() != PORT_RECORD_SIZE || a->output[0] != 1) {
            return -1;
        }
        return a->output[PORT_OFF_VALUE8];
    }

    ProgramResult Vornsim(std::vector<std::string> words) {
        words.insert(words.begin(), std::string(VORN_BIN_DIR) + "/vornsim");
        return RunProgram(words, {"VORNIO_RUNTIME_DIR=" + m_daemon.RuntimeDir()});
    }

    CDaemon m_daemon{{"--no-drift", "--seed", "7"}};
    CRawDeviceClient m_client;
};

TEST_F(SimServiceTest, BankSelectWrittenThroughIndexAndDataReadsBack) {
    OutPortB(INDEX_PORT, BANK_SELECT);
    OutPortB(DATA_PORT, 0x81);
    OutPortB(INDEX_PORT, BANK_SELECT);
    EXPECT_EQ(InPortB(DATA_PORT), 0x81);
    EXPECT_EQ(InPortB(INDEX_PORT), BANK_SELECT);

    // A word at the index port is the index in the low byte and the register in the high one.
    auto word = m_client.Exchange(IOCTL_READ_PORT, Bytes(MakeSizedRecord(INDEX_PORT, 2)));
    ASSERT_TRUE(word && word->success);
    EXPECT_EQ(word->output[0], 2);
    EXPECT_EQ(GetLe16(&word->output[PORT_OFF_VALUE16]), 0x814E);
}

TEST_F(SimServiceTest, ChipReadingThroughTheWireMatchesTheBoardsOwnAccount) {
    ASSERT_EQ(Vornsim({"set", "VCORE", "1.5"}).exitCode, 0);
    ProgramResult got = Vornsim({"get", "VCORE"});
    ASSERT_EQ(got.exitCode, 0) << got.err;
    std::istringstream fields(got.out);
    double volts = 0;
    int count = -1;
    fields >> volts >> count;
    ASSERT_TRUE(fields) << got.out;
    EXPECT_DOUBLE_EQ(volts, 1.5);

    OutPortB(INDEX_PORT, VCORE_REGISTER);
    EXPECT_EQ(InPortB(DATA_PORT), count);
}

TEST_F(SimServiceTest, MsrReadAndWriteThroughTheWire) {
    auto read = [&](uint32_t msr) {
        std::vector<uint8_t> input(4);
        PutLe32(input.data(), msr);
        return m_client.Exchange(IOCTL_READ_MSR, input);
    };
    auto target = read(0x1A2);
    ASSERT_TRUE(target && target->success);
    ASSERT_EQ(target->output.size(), 8u);
    EXPECT_EQ((GetLe64(target->output.data()) >> 16) & 0xFF, 100u);  // TJ_MAX

    std::vector<uint8_t> write(12);
    PutLe32(&write[0], 0x1A0);
    PutLe32(&write[4], 0x00850088);
    PutLe32(&write[8], 0x00000004);
    auto written = m_client.Exchange(IOCTL_WRITE_MSR, write);
    ASSERT_TRUE(written && written->success);
    auto back = read(0x1A0);
    ASSERT_TRUE(back && back->success);
    EXPECT_EQ(GetLe64(back->output.data()), 0x0000000400850088ull);

    auto missing = read(0xDEAD);
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->success);
    EXPECT_EQ(missing->error, static_cast<uint32_t>(EIO));
}

TEST_F(SimServiceTest, VornsimExitCodes) {
    ProgramResult help = Vornsim({"help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("status"), std::string::npos);

    ProgramResult beeping = Vornsim({"beeping"});
    EXPECT_EQ(beeping.exitCode, 0);
    EXPECT_TRUE(beeping.out == "silent\n" || beeping.out == "beeping\n") << beeping.out;

    ProgramResult bad = Vornsim({"set", "NOSUCHPIN", "1"});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.out.empty());
    EXPECT_FALSE(bad.err.empty());

    ProgramResult none = Vornsim({});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("Usage: vornsim"), std::string::npos);
    ProgramResult usage = Vornsim({"--help"});
    EXPECT_EQ(usage.exitCode, 0);
    EXPECT_NE(usage.out.find("Usage: vornsim"), std::string::npos);

    m_daemon.Stop();
    ProgramResult gone = Vornsim({"status"});
    EXPECT_EQ(gone.exitCode, 2);
    EXPECT_NE(gone.err.find("no running service"), std::string::npos) << gone.err;
}

TEST_F(SimServiceTest, OneCommandPerConnection) {
    CRawDeviceClient raw;  // any stream client will do for the text socket
    ASSERT_TRUE(raw.Connect(m_daemon.SimSocketPath()));
    const std::string lines = "beeping\nset VCORE 1.1\n";
    ASSERT_TRUE(raw.SendBytes({reinterpret_cast<const uint8_t*>(lines.data()), lines.size()}));
    EXPECT_TRUE(raw.WaitForClose());
    ProgramResult got = Vornsim({"get", "VCORE"});
    EXPECT_NE(got.out.rfind("1.100", 0), 0u) << "the second line ran: " << got.out;

    // A line without its end still counts once the client stops sending.
    SimSendResult sent = SendSimCommand(m_daemon.SimSocketPath(), "beeping");
    ASSERT_EQ(sent.status, ESimSendStatus::REPLIED);
    EXPECT_EQ(sent.reply.rfind("OK\n", 0), 0u) << sent.reply;
}

TEST_F(SimServiceTest, OverlongCommandLineIsDropped) {
    SimSendResult sent = SendSimCommand(m_daemon.SimSocketPath(), std::string(5000, 'x'));
    EXPECT_TRUE(sent.reply.empty());

    EXPECT_EQ(Vornsim({"beeping"}).exitCode, 0);
}

TEST_F(SimServiceTest, StrangersGetNoSimReply) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    const std::string runtimeDir = m_daemon.RuntimeDir();
    ASSERT_EQ(::chmod(runtimeDir.substr(0, runtimeDir.rfind('/')).c_str(), 0755), 0);
    ASSERT_EQ(::chmod(runtimeDir.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(m_daemon.SimSocketPath().c_str(), 0666), 0);
    const std::string socket = m_daemon.SimSocketPath();
    auto result = RunInChild([&]() -> std::string {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
            return "setuid failed";
        }
        SimSendResult sent = SendSimCommand(socket, "set VCORE 1.0", 5);
        // Closed at once: either the command could not even be sent, or no reply came.
        if (sent.status == ESimSendStatus::DENIED || sent.status == ESimSendStatus::NO_SERVICE) {
            return "not connected: " + sent.error;
        }
        return sent.reply.empty() ? std::string("refused") : "served: " + sent.reply;
    });
    EXPECT_EQ(result.output, "refused");
    ProgramResult got = Vornsim({"get", "VCORE"});
    EXPECT_NE(got.out.rfind("1.000", 0), 0u) << "the stranger's command ran: " << got.out;
}

TEST(SimServiceStart, BadBoardFileStopsTheStart) {
    CTempDir temp;
    ASSERT_TRUE(temp.WriteFile("broken.simboard", "this is not a board\n"));
    struct Case {
        const char* name;
        std::string board;
    };
    for (const Case& c : {Case{"missing", temp.PathOf("absent.simboard")},
                          Case{"malformed", temp.PathOf("broken.simboard")}}) {
        SCOPED_TRACE(c.name);
        CDaemon daemon({"--board", c.board});
        EXPECT_EQ(daemon.RunToExit(), 1);
        EXPECT_FALSE(daemon.Log().empty());
        EXPECT_FALSE(SocketAnswers(daemon.SocketPath()));
    }
}

TEST(SimServiceStart, BadOptionsExitWithUsageError) {
    CDaemon daemon({"--backend", "nonsense"});
    EXPECT_EQ(daemon.RunToExit(), 2);
    EXPECT_NE(daemon.Log().find("unknown backend"), std::string::npos) << daemon.Log();
}

}  // namespace
