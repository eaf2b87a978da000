#include "region_rule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Rows from the top down: '#' black, 'w' white, 'n' one step off white, '.' the key colour.
SPixels Picture(const std::vector<std::string>& rows, uint32_t key) {
    SPixels pixels;
    pixels.height = static_cast<int>(rows.size());
    pixels.width = rows.empty() ? 0 : static_cast<int>(rows[0].size());
    for (const std::string& row : rows) {
        for (char c : row)
            pixels.rgb.push_back(c == '.'   ? key
                                 : c == 'w' ? 0xFFFFFF
                                 : c == 'n' ? 0xFEFFFF
                                            : 0x000000);
    }
    return pixels;
}

struct RuleCase {
    const char* name;
    uint32_t key;
    std::vector<std::string> rows;
    std::vector<SRegionRect> rects;
};

class RegionRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(RegionRule, MakesOneRectanglePerRunBottomUp) {
    const SPixels pixels = Picture(GetParam().rows, GetParam().key);
    const auto rects = RegionFromBitmap(&pixels, GetParam().key);
    ASSERT_TRUE(rects.has_value());
    EXPECT_EQ(*rects, GetParam().rects);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegionRule,
    ::testing::Values(
        RuleCase{"AllWhiteMaskIsEmpty", BUTTON_MASK_KEY, {"....", "...."}, {}},
        RuleCase{"LonePixelInLastColumn", BUTTON_MASK_KEY, {"...#"}, {{3, 0, 4, 1}}},
        RuleCase{"RunReachingLastColumn", BUTTON_MASK_KEY, {".###"}, {{1, 0, 4, 1}}},
        RuleCase{"RunsLeftToRight",
                 BUTTON_MASK_KEY,
                 {"#.##.#"},
                 {{0, 0, 1, 1}, {2, 0, 4, 1}, {5, 0, 6, 1}}},
        RuleCase{"RowsNeverJoin", BUTTON_MASK_KEY, {"##.", "##."}, {{0, 1, 2, 2}, {0, 0, 2, 1}}},
        RuleCase{"BottomRowFirst", BUTTON_MASK_KEY, {"#..", "..#"}, {{2, 1, 3, 2}, {0, 0, 1, 1}}},
        RuleCase{
            "OnlyTheExactKeyIsOutside", BUTTON_MASK_KEY, {"n.n"}, {{0, 0, 1, 1}, {2, 0, 3, 1}}},
        RuleCase{"WindowOutlineFromMagentaCorners",
                 WINDOW_OUTLINE_KEY,
                 {".##.", "####", ".##."},
                 {{1, 2, 3, 3}, {0, 1, 4, 2}, {1, 0, 3, 1}}},
        RuleCase{"WhiteIsInsideAWindowOutline",
                 WINDOW_OUTLINE_KEY,
                 {"w.w"},
                 {{0, 0, 1, 1}, {2, 0, 3, 1}}}),
    [](const ::testing::TestParamInfo<RuleCase>& info) { return std::string(info.param.name); });

TEST(RegionRuleNoBitmap, GivesNoRegion) {
    EXPECT_FALSE(RegionFromBitmap(nullptr, BUTTON_MASK_KEY).has_value());
}

}  // namespace
