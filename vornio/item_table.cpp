#include "item_table.h"

#include <array>
#include <initializer_list>

namespace vornio {

namespace {

struct SItemEntry {
    uint8_t item;
    SItemLengths lengths;
};

using Table = std::array<SItemLengths, ITEM_COUNT>;

constexpr Table BuildTable() {
    Table table{};
    std::array<bool, ITEM_COUNT> set{};
    auto put = [&](uint8_t item, SItemLengths lengths) {
        // Each item must be listed exactly once; a slip here stops the build.
        if (item >= ITEM_COUNT || set[item])
            throw "item listed twice or out of range";
        set[item] = true;
        table[item] = lengths;
    };
    for (uint8_t item :
         {0,  1,  2,  3,  4,  6,  8,  10, 12, 14, 41, 43, 45, 47, 48, 51, 52,  53,  55,  57, 58,
          59, 65, 66, 69, 71, 73, 75, 77, 79, 81, 82, 90, 93, 94, 95, 98, 101, 103, 104, 107}) {
        put(item, {0, 1});
    }
    for (uint8_t item :
         {5,  7,  9,  11, 13, 15, 16, 18, 19, 20, 22, 25, 33, 38, 44,  46,  49,  50, 54,
          56, 60, 63, 70, 72, 74, 76, 78, 80, 83, 84, 91, 96, 97, 102, 105, 106, 108}) {
        put(item, {1, 1});
    }
    const SItemEntry others[] = {
        {17, {2, 1}},    {21, {0, 2}},   {23, {0, 17}},  {24, {17, 1}},  {26, {0, 27}},
        {27, {27, 1}},   {28, {0, 129}}, {29, {129, 1}}, {30, {0, 129}}, {31, {129, 1}},
        {32, {0, 3}},    {34, {1, 3}},   {35, {4, 1}},   {36, {1, 5}},   {37, {6, 1}},
        {39, {1, 2}},    {40, {3, 1}},   {42, {2, 0}},   {61, {0, 14}},  {62, {14, 1}},
        {64, {1, 14}},   {67, {2, 1}},   {68, {0, 9}},   {85, {2, 1}},   {86, {0, 10}},
        {87, {10, 0}},   {88, {2, 1}},   {89, {3, 1}},   {92, {0, 12}},  {99, {1, 129}},
        {100, {130, 1}}, {109, {6, 1}},  {110, {3, 1}},
    };
    for (const SItemEntry& e : others)
        put(e.item, e.lengths);
    for (bool s : set) {
        if (!s)
            throw "item missing from the table";
    }
    return table;
}

constexpr Table ITEM_TABLE = BuildTable();

}  // namespace

std::optional<SItemLengths> TableItemLengths(uint8_t item) {
    if (item > LAST_ITEM)
        return std::nullopt;
    return ITEM_TABLE[item];
}

uint8_t ClockGenByteCount(uint16_t boardValue) {
    switch (boardValue) {
        case 4:
        case 5:
            return 34;
        case 8:
            return 37;
        default:
            return CLOCK_GEN_DEFAULT_BYTES;
    }
}

}  // namespace vornio
