#include "gx4410_model.h"

#include <gtest/gtest.h>

#include "mailbox_ports.h"
#include "mcu_protocol.h"

using namespace vornio;

namespace {

// Runs one transfer the way the handshake does, against the model's ports directly.
struct SHost {
    CGx4410Model& mcu;

    uint8_t Status() { return mcu.ReadByte(MAILBOX_COMMAND_PORT); }
    uint8_t Data() { return mcu.ReadByte(MAILBOX_DATA_PORT); }

    std::vector<uint8_t> Transfer(uint8_t command, uint8_t item, std::vector<uint8_t> input) {
        mcu.WriteByte(MAILBOX_COMMAND_PORT, command);
        EXPECT_EQ(Status(), mcu::STATUS_VALID);
        EXPECT_EQ(Data(), mcu::ACK);
        mcu.WriteByte(MAILBOX_DATA_PORT, item);
        mcu.WriteByte(MAILBOX_DATA_PORT, static_cast<uint8_t>(input.size()));
        for (uint8_t b : input)
            mcu.WriteByte(MAILBOX_DATA_PORT, b);
        std::vector<uint8_t> answer;
        while (Status() & mcu::STATUS_VALID)
            answer.push_back(Data());
        return answer;
    }
    std::vector<uint8_t> Read(uint8_t item, std::vector<uint8_t> input = {}) {
        std::vector<uint8_t> a = Transfer(mcu::COMMAND_READ_ITEM, item, std::move(input));
        EXPECT_FALSE(a.empty());
        EXPECT_EQ(a.size(), a.empty() ? 0u : a[0] + 1u) << "count, then that many bytes";
        return a.empty() ? a : std::vector<uint8_t>(a.begin() + 1, a.end());
    }
    uint8_t Write(uint8_t item, std::vector<uint8_t> input = {}) {
        std::vector<uint8_t> a = Transfer(mcu::COMMAND_WRITE_ITEM, item, std::move(input));
        EXPECT_EQ(a.size(), 1u);
        return a.empty() ? 0xEE : a[0];
    }
};

struct CCountingSink : IInterruptSink {
    bool RaiseInterrupt() override {
        ++raised;
        return true;
    }
    int raised = 0;
};

}  // namespace

TEST(Gx4410Model, PresenceCommandIsAcknowledgedAndStatusShowsWhatWaits) {
    CGx4410Model mcu;
    SHost host{mcu};
    EXPECT_TRUE(mcu.Decodes(0xE4));
    EXPECT_TRUE(mcu.Decodes(0xE0));
    EXPECT_FALSE(mcu.Decodes(0xE1));
    EXPECT_EQ(host.Status(), 0);
    mcu.WriteByte(MAILBOX_COMMAND_PORT, mcu::COMMAND_PRESENCE);
    EXPECT_EQ(host.Status(), mcu::STATUS_VALID);
    EXPECT_EQ(host.Data(), MAILBOX_ACK);
    EXPECT_EQ(host.Status(), 0);
    mcu.WriteByte(MAILBOX_COMMAND_PORT, 0x77);
    EXPECT_EQ(host.Data(), mcu::NAK);
}

TEST(Gx4410Model, ItemsAnswerTheirTableLength) {
    CGx4410Model mcu;
    SHost host{mcu};
    const struct {
        uint8_t item;
        size_t length;
    } cases[] = {{0, 1}, {21, 2}, {23, 17}, {28, 129}, {42, 0}, {61, 14}, {92, 12}, {99, 129}};
    for (const auto& c : cases)
        EXPECT_EQ(host.Read(c.item).size(), c.length) << int(c.item);
    EXPECT_EQ(host.Read(ITEM_BOARD_INFO),
              std::vector<uint8_t>(CGx4410Model::DEFAULT_BOARD_INFO.begin(),
                                   CGx4410Model::DEFAULT_BOARD_INFO.end()));
    EXPECT_EQ(mcu.Transfers(), std::size(cases) + 1);
}

TEST(Gx4410Model, TheClockGeneratorBlockFollowsTheBoardInformation) {
    CGx4410Model mcu;
    SHost host{mcu};
    EXPECT_EQ(host.Read(ITEM_CLOCK_GEN_READ).size(), 34u) << "bytes 6/7 = 0x0005";
    ASSERT_TRUE(mcu.SetAnswer(ITEM_BOARD_INFO, {0, 0, 0, 0, 0, 0, 0, 8, 0}));
    EXPECT_EQ(host.Read(ITEM_CLOCK_GEN_READ).size(), 37u);
    ASSERT_TRUE(mcu.SetAnswer(ITEM_BOARD_INFO, {0, 0, 0, 0, 0, 0, 1, 4, 0}));
    EXPECT_EQ(host.Read(ITEM_CLOCK_GEN_READ).size(), 27u);

    const std::vector<uint8_t> block(27, 0x3C);
    EXPECT_EQ(host.Write(ITEM_CLOCK_GEN_WRITE, block), mcu::WRITE_DONE);
    EXPECT_EQ(host.Read(ITEM_CLOCK_GEN_READ), block) << "the write stores the block";
}

TEST(Gx4410Model, WritesAreKeptAndAnswerDone) {
    CGx4410Model mcu;
    SHost host{mcu};
    EXPECT_EQ(host.Write(40, {1, 2, 3}), mcu::WRITE_DONE);
    EXPECT_EQ(mcu.Written(40), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(host.Write(200), mcu::WRITE_REFUSED);
    EXPECT_TRUE(host.Transfer(mcu::COMMAND_READ_ITEM, 200, {}) == std::vector<uint8_t>{0});
}

TEST(Gx4410Model, PendingEntriesAreReadByIndexAndAcknowledged) {
    CGx4410Model mcu;
    SHost host{mcu};
    CCountingSink sink;
    EXPECT_FALSE(mcu.Raise({0x01})) << "no sink, nobody told";
    mcu.SetSink(&sink);
    EXPECT_TRUE(mcu.Raise({0x04, 0x80}));
    EXPECT_EQ(sink.raised, 1);
    EXPECT_EQ(host.Read(ITEM_INT_STATUS, {0}), std::vector<uint8_t>{3});
    EXPECT_EQ(host.Read(ITEM_INT_STATUS, {1}), std::vector<uint8_t>{0x01});
    EXPECT_EQ(host.Read(ITEM_INT_STATUS, {2}), std::vector<uint8_t>{0x04});
    EXPECT_EQ(host.Read(ITEM_INT_STATUS, {3}), std::vector<uint8_t>{0x80});
    EXPECT_EQ(host.Read(ITEM_INT_STATUS, {4}), std::vector<uint8_t>{0}) << "past the last";
    EXPECT_EQ(host.Write(ITEM_INT_ACK), mcu::WRITE_DONE);
    EXPECT_EQ(host.Read(ITEM_INT_STATUS, {0}), std::vector<uint8_t>{0});
}

TEST(Gx4410Model, AnEntryRaisedAfterTheReadOutlivesTheAcknowledge) {
    CGx4410Model mcu;
    SHost host{mcu};
    mcu.Raise({0x01});
    EXPECT_EQ(host.Read(ITEM_INT_STATUS, {0}), std::vector<uint8_t>{1});
    EXPECT_EQ(host.Read(ITEM_INT_STATUS, {1}), std::vector<uint8_t>{0x01});
    mcu.Raise({0x08});  // between the host's read and its acknowledge
    EXPECT_EQ(host.Write(ITEM_INT_ACK), mcu::WRITE_DONE);
    EXPECT_EQ(mcu.Pending(), std::vector<uint8_t>{0x08});
    EXPECT_EQ(host.Read(ITEM_INT_STATUS, {1}), std::vector<uint8_t>{0x08});
}

TEST(Gx4410Model, PendingEntriesAreBounded) {
    CGx4410Model mcu;
    std::vector<uint8_t> many(CGx4410Model::MAX_PENDING, 0x01);
    many.push_back(0x02);
    many.push_back(0x40);
    mcu.Raise(many);
    ASSERT_EQ(mcu.Pending().size(), CGx4410Model::MAX_PENDING);
    EXPECT_EQ(mcu.Pending().back(), 0x43) << "the overflow joins the last entry";
}

TEST(Gx4410Model, SetAnswerLimits) {
    CGx4410Model mcu;
    EXPECT_TRUE(mcu.SetAnswer(21, std::vector<uint8_t>(CGx4410Model::MAX_ANSWER, 1)));
    EXPECT_FALSE(mcu.SetAnswer(21, std::vector<uint8_t>(CGx4410Model::MAX_ANSWER + 1, 1)));
    EXPECT_FALSE(mcu.SetAnswer(111, {1}));
    EXPECT_FALSE(mcu.SetAnswer(ITEM_INT_STATUS, {1}));
    EXPECT_TRUE(mcu.SetAnswer(21, {}));
    EXPECT_TRUE(mcu.Answer(21).empty());
}

TEST(Gx4410Model, OffAndBusy) {
    CGx4410Model mcu;
    SHost host{mcu};
    mcu.SetMode(CGx4410Model::EMode::OFF);
    EXPECT_FALSE(mcu.Decodes(0xE4));
    EXPECT_FALSE(mcu.Decodes(0xE0));
    mcu.SetMode(CGx4410Model::EMode::BUSY);
    EXPECT_EQ(host.Status(), MAILBOX_BUSY);
    mcu.WriteByte(MAILBOX_COMMAND_PORT, mcu::COMMAND_PRESENCE);
    EXPECT_EQ(host.Status(), MAILBOX_BUSY) << "busy takes nothing";
    mcu.SetMode(CGx4410Model::EMode::ON);
    EXPECT_EQ(host.Status(), 0);
    EXPECT_EQ(host.Read(0).size(), 1u);
}

TEST(Gx4410Model, ACommandInTheMiddleOfATransferStartsAfresh) {
    CGx4410Model mcu;
    SHost host{mcu};
    mcu.WriteByte(MAILBOX_COMMAND_PORT, mcu::COMMAND_WRITE_ITEM);
    host.Data();
    mcu.WriteByte(MAILBOX_DATA_PORT, 40);
    mcu.WriteByte(MAILBOX_DATA_PORT, 3);
    mcu.WriteByte(MAILBOX_DATA_PORT, 9);  // one of three bytes, then a new command
    EXPECT_EQ(host.Read(21).size(), 2u);
    EXPECT_TRUE(mcu.Written(40).empty());
}
