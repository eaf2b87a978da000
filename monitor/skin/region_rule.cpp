#include "region_rule.h"

std::optional<std::vector<SRegionRect>> RegionFromBitmap(const SPixels* bitmap,
                                                         uint32_t transparent) {
    if (bitmap == nullptr)
        return std::nullopt;
    std::vector<SRegionRect> rects;
    rects.reserve(40);
    for (int y = bitmap->height - 1; y >= 0; --y) {
        const uint32_t* row = bitmap->rgb.data() + static_cast<size_t>(y) * bitmap->width;
        int x = 0;
        while (x < bitmap->width) {
            if ((row[x] & 0xFFFFFF) == transparent) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < bitmap->width && (row[x] & 0xFFFFFF) != transparent)
                ++x;
            rects.push_back({start, y, x, y + 1});
        }
    }
    return rects;
}
