#include "mcu_request.h"

#include <gtest/gtest.h>

using namespace vornio;

namespace {

std::vector<uint8_t> Bytes(const McuRecord& r) {
    return {r.begin(), r.end()};
}

}  // namespace

TEST(McuRequest, WellFormedRecordsAreRead) {
    const uint8_t data[3] = {7, 8, 9};
    auto read = ParseMcuRequest(Bytes(MakeMcuRequest(40, data, 3, 1)), true);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->write);
    EXPECT_EQ(read->item, 40);
    EXPECT_EQ(read->input, (std::vector<uint8_t>{7, 8, 9}));

    auto get = ParseMcuRequest(Bytes(MakeMcuRequest(110, nullptr, 0, 129)), false);
    ASSERT_TRUE(get);
    EXPECT_EQ(get->expectedOutput, 129);
    EXPECT_TRUE(get->input.empty());

    std::vector<uint8_t> full(255, 0xAB);
    auto longest = ParseMcuRequest(Bytes(MakeMcuRequest(100, full.data(), 255, 1)), true);
    ASSERT_TRUE(longest);
    EXPECT_EQ(longest->input, full);
}

TEST(McuRequest, EveryFieldIsChecked) {
    const uint8_t data[2] = {1, 2};
    const McuRecord good = MakeMcuRequest(24, data, 2, 1);
    const struct {
        const char* name;
        std::vector<uint8_t> record;
        bool write;
    } cases[] = {
        {"short", std::vector<uint8_t>(258), false},
        {"long", std::vector<uint8_t>(260), false},
        {"empty", {}, true},
        {"item 111", Bytes(MakeMcuRequest(111, nullptr, 0, 1)), false},
        {"item 255", Bytes(MakeMcuRequest(255, nullptr, 0, 1)), true},
        {"result byte set",
         [&] {
             auto r = Bytes(good);
             r[2] = 1;
             return r;
         }(),
         true},
        {"write expecting 2", Bytes(MakeMcuRequest(24, data, 2, 2)), true},
        {"write expecting 0", Bytes(MakeMcuRequest(24, data, 2, 0)), true},
        {"bytes after the data",
         [&] {
             auto r = Bytes(good);
             r[6] = 3;
             return r;
         }(),
         true},
        {"last byte set",
         [&] {
             auto r = Bytes(good);
             r[258] = 1;
             return r;
         }(),
         false},
        {"length shorter than the data",
         [&] {
             auto r = Bytes(good);
             r[1] = 1;
             return r;
         }(),
         true},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(ParseMcuRequest(c.record, c.write)) << c.name;
}

TEST(McuRequest, AnswerRecord) {
    const std::vector<uint8_t> data = {1, 2, 3};
    const McuRecord a = MakeMcuAnswer(3, data);
    EXPECT_EQ(a[0], 0);
    EXPECT_EQ(a[2], 3);
    EXPECT_EQ(a[4], 1);
    EXPECT_EQ(a[6], 3);
    EXPECT_EQ(a[7], 0);
    const McuRecord big = MakeMcuAnswer(0xFE, std::vector<uint8_t>(400, 9));
    EXPECT_EQ(big[258], 9) << "cut at the record's end";
}
