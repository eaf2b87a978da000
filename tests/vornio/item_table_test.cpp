#include "item_table.h"

#include <gtest/gtest.h>

#include "mcu_record.h"

using namespace vornio;

TEST(ItemTable, ListsEveryItemFrom0To110WithItsLengths) {
    const struct {
        uint8_t item;
        SItemLengths lengths;
    } cases[] = {
        {0, {0, 1}},   {5, {1, 1}},   {17, {2, 1}},   {21, {0, 2}},    {23, {0, 17}}, {24, {17, 1}},
        {26, {0, 27}}, {27, {27, 1}}, {28, {0, 129}}, {29, {129, 1}},  {42, {2, 0}},  {64, {1, 14}},
        {68, {0, 9}},  {87, {10, 0}}, {99, {1, 129}}, {100, {130, 1}}, {106, {1, 1}}, {107, {0, 1}},
        {108, {1, 1}}, {109, {6, 1}}, {110, {3, 1}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(TableItemLengths(c.item)) << int(c.item);
        EXPECT_EQ(*TableItemLengths(c.item), c.lengths) << int(c.item);
    }
    int inputZeroOutputOne = 0, inputOneOutputOne = 0;
    for (unsigned item = 0; item <= LAST_ITEM; ++item) {
        const auto l = TableItemLengths(static_cast<uint8_t>(item));
        ASSERT_TRUE(l) << item;
        inputZeroOutputOne += *l == SItemLengths{0, 1};
        inputOneOutputOne += *l == SItemLengths{1, 1};
    }
    EXPECT_EQ(inputZeroOutputOne, 41);
    EXPECT_EQ(inputOneOutputOne, 37);
}

TEST(ItemTable, NothingAbove110) {
    for (unsigned item : {111u, 112u, 200u, 255u})
        EXPECT_FALSE(TableItemLengths(static_cast<uint8_t>(item))) << item;
}

TEST(ItemTable, ClockGeneratorBlockSize) {
    const struct {
        uint16_t value;
        uint8_t bytes;
    } cases[] = {{4, 34}, {5, 34}, {8, 37},   {0, 27},     {3, 27},
                 {6, 27}, {9, 27}, {260, 27}, {0x0805, 27}};
    for (const auto& c : cases)
        EXPECT_EQ(ClockGenByteCount(c.value), c.bytes) << c.value;
}

TEST(McuRecord, RequestLayout) {
    const uint8_t data[3] = {0xA1, 0xA2, 0xA3};
    const McuRecord r = MakeMcuRequest(40, data, 3, 1);
    EXPECT_EQ(r.size(), 259u);
    EXPECT_EQ(r[0], 40);
    EXPECT_EQ(r[1], 3);
    EXPECT_EQ(r[2], 0);
    EXPECT_EQ(r[3], 1);
    EXPECT_EQ(r[4], 0xA1);
    EXPECT_EQ(r[6], 0xA3);
    for (size_t i = 7; i < r.size(); ++i)
        ASSERT_EQ(r[i], 0) << i;
    const McuRecord zeros = MakeMcuRequest(29, nullptr, 129, 1);
    EXPECT_EQ(zeros[1], 129);
    for (size_t i = 4; i < zeros.size(); ++i)
        ASSERT_EQ(zeros[i], 0) << i;
}
