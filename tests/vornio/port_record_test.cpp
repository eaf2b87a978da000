#include "port_record.h"

#include <gtest/gtest.h>

using namespace vornio;

TEST(PortRecord, ByteRecordPutsPortAt14AndValueAt13) {
    PortRecord r = MakeByteRecord(0x295, 0x4E);
    PortRecord expected{};
    expected[0] = 1;
    expected[13] = 0x4E;
    expected[14] = 0x95;
    expected[15] = 0x02;
    EXPECT_EQ(r, expected);
}

TEST(PortRecord, SizedRecordFillsEveryFieldOfItsWidth) {
    struct Case {
        uint8_t size;
        uint32_t value;
        PortRecord expected;
    };
    const Case cases[] = {
        {4, 0x12345678, {4,    0,    0,    0,    0x34, 0x12, 0,    0,    0x78, 0x56,
                         0x34, 0x12, 0x34, 0x78, 0x34, 0x12, 0x78, 0x56, 0,    0}},
        {2, 0xABCD, {2, 0, 0,    0,    0x34, 0x12, 0,    0,    0xCD, 0xAB,
                     0, 0, 0x34, 0xCD, 0x34, 0x12, 0xCD, 0xAB, 0,    0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MakeSizedRecord(0x1234, c.size, c.value, true), c.expected) << int(c.size);
    }
    PortRecord read = MakeSizedRecord(0x1234, 2);
    EXPECT_EQ(RecordValue(read, 4), 0u);
    EXPECT_EQ(RecordValue(read, 2), 0u);
    EXPECT_EQ(RecordValue(read, 1), 0u);
}

TEST(PortRecord, FieldOfEachSizeRoundTrips) {
    for (uint8_t size : {1, 2, 4}) {
        PortRecord r{};
        SetRecordValue(r, size, 0xFFFFFFFF);
        uint32_t mask = size == 4 ? 0xFFFFFFFF : size == 2 ? 0xFFFF : 0xFF;
        EXPECT_EQ(RecordValue(r, size), mask);
        PortRecord p = MakeSizedRecord(0x2E, size);
        EXPECT_EQ(RecordPort(p, size), 0x2Eu);
    }
}
