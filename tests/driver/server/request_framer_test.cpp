#include "request_framer.h"

#include <gtest/gtest.h>

#include "port_record.h"

using namespace vornio;

namespace {

// Feeds bytes the way the connection does: never more than the framer asks for.
bool Feed(CRequestFramer& framer, const std::vector<uint8_t>& bytes, size_t step) {
    size_t at = 0;
    while (at < bytes.size()) {
        size_t n = std::min({step, framer.Missing(), bytes.size() - at});
        if (!framer.Append({bytes.data() + at, n}))
            return false;
        at += n;
        if (framer.HasRequest())
            break;
    }
    return at == bytes.size();
}

TEST(RequestFramer, AssemblesFramesArrivingInPieces) {
    const std::vector<uint8_t> input{1, 2, 3, 4, 5};
    const auto frame = EncodeRequest(0x00222418, input);
    for (size_t step : {1u, 5u, 12u, 17u}) {
        SCOPED_TRACE(step);
        CRequestFramer framer;
        EXPECT_EQ(framer.Missing(), REQUEST_HEADER_SIZE);
        ASSERT_TRUE(Feed(framer, frame, step));
        ASSERT_TRUE(framer.HasRequest());
        DeviceRequest request = framer.Take();
        EXPECT_EQ(request.code, 0x00222418u);
        EXPECT_EQ(request.input, input);
        EXPECT_FALSE(framer.InFrame());
        EXPECT_EQ(framer.Missing(), REQUEST_HEADER_SIZE);
    }
}

TEST(RequestFramer, EmptyRecordCompletesWithTheHeader) {
    CRequestFramer framer;
    ASSERT_TRUE(Feed(framer, EncodeRequest(7, {}), 64));
    ASSERT_TRUE(framer.HasRequest());
    EXPECT_TRUE(framer.Take().input.empty());
}

TEST(RequestFramer, AsksForTheRecordOnceTheHeaderIsIn) {
    CRequestFramer framer;
    const auto frame = EncodeRequest(1, std::vector<uint8_t>(MAX_RECORD, 0xAA));
    ASSERT_TRUE(framer.Append({frame.data(), REQUEST_HEADER_SIZE}));
    EXPECT_TRUE(framer.InFrame());
    EXPECT_FALSE(framer.HasRequest());
    EXPECT_EQ(framer.Missing(), MAX_RECORD);
}

TEST(RequestFramer, RejectsMalformedHeaders) {
    auto badMagic = EncodeRequest(1, {});
    badMagic[3] = 'X';
    auto oversized = EncodeRequest(1, {});
    PutLe32(&oversized[8], MAX_RECORD + 1);
    auto huge = EncodeRequest(1, {});
    PutLe32(&huge[8], 0xFFFFFFFF);
    for (const auto& frame : {badMagic, oversized, huge}) {
        CRequestFramer framer;
        EXPECT_FALSE(Feed(framer, frame, 64));
    }
}

TEST(RequestFramer, RefusesMoreThanItAskedFor) {
    CRequestFramer framer;
    std::vector<uint8_t> tooMuch(REQUEST_HEADER_SIZE + 1, 0);
    EXPECT_FALSE(framer.Append(tooMuch));
}

}  // namespace
