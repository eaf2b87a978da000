#include "device_wire.h"

#include <gtest/gtest.h>

using namespace vornio;

TEST(DeviceWire, RequestRoundTrip) {
    std::vector<uint8_t> input{1, 2, 3};
    auto frame = EncodeRequest(0x00222430u, input);
    ASSERT_EQ(frame.size(), REQUEST_HEADER_SIZE + 3);
    auto h = DecodeRequestHeader(std::span<const uint8_t, REQUEST_HEADER_SIZE>(frame.data(), 12));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->code, 0x00222430u);
    EXPECT_EQ(h->inputLength, 3u);
}

TEST(DeviceWire, AnswerRoundTrip) {
    DeviceAnswer a{true, 0, {9, 8}};
    auto frame = EncodeAnswer(a);
    auto h = DecodeAnswerHeader(std::span<const uint8_t, ANSWER_HEADER_SIZE>(frame.data(), 16));
    ASSERT_TRUE(h);
    EXPECT_TRUE(h->success);
    EXPECT_EQ(h->outputLength, 2u);
}

TEST(DeviceWire, MalformedHeadersAreRejected) {
    auto frame = EncodeRequest(1, {});
    frame[0] ^= 0xFF;
    EXPECT_FALSE(
        DecodeRequestHeader(std::span<const uint8_t, REQUEST_HEADER_SIZE>(frame.data(), 12)));
    std::vector<uint8_t> big(MAX_RECORD + 1);
    auto oversized = EncodeRequest(1, big);
    EXPECT_FALSE(
        DecodeRequestHeader(std::span<const uint8_t, REQUEST_HEADER_SIZE>(oversized.data(), 12)));
    auto answer = EncodeAnswer({true, 0, {}});
    answer[4] = 2;  // success must be 0 or 1
    EXPECT_FALSE(
        DecodeAnswerHeader(std::span<const uint8_t, ANSWER_HEADER_SIZE>(answer.data(), 16)));
}
