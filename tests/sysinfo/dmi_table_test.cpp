#include "dmi_table.h"

#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include "dmi_builder.h"

namespace {

const Bytes GOOD_TABLE = Concat({
    BiosStructure("Vorn BIOS Inc.", "06/15/2005"),
    Structure(1, 0x08, {1, 2}, {"Vorn", "System"}),
    BoardStructure("Vorn Boards", "XB-100 (Rev 1.0)"),
    Structure(127, 4, {}, {}),
});

// What any walk may give: cut strings without their terminator.
void ExpectSaneStrings(const DmiFacts& f) {
    for (const std::string* s :
         {&f.biosVendor, &f.biosDate, &f.boardManufacturer, &f.boardProduct}) {
        EXPECT_LE(s->size(), DMI_STRING_MAX);
        EXPECT_EQ(s->find('\0'), std::string::npos);
    }
}

}  // namespace

TEST(DmiTable, WalkKeepsBiosAndBoardStrings) {
    DmiFacts f = WalkDmiTable(GOOD_TABLE);
    EXPECT_TRUE(f.hasBios);
    EXPECT_TRUE(f.hasBoard);
    EXPECT_EQ(f.biosVendor, "Vorn BIOS Inc.");
    EXPECT_EQ(f.biosDate, "06/15/2005");
    EXPECT_EQ(f.boardManufacturer, "Vorn Boards");
    EXPECT_EQ(f.boardProduct, "XB-100 (Rev 1.0)");
}

TEST(DmiTable, StringNumbersAndLengths) {
    struct Case {
        const char* what;
        Bytes table;
        std::string product;
        std::string maker;
    };
    const std::string longText(300, 'L');
    const Case cases[] = {
        {"number past the strings", Structure(2, 8, {1, 9}, {"M"}), "", "M"},
        {"number zero", Structure(2, 8, {0, 1}, {"P"}), "P", ""},
        {"number 255", Structure(2, 8, {255, 255}, {"x"}), "", ""},
        {"byte outside the formatted part", Structure(2, 5, {1}, {"M", "P"}), "", "M"},
        {"long string cut to 127", Structure(2, 8, {1, 1}, {longText}), longText.substr(0, 127),
         longText.substr(0, 127)},
        {"no strings", Structure(2, 8, {1, 2}, {}), "", ""},
    };
    for (const auto& c : cases) {
        DmiFacts f = WalkDmiTable(c.table);
        EXPECT_TRUE(f.hasBoard) << c.what;
        EXPECT_EQ(f.boardProduct, c.product) << c.what;
        EXPECT_EQ(f.boardManufacturer, c.maker) << c.what;
    }
}

TEST(DmiTable, CountEndOfTableAndLaterStructures) {
    Bytes twoBoards = Concat({BoardStructure("A", "First"), BoardStructure("B", "Second")});
    EXPECT_EQ(WalkDmiTable(twoBoards).boardProduct, "Second");
    EXPECT_EQ(WalkDmiTable(twoBoards, 1).boardProduct, "First");
    EXPECT_FALSE(WalkDmiTable(twoBoards, 0).hasBoard);
    Bytes ended = Concat({Structure(127, 4, {}, {}), BoardStructure("A", "After end")});
    EXPECT_FALSE(WalkDmiTable(ended).hasBoard);
}

TEST(DmiTable, HostileStructuresStopTheWalk) {
    const Bytes board = BoardStructure("M", "P");
    struct Case {
        const char* what;
        Bytes table;
    };
    const Case cases[] = {
        {"length below the header", Concat({Structure(1, 2, {}, {}), board})},
        {"length zero", Concat({Bytes{5, 0, 0, 0, 0, 0}, board})},
        {"formatted part past the end", Concat({Bytes{1, 200, 0, 0}, board})},
        {"strings without an end", Concat({Bytes{1, 4, 0, 0, 'a', 'b', 'c'}})},
        {"header cut", Bytes{2, 8}},
    };
    for (const auto& c : cases) {
        DmiFacts f = WalkDmiTable(c.table);
        EXPECT_FALSE(f.hasBoard) << c.what;
        EXPECT_EQ(f.boardProduct, "") << c.what;
    }
}

TEST(DmiTable, EveryTruncationGivesWholeFactsOrNone) {
    for (size_t n = 0; n <= GOOD_TABLE.size(); ++n) {
        Bytes cut(GOOD_TABLE.begin(), GOOD_TABLE.begin() + static_cast<long>(n));
        DmiFacts f = WalkDmiTable(cut);
        ExpectSaneStrings(f);
        if (f.hasBios) {
            EXPECT_EQ(f.biosVendor, "Vorn BIOS Inc.") << n;
            EXPECT_EQ(f.biosDate, "06/15/2005") << n;
        }
        EXPECT_EQ(f.boardProduct, f.hasBoard ? "XB-100 (Rev 1.0)" : "") << n;
    }
    EXPECT_TRUE(WalkDmiTable(Bytes(GOOD_TABLE.begin(), GOOD_TABLE.end() - 4)).hasBoard);
}

TEST(DmiTable, RandomBytesAndMutatedTablesAreWalkedSafely) {
    std::mt19937 rng(20050615);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < 3000; ++i) {
        Bytes junk(static_cast<size_t>(rng() % 600));
        for (auto& b : junk) {
            b = static_cast<uint8_t>(byte(rng));
        }
        // Small type numbers and lengths make the walk go further into the junk.
        if (i % 2 == 0 && junk.size() > 1) {
            junk[0] = static_cast<uint8_t>(rng() % 3);
            junk[1] = static_cast<uint8_t>(rng() % 24);
        }
        ExpectSaneStrings(
            WalkDmiTable(junk, rng() % 2 ? std::nullopt : std::optional<size_t>(rng() % 70000)));

        Bytes mutated = GOOD_TABLE;
        for (int k = 0; k < 4; ++k) {
            mutated[rng() % mutated.size()] = static_cast<uint8_t>(byte(rng));
        }
        ExpectSaneStrings(WalkDmiTable(mutated));
    }
}

TEST(DmiTable, BiosAreaScanFindsAlignedEntryPoint) {
    DmiFacts f = ScanBiosArea(BiosArea(GOOD_TABLE, 0x1230, 0x8000, 4));
    EXPECT_EQ(f.boardProduct, "XB-100 (Rev 1.0)");
    EXPECT_EQ(f.biosDate, "06/15/2005");
    // The count limits the walk.
    f = ScanBiosArea(BiosArea(GOOD_TABLE, 0x1230, 0x8000, 1));
    EXPECT_TRUE(f.hasBios);
    EXPECT_FALSE(f.hasBoard);
}

TEST(DmiTable, BiosAreaScanRefusesWhatItCannotTrust) {
    struct Case {
        const char* what;
        Bytes area;
    };
    Bytes unaligned = BiosArea(GOOD_TABLE, 0x1238, 0x8000, 4);
    Bytes below = BiosArea(GOOD_TABLE, 0x100, 0x8000, 4);
    below[0x108 + 2] = 0x0E;  // table at 0xE8000, before the area
    Bytes beyond = BiosArea(GOOD_TABLE, 0x100, 0x8000, 4);
    beyond[0x106] = 0xFF;  // table length 0x??FF
    beyond[0x107] = 0x90;  // runs past the end of the area
    Bytes huge = BiosArea(GOOD_TABLE, 0x100, 0x8000, 4);
    huge[0x10B] = 0xFF;  // address 0xFF0F8000
    const Case cases[] = {
        {"no entry point", Bytes(0x10000, 0)},
        {"entry point off a 16-byte boundary", unaligned},
        {"table before the area", below},
        {"table past the area", beyond},
        {"table far above", huge},
        {"entry point cut by the end", Bytes{'_', 'D', 'M', 'I', '_', 0, 0, 0}},
        {"empty area", Bytes{}},
    };
    for (const auto& c : cases) {
        DmiFacts f = ScanBiosArea(c.area);
        EXPECT_FALSE(f.hasBios || f.hasBoard) << c.what;
        EXPECT_EQ(f.boardProduct, "") << c.what;
    }
}

TEST(DmiTable, BiosAreaScanOfRandomAreas) {
    std::mt19937 rng(1905);
    for (int i = 0; i < 200; ++i) {
        Bytes area(static_cast<size_t>(rng() % 0x10001));
        for (auto& b : area) {
            b = static_cast<uint8_t>(rng());
        }
        // Plant an entry point whose table address and length are random.
        if (area.size() >= 0x40) {
            size_t at = (rng() % (area.size() / 16 - 1)) * 16;
            std::copy_n("_DMI_", 5, area.begin() + static_cast<long>(at));
            area[at + 10] = 0x0F;
            area[at + 11] = 0;
        }
        ExpectSaneStrings(ScanBiosArea(area));
    }
}
