// Two clients of one vorn-iod reading registers in different banks: each one's register access
// stays whole, whatever the other did to the chip's index and bank in between.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "daemon.h"
#include "device_codes.h"
#include "port_record.h"
#include "raw_device_client.h"
#include "run_program.h"

using namespace vornio;

namespace {

constexpr uint16_t INDEX_PORT = 0x295;
constexpr uint16_t DATA_PORT = 0x296;
constexpr uint8_t BANK_SELECT = 0x4E;
constexpr uint8_t TEMPERATURE = 0x50;  // CPU temperature in bank 1, auxiliary in bank 2

// A client that speaks the index/data protocol with plain port requests, as the library does.
class CPortClient {
  public:
    explicit CPortClient(const std::string& socket) { m_ok = m_client.Connect(socket); }
    bool Ok() const { return m_ok; }

    bool Out(uint16_t port, uint8_t value) {
        const PortRecord r = MakeByteRecord(port, value);
        auto a = m_client.Exchange(IOCTL_WRITE_PORT_BYTE, {r.begin(), r.end()});
        return a && a->success;
    }
    int In(uint16_t port) {
        const PortRecord r = MakeByteRecord(port);
        auto a = m_client.Exchange(IOCTL_READ_PORT_BYTE, {r.begin(), r.end()});
        if (!a || !a->success || a->output.size() != PORT_RECORD_SIZE)
            return -1;
        return a->output[PORT_OFF_VALUE8];
    }
    // Bank select as the chip layer does it: read 0x4E, keep its other bits, write it back.
    bool SelectBank(uint8_t bank) {
        if (!Out(INDEX_PORT, BANK_SELECT))
            return false;
        const int old = In(DATA_PORT);
        return old >= 0 && Out(DATA_PORT, static_cast<uint8_t>((old & 0xF8) | bank));
    }

  private:
    CRawDeviceClient m_client;
    bool m_ok = false;
};

class ChipViewsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(m_daemon.Start(&error)) << error;
        for (const char* set : {"CPUTEMPERATURE 30", "AUXTEMPERATURE 70"}) {
            std::vector<std::string> words{std::string(VORN_BIN_DIR) + "/vornsim", "set"};
            const std::string line(set);
            words.push_back(line.substr(0, line.find(' ')));
            words.push_back(line.substr(line.find(' ') + 1));
            ASSERT_EQ(RunProgram(words, {"VORNIO_RUNTIME_DIR=" + m_daemon.RuntimeDir()}).exitCode,
                      0);
        }
    }

    CDaemon m_daemon{{"--no-drift", "--seed", "7"}};
};

TEST_F(ChipViewsTest, InterleavedAccessesSeeTheirOwnBankAndIndex) {
    CPortClient cpu(m_daemon.SocketPath()), aux(m_daemon.SocketPath());
    ASSERT_TRUE(cpu.Ok() && aux.Ok());
    ASSERT_TRUE(cpu.SelectBank(1));
    ASSERT_TRUE(cpu.Out(INDEX_PORT, TEMPERATURE));
    ASSERT_TRUE(aux.SelectBank(2));
    ASSERT_TRUE(aux.Out(INDEX_PORT, TEMPERATURE));
    EXPECT_EQ(cpu.In(DATA_PORT), 30) << "the other client's bank and index were put back";
    EXPECT_EQ(aux.In(DATA_PORT), 70);
    ASSERT_TRUE(aux.Out(INDEX_PORT, BANK_SELECT));
    EXPECT_EQ(cpu.In(INDEX_PORT), TEMPERATURE);
    EXPECT_EQ(cpu.In(DATA_PORT), 30);
}

TEST_F(ChipViewsTest, TwoClientsHammeringDifferentBanksNeverSeeTheOthersValue) {
    constexpr int ROUNDS = 1500;
    std::atomic<int> wrong{0}, failed{0};
    auto hammer = [&](uint8_t bank, int expected) {
        CPortClient client(m_daemon.SocketPath());
        if (!client.Ok()) {
            ++failed;
            return;
        }
        for (int i = 0; i < ROUNDS; ++i) {
            if (!client.SelectBank(bank) || !client.Out(INDEX_PORT, TEMPERATURE)) {
                ++failed;
                return;
            }
            const int value = client.In(DATA_PORT);
            if (value < 0) {
                ++failed;
                return;
            }
            if (value != expected)
                ++wrong;
        }
    };
    std::thread cpu(hammer, 1, 30);
    std::thread aux(hammer, 2, 70);
    cpu.join();
    aux.join();
    EXPECT_EQ(failed.load(), 0);
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
