#include "item_access.h"

#include <gtest/gtest.h>

#include <cstring>

#include "device_codes.h"
#include "fake_device.h"
#include "fake_mailbox_mutex.h"
#include "mcu_answer.h"

using namespace vornio;

namespace {

struct ItemAccessTest : ::testing::Test {
    CFakeDevice device;
    CFakeMailboxMutex mutex;
    CLastFailure failure;
    CItemAccess items{device, mutex, failure};

    // Answers item 68 with the given board information and every other item with `result`
    // and `data`.
    void Answer(uint8_t result, std::vector<uint8_t> data,
                std::vector<uint8_t> boardInfo = {0, 0, 0, 0, 0, 0, 0, 5, 0}) {
        device.SetHandler([=](const CFakeDevice::Request& r, std::span<uint8_t> out,
                              uint32_t* returned) {
            if (RequestItem(r) == ITEM_BOARD_INFO)
                return AnswerMcu(out, returned, static_cast<uint8_t>(boardInfo.size()), boardInfo);
            return AnswerMcu(out, returned, result, data);
        });
    }
};

}  // namespace

TEST_F(ItemAccessTest, AnItemAbove110TouchesNeitherMutexNorDriver) {
    uint8_t out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(items.GetAIP(111, nullptr, 0, out), 0);
    EXPECT_EQ(items.SetAIP(200, nullptr, 0), 0);
    EXPECT_EQ(mutex.opens + mutex.waits + mutex.releases, 0);
    EXPECT_TRUE(device.Requests().empty());
    EXPECT_EQ(failure.Description(), "");
    EXPECT_EQ(out[0], 0xEE);
}

TEST_F(ItemAccessTest, GetAIPSendsTheRecordAndCopiesTheAnswer) {
    Answer(5, {1, 2, 3, 4, 5, 6, 7});
    const uint8_t index = 3;
    uint8_t out[8];
    std::memset(out, 0xEE, sizeof out);
    EXPECT_EQ(items.GetAIP(36, &index, 1, out), 5);
    const auto requests = device.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].code, IOCTL_MCU_READ);
    const McuRecord expected = MakeMcuRequest(36, &index, 1, 5);
    EXPECT_EQ(requests[0].input, std::vector<uint8_t>(expected.begin(), expected.end()));
    EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{1, 2, 3, 4, 5, 0xEE}));
    EXPECT_EQ(mutex.waits, 1);
    EXPECT_EQ(mutex.releases, 1);
    EXPECT_EQ(failure.Description(), "");
}

TEST_F(ItemAccessTest, ALongerDriverAnswerIsCutAtTheItemsOutputLength) {
    // Item 21 returns 2 bytes; a driver claiming 200 must not write past them.
    std::vector<uint8_t> data(200);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i + 1);
    Answer(200, data);
    uint8_t buffer[64];
    std::memset(buffer, 0xEE, sizeof buffer);
    EXPECT_EQ(items.GetAIP(21, nullptr, 0, buffer), 2);
    EXPECT_EQ(buffer[0], 1);
    EXPECT_EQ(buffer[1], 2);
    for (size_t i = 2; i < sizeof buffer; ++i)
        ASSERT_EQ(buffer[i], 0xEE) << "written past the item's output at " << i;
}

TEST_F(ItemAccessTest, ANullOutputBufferGetsNothing) {
    Answer(1, {0x42});
    EXPECT_EQ(items.GetAIP(0, nullptr, 0, nullptr), 0);
    EXPECT_EQ(device.Requests().size(), 1u);
}

TEST_F(ItemAccessTest, SetAIPWithAMismatchedLengthIsRecordedAndStillSent) {
    Answer(1, {});
    uint8_t data[17];
    for (int i = 0; i < 17; ++i)
        data[i] = static_cast<uint8_t>(0x30 + i);
    EXPECT_EQ(items.SetAIP(24, data, 16), 1);
    EXPECT_EQ(failure.Description(), "SetAIP: Input data length does not match");
    const auto requests = device.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].code, IOCTL_MCU_WRITE);
    EXPECT_EQ(requests[0].input[MCU_OFF_INPUT_LENGTH], 16);
    EXPECT_EQ(requests[0].input[MCU_OFF_OUTPUT_LENGTH], 1);
    EXPECT_EQ(requests[0].input[MCU_OFF_DATA + 15], 0x3F);
    EXPECT_EQ(requests[0].input[MCU_OFF_DATA + 16], 0) << "the 17th byte is not sent";
}

TEST_F(ItemAccessTest, GetAIPLengthMismatchHasItsOwnText) {
    Answer(1, {9});
    uint8_t out[1];
    EXPECT_EQ(items.GetAIP(5, nullptr, 0, out), 1);
    EXPECT_EQ(failure.Description(), "GetAIP: Input data length does not match");
}

TEST_F(ItemAccessTest, ResultByte0xFFIsADriverTimeoutAndCopiesNothing) {
    Answer(MCU_NO_ANSWER, {1, 2, 3});
    uint8_t out[1] = {0xEE};
    EXPECT_EQ(items.GetAIP(0, nullptr, 0, out), 0);
    EXPECT_EQ(out[0], 0xEE);
    EXPECT_EQ(failure.Description(), "GetAIP: Driver timeout");
    EXPECT_EQ(items.SetAIP(107, nullptr, 0), 0);
    EXPECT_EQ(failure.Description(), "SetAIP: Driver timeout");
}

TEST_F(ItemAccessTest, AFailedRequestIsRecorded) {
    device.SetHandler([](auto&, auto, auto) { return false; });
    uint8_t out[1];
    EXPECT_EQ(items.GetAIP(0, nullptr, 0, out), 0);
    EXPECT_EQ(failure.Description(), "Error occured in GetAIP");
    EXPECT_EQ(items.SetAIP(107, nullptr, 0), 0);
    EXPECT_EQ(failure.Description(), "Error occured in SetAIP");
    EXPECT_EQ(mutex.releases, 2);
}

TEST_F(ItemAccessTest, SetAIPReturnsTheDriversStatus) {
    Answer(0, {});
    EXPECT_EQ(items.SetAIP(107, nullptr, 0), 0) << "a refusal";
    Answer(3, {});
    EXPECT_EQ(items.SetAIP(107, nullptr, 0), 3);
}

TEST_F(ItemAccessTest, WaitOutcomesOtherThanOwnershipSendNothing) {
    const struct {
        EWaitResult wait;
        const char* description;
    } cases[] = {
        {EWaitResult::ABANDONED, "WAIT_ABANDONED in dll!"},
        {EWaitResult::TIMEOUT, "WAIT_TIMEOUT in dll!"},
        {EWaitResult::FAILED, ""},
        {EWaitResult::INTERRUPTED, ""},
    };
    Answer(1, {7});
    for (const auto& c : cases) {
        CLastFailure fresh;
        CItemAccess access(device, mutex, fresh);
        mutex.waitResult = c.wait;
        device.ClearRequests();
        uint8_t out[1] = {0xEE};
        EXPECT_EQ(access.SetAIP(107, nullptr, 0), -1) << c.description;
        EXPECT_EQ(access.GetAIP(0, nullptr, 0, out), 0) << c.description;
        EXPECT_EQ(out[0], 0xEE);
        EXPECT_TRUE(device.Requests().empty()) << c.description;
        EXPECT_EQ(fresh.Description(), c.description);
    }
    // An abandoned wait leaves the mutex with this thread, which hands it back.
    EXPECT_EQ(mutex.releases, mutex.waits);
}

TEST_F(ItemAccessTest, MutexOpenAndReleaseFailuresAreRecorded) {
    Answer(1, {7});
    mutex.openResult = false;
    mutex.waitResult = EWaitResult::FAILED;
    EXPECT_EQ(items.GetAIP(0, nullptr, 0, nullptr), 0);
    EXPECT_EQ(failure.Description(), "GetAIP: Create mutex fail");
    EXPECT_EQ(items.SetAIP(107, nullptr, 0), -1);
    EXPECT_EQ(failure.Description(), "SetAIP: Create mutex fail");
    EXPECT_TRUE(device.Requests().empty());

    mutex.openResult = true;
    mutex.waitResult = EWaitResult::SIGNALED;
    mutex.releaseResult = false;
    uint8_t out[1];
    EXPECT_EQ(items.GetAIP(0, nullptr, 0, out), 1);
    EXPECT_EQ(failure.Description(), "GetAIP: Release mutex fail");
    EXPECT_EQ(items.SetAIP(107, nullptr, 0), 1);
    EXPECT_EQ(failure.Description(), "SetAIP: Release mutex fail");
}

TEST_F(ItemAccessTest, ClockGeneratorSizeFromBoardInformation) {
    const struct {
        uint8_t high, low, bytes;
    } cases[] = {{0, 5, 34}, {0, 4, 34}, {0, 8, 37}, {1, 4, 27}, {0, 0, 27}, {8, 0, 27}};
    for (const auto& c : cases) {
        Answer(1, {}, {9, 9, 9, 9, 9, 9, c.high, c.low, 9});
        EXPECT_EQ(items.GetClockGenByteNum(), c.bytes) << int(c.high) << "," << int(c.low);
    }
    EXPECT_EQ(failure.Description(), "");
}

TEST_F(ItemAccessTest, UnreadableBoardInformationGives27) {
    Answer(1, {}, {0, 0, 0, 0, 0, 0, 0, 8});  // eight bytes instead of nine
    EXPECT_EQ(items.GetClockGenByteNum(), 27);
    EXPECT_EQ(failure.Description(), "Error occured in GetClockGenByteNum()");
}

TEST_F(ItemAccessTest, ClockGeneratorItemsTakeTheirSizeAtEveryRequest) {
    Answer(37, std::vector<uint8_t>(40, 0x11), {0, 0, 0, 0, 0, 0, 0, 8, 0});
    std::vector<uint8_t> block(37, 0);
    EXPECT_EQ(items.GetAIP(ITEM_CLOCK_GEN_READ, nullptr, 0, block.data()), 37);
    auto requests = device.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(RequestItem(requests[0]), ITEM_BOARD_INFO);
    EXPECT_EQ(requests[1].input[MCU_OFF_OUTPUT_LENGTH], 37);

    // The write of the block expects the same size as input: 27 bytes now mismatch.
    Answer(1, {}, {0, 0, 0, 0, 0, 0, 0, 4, 0});
    device.ClearRequests();
    std::vector<uint8_t> data(34, 0x22);
    EXPECT_EQ(items.SetAIP(ITEM_CLOCK_GEN_WRITE, data.data(), 34), 1);
    EXPECT_EQ(failure.Description(), "");
    EXPECT_EQ(items.SetAIP(ITEM_CLOCK_GEN_WRITE, data.data(), 27), 1);
    EXPECT_EQ(failure.Description(), "SetAIP: Input data length does not match");
}

TEST_F(ItemAccessTest, IntStatusIsTheOrOfEveryPendingEntry) {
    const std::vector<uint8_t> entries = {2, 0x01, 0x04};  // count, then entries 1 and 2
    device.SetHandler([&](const CFakeDevice::Request& r, std::span<uint8_t> out, uint32_t* n) {
        const uint8_t index = r.input[MCU_OFF_DATA];
        return AnswerMcu(out, n, 1, {index < entries.size() ? entries[index] : uint8_t(0)});
    });
    EXPECT_EQ(items.GetIntStatus(), 0x05);
    const auto requests = device.Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (uint8_t i = 0; i < 3; ++i) {
        EXPECT_EQ(RequestItem(requests[i]), ITEM_INT_STATUS);
        EXPECT_EQ(requests[i].input[MCU_OFF_INPUT_LENGTH], 1);
        EXPECT_EQ(requests[i].input[MCU_OFF_DATA], i);
    }
    EXPECT_EQ(failure.Description(), "");
}

TEST_F(ItemAccessTest, IntStatusFailures) {
    // No count: 0 at once.
    device.SetHandler([](auto&, std::span<uint8_t> out, uint32_t* n) {
        return AnswerMcu(out, n, MCU_NO_ANSWER);
    });
    EXPECT_EQ(items.GetIntStatus(), 0);
    EXPECT_EQ(failure.Description(), "Fail in GetIntStatus()");
    EXPECT_EQ(device.Requests().size(), 1u);

    // Nothing pending.
    CLastFailure fresh;
    CItemAccess access(device, mutex, fresh);
    device.SetHandler(
        [](auto&, std::span<uint8_t> out, uint32_t* n) { return AnswerMcu(out, n, 1, {0}); });
    EXPECT_EQ(access.GetIntStatus(), 0);
    EXPECT_EQ(fresh.Description(), "");

    // A failing entry is skipped; the others still count.
    device.SetHandler([](const CFakeDevice::Request& r, std::span<uint8_t> out, uint32_t* n) {
        const uint8_t index = r.input[MCU_OFF_DATA];
        if (index == 2)
            return false;
        return AnswerMcu(out, n, 1, {index == 0 ? uint8_t(3) : uint8_t(1u << index)});
    });
    EXPECT_EQ(access.GetIntStatus(), 0x0A);
    EXPECT_EQ(fresh.Description(), "Fail in GetIntStatus()");
}
