#include "mcu_handshake.h"

#include <gtest/gtest.h>

#include "item_table.h"
#include "mcu_backend.h"
#include "mcu_protocol.h"
#include "mcu_record.h"

using namespace vornio;

namespace {

struct McuHandshakeTest : ::testing::Test {
    CMcuBackend backend;
    double now = 0;
    int pauses = 0;
    CMcuHandshake handshake{backend, [this] { return now; },
                            [this](int us) {
                                ++pauses;
                                now += us * 1e-6;
                            }};
};

}  // namespace

TEST_F(McuHandshakeTest, AReadReturnsTheItemsBytes) {
    const SMcuTransfer t = handshake.Transfer(false, ITEM_BOARD_INFO, {});
    EXPECT_TRUE(t.portsOk);
    EXPECT_EQ(t.result, BOARD_INFO_SIZE);
    EXPECT_EQ(t.data, std::vector<uint8_t>(CGx4410Model::DEFAULT_BOARD_INFO.begin(),
                                           CGx4410Model::DEFAULT_BOARD_INFO.end()));
    EXPECT_EQ(pauses, 0) << "the simulated microcontroller answers at once";
}

TEST_F(McuHandshakeTest, AWriteSendsItsInputAndReturnsTheStatus) {
    const std::vector<uint8_t> input = {1, 2, 3};
    const SMcuTransfer t = handshake.Transfer(true, 40, input);
    EXPECT_TRUE(t.portsOk);
    EXPECT_EQ(t.result, mcu::WRITE_DONE);
    EXPECT_TRUE(t.data.empty());
    EXPECT_EQ(backend.m_mcu.Written(40), input);
}

TEST_F(McuHandshakeTest, InterruptEntriesAreReadByIndexAndClearedByTheAcknowledge) {
    backend.m_mcu.Raise({0x01, 0x04});
    const uint8_t zero = 0, one = 1, two = 2;
    EXPECT_EQ(handshake.Transfer(false, ITEM_INT_STATUS, {&zero, 1}).data, std::vector<uint8_t>{2});
    EXPECT_EQ(handshake.Transfer(false, ITEM_INT_STATUS, {&one, 1}).data,
              std::vector<uint8_t>{0x01});
    EXPECT_EQ(handshake.Transfer(false, ITEM_INT_STATUS, {&two, 1}).data,
              std::vector<uint8_t>{0x04});
    EXPECT_EQ(handshake.Transfer(true, ITEM_INT_ACK, {}).result, mcu::WRITE_DONE);
    EXPECT_EQ(handshake.Transfer(false, ITEM_INT_STATUS, {&zero, 1}).data, std::vector<uint8_t>{0});
}

TEST_F(McuHandshakeTest, NoAnswerWithinTheTimeIs0xFF) {
    const struct {
        const char* name;
        CGx4410Model::EMode mode;
    } cases[] = {{"no microcontroller", CGx4410Model::EMode::OFF},
                 {"stays busy", CGx4410Model::EMode::BUSY}};
    for (const auto& c : cases) {
        backend.m_mcu.SetMode(c.mode);
        const double start = now;
        const SMcuTransfer t = handshake.Transfer(false, 0, {});
        EXPECT_TRUE(t.portsOk) << c.name;
        EXPECT_EQ(t.result, MCU_NO_ANSWER) << c.name;
        EXPECT_TRUE(t.data.empty()) << c.name;
        EXPECT_GE(now - start, mcu::MCU_TRANSFER_TIMEOUT_MS / 1000.0) << c.name;
        EXPECT_LT(now - start, mcu::MCU_TRANSFER_TIMEOUT_MS / 1000.0 + 0.01) << c.name;
    }
    backend.m_mcu.SetMode(CGx4410Model::EMode::ON);
    EXPECT_EQ(handshake.Transfer(false, 0, {}).result, 1) << "answers again";
}

TEST_F(McuHandshakeTest, ARefusedCommandIs0xFF) {
    // Something else at the data port instead of the acknowledge.
    struct CNakBackend : CMcuBackend {
        bool ReadPort(uint16_t port, uint8_t, uint32_t* value) override {
            if (port == MAILBOX_COMMAND_PORT) {
                *value = mcu::STATUS_VALID;
                return true;
            }
            *value = mcu::NAK;
            return true;
        }
    } nak;
    CMcuHandshake h(
        nak, [this] { return now; }, [this](int us) { now += us * 1e-6; });
    EXPECT_EQ(h.Transfer(false, 0, {}).result, MCU_NO_ANSWER);
}

TEST_F(McuHandshakeTest, StaleBytesAreReadOffFirst) {
    backend.m_map.Write(MAILBOX_COMMAND_PORT, 1, mcu::COMMAND_PRESENCE);  // leaves an ACK
    const SMcuTransfer t = handshake.Transfer(false, 21, {});
    EXPECT_EQ(t.result, 2);
    EXPECT_EQ(t.data, backend.m_mcu.Answer(21));
}

TEST_F(McuHandshakeTest, AFailingPortFailsTheRequest) {
    backend.m_failReads = true;
    EXPECT_FALSE(handshake.Transfer(false, 0, {}).portsOk);
    backend.m_failReads = false;
    backend.m_failWrites = true;
    EXPECT_FALSE(handshake.Transfer(true, 107, {}).portsOk);
}

TEST_F(McuHandshakeTest, AnAnswerLongerThanTheTableIsPassedOn) {
    ASSERT_TRUE(backend.m_mcu.SetAnswer(21, std::vector<uint8_t>(200, 0x5A)));
    const SMcuTransfer t = handshake.Transfer(false, 21, {});
    EXPECT_EQ(t.result, 200);
    EXPECT_EQ(t.data.size(), 200u);
}
