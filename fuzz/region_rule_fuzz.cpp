// The shape rule over any pixels: every rectangle lies inside the bitmap, is one row high and
// not empty, rows come bottom-up, and the rectangles cover exactly the pixels that are not the
// transparent colour.

#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "region_rule.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFuzzInput in(data, size);
    SPixels pixels;
    pixels.width = in.Byte() % 65;
    pixels.height = in.Byte() % 65;
    const uint32_t key = in.Byte() & 1 ? BUTTON_MASK_KEY : WINDOW_OUTLINE_KEY;
    size_t opaque = 0;
    for (int i = 0; i < pixels.width * pixels.height; ++i) {
        // Two bits a pixel: mostly the key colours, so runs form.
        const uint8_t b = in.Byte();
        const uint32_t rgb = (b & 3) == 0   ? WINDOW_OUTLINE_KEY
                             : (b & 3) == 1 ? BUTTON_MASK_KEY
                                            : 0x000000u + b;
        pixels.rgb.push_back(rgb);
        opaque += rgb != key;
    }
    const auto rects = RegionFromBitmap(&pixels, key);
    if (!rects)
        __builtin_trap();
    size_t covered = 0;
    int lastRow = pixels.height;
    for (const SRegionRect& r : *rects) {
        if (r.left < 0 || r.right > pixels.width || r.left >= r.right || r.top < 0 ||
            r.bottom != r.top + 1 || r.bottom > pixels.height || r.top > lastRow)
            __builtin_trap();
        lastRow = r.top;
        covered += static_cast<size_t>(r.right - r.left);
    }
    if (covered != opaque)
        __builtin_trap();
    return 0;
}
