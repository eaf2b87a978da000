#pragma once
// The rule that turns a bitmap into a shape: every maximal horizontal run of pixels that are not
// the transparent colour becomes one rectangle. Kept free of any window system so it can be
// checked on plain pixel arrays; the Qt side turns the rectangles into a QRegion.

#include <cstdint>
#include <optional>
#include <vector>

struct SRegionRect {
    int left = 0;
    int top = 0;
    int right = 0;   // exclusive
    int bottom = 0;  // exclusive
    bool operator==(const SRegionRect&) const = default;
};

// Pixels as 0xRRGGBB, rows from the top down, `width` pixels each.
struct SPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;
};

inline constexpr uint32_t WINDOW_OUTLINE_KEY = 0xFF00FF;  // magenta is outside the window
inline constexpr uint32_t BUTTON_MASK_KEY = 0xFFFFFF;     // white is outside a button

// No bitmap gives no region; a bitmap without one opaque pixel gives an empty list. Rows are
// visited from the bottom up, runs from left to right.
std::optional<std::vector<SRegionRect>> RegionFromBitmap(const SPixels* bitmap,
                                                         uint32_t transparent);
