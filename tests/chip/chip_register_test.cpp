#include "chip_register.h"

#include <gtest/gtest.h>

#include "chip_fixture.h"
#include "w83627ehf.h"

using Kind = PortAccess::Kind;

TEST_F(ChipFixture, RegisterAccessIsIndexThenData) {
    uint8_t v = 0;
    ASSERT_GT(WriteChipRegister(io, 0x2B, 0x99), 0);
    ASSERT_GT(ReadChipRegister(io, 0x2B, &v), 0);
    EXPECT_EQ(v, 0x99);
    std::vector<PortAccess> expected{{Kind::Out, 0x295, 0x2B},
                                     {Kind::Out, 0x296, 0x99},
                                     {Kind::Out, 0x295, 0x2B},
                                     {Kind::In, 0x296, 0x99}};
    EXPECT_EQ(io.Log(), expected);
}

TEST_F(ChipFixture, PortFailuresGiveTheirCodesAndStopTheAccess) {
    struct Case {
        const char* name;
        uint16_t port;
        Kind kind;
        bool write;
        int result;
        size_t accesses;
    };
    const Case cases[] = {
        {"index write fails on read", 0x295, Kind::Out, false, ERR_PORT_WRITE, 0},
        {"index write fails on write", 0x295, Kind::Out, true, ERR_PORT_WRITE, 0},
        {"data read fails", 0x296, Kind::In, false, ERR_PORT_READ, 1},
        {"data write fails", 0x296, Kind::Out, true, ERR_PORT_WRITE, 1},
    };
    for (const auto& c : cases) {
        io.ClearLog();
        io.ClearFailures();
        io.FailPort(c.port, c.kind);
        uint8_t v = 0x5C;
        int result = c.write ? WriteChipRegister(io, 0x10, 1) : ReadChipRegister(io, 0x10, &v);
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(io.Log().size(), c.accesses) << c.name << ": later accesses must not run";
        EXPECT_EQ(v, 0x5C) << c.name << ": a failed read leaves the byte alone";
    }
}

TEST_F(ChipFixture, SelectBankKeepsTheOtherBits) {
    struct Case {
        uint8_t before;
        uint8_t bank;
        uint8_t written;
    };
    const Case cases[] = {{0x80, 5, 0x85}, {0x37, 0, 0x30}, {0x80, 0x0D, 0x85}, {0xFF, 2, 0xFA}};
    for (const auto& c : cases) {
        ASSERT_GT(WriteChipRegister(io, 0x4E, c.before), 0);
        io.ClearLog();
        CSensorChip chip{io};
        EXPECT_EQ(chip.SelectBank(c.bank), 1);
        std::vector<std::string> expected{Hex("R 4E=", c.before), Hex("W 4E=", c.written)};
        EXPECT_EQ(io.RegisterLog(), expected);
    }
}

TEST_F(ChipFixture, SelectBankReportsAndReturnsAFailure) {
    CSensorChip chip{io};
    io.FailPort(0x296, Kind::In);
    EXPECT_EQ(chip.SelectBank(1), ERR_PORT_READ);
    EXPECT_EQ(LastChipErrorText(), "#Error: -8, ");
    io.ClearFailures();
    io.ClearLog();
    io.FailAccess(3);  // the data write of the bank-select register
    EXPECT_EQ(chip.SelectBank(1), ERR_PORT_WRITE);
    EXPECT_EQ(LastChipErrorText(), "#Error: -9, ");
}

TEST_F(ChipFixture, ConstructorSelectsBankZeroAndSurvivesAFailure) {
    ASSERT_GT(WriteChipRegister(io, 0x4E, 0x84), 0);
    io.ClearLog();
    CW83627EHF chip{io};
    EXPECT_EQ(io.RegisterLog(), (std::vector<std::string>{"R 4E=84", "W 4E=80"}));

    io.FailPort(0x295, Kind::Out);
    CW83627EHF failing{io};
    EXPECT_EQ(LastChipErrorText(), "#Error: -9, ");
    io.ClearFailures();
    EXPECT_EQ(failing.SelectBank(4), 1) << "the object stays usable";
}
