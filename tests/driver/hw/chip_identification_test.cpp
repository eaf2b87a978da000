#include "chip_identification.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A chip behind the index/data pair: 0x4F answers the vendor byte the high-byte bit of 0x4E
// asks for, 0x58 the chip ID in bank 0 only. Data-port writes are counted.
struct FakeChip {
    FakeChip(uint16_t v, uint8_t c, uint8_t b) : vendor(v), chip(c), bankSelect(b) {}

    uint16_t vendor;
    uint8_t chip;
    uint8_t bankSelect;
    uint8_t index = 0;
    std::vector<std::pair<uint8_t, uint8_t>> writes;

    SChipPortAccess Ports() {
        return {[this](uint16_t port, uint8_t* v) {
                    if (port == 0x295) {
                        *v = index;
                    } else if (index == 0x4E) {
                        *v = bankSelect;
                    } else if (index == 0x4F) {
                        *v = (bankSelect & 0x80) ? vendor >> 8 : vendor & 0xFF;
                    } else {
                        *v = (index == 0x58 && (bankSelect & 7) == 0) ? chip : 0xFF;
                    }
                    return true;
                },
                [this](uint16_t port, uint8_t v) {
                    if (port == 0x295) {
                        index = v;
                        return true;
                    }
                    writes.emplace_back(index, v);
                    if (index == 0x4E)
                        bankSelect = v;
                    return true;
                }};
    }
};

TEST(ChipIdentification, OnlyTheW83627EHFPassesAndNothingElseIsWritten) {
    struct Case {
        const char* name;
        uint16_t vendor;
        uint8_t chip;
        uint8_t bankSelect;
        EChipIdentity identity;
        const char* found;
    };
    const Case cases[] = {
        {"W83627EHF", 0x5CA3, 0x88, 0x80, EChipIdentity::W83627EHF,
         "vendor ID high byte 0x5C, chip ID 0x88"},
        {"W83627EHG, low byte", 0x5CA3, 0xA1, 0x00, EChipIdentity::W83627EHF,
         "vendor ID low byte 0xA3, chip ID 0xA1"},
        {"W83627DHG", 0x5CA3, 0xC1, 0x80, EChipIdentity::OTHER,
         "vendor ID high byte 0x5C, chip ID 0xC1"},
        {"another vendor", 0x1234, 0x88, 0x80, EChipIdentity::OTHER, "vendor ID high byte 0x12"},
        {"nothing there", 0xFFFF, 0xFF, 0xFF, EChipIdentity::OTHER, "vendor ID high byte 0xFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeChip chip{c.vendor, c.chip, c.bankSelect};
        const SChipIdentification id = IdentifyChip(chip.Ports());
        EXPECT_EQ(id.identity, c.identity);
        EXPECT_EQ(id.found, c.found);
        EXPECT_TRUE(chip.writes.empty());
    }
}

TEST(ChipIdentification, AChipLeftInAnotherBankIsReadInBankZeroAndPutBack) {
    FakeChip chip{0x5CA3, 0x88, 0x84};
    EXPECT_EQ(IdentifyChip(chip.Ports()).identity, EChipIdentity::W83627EHF);
    using W = std::pair<uint8_t, uint8_t>;
    EXPECT_EQ(chip.writes, (std::vector<W>{{0x4E, 0x80}, {0x4E, 0x84}}));

    FakeChip other{0x1234, 0x88, 0x84};
    EXPECT_EQ(IdentifyChip(other.Ports()).identity, EChipIdentity::OTHER);
    EXPECT_TRUE(other.writes.empty()) << "another vendor's chip is not even switched to bank 0";
}

}  // namespace
