// A skin bitmap from arbitrary bytes, as a downloaded skin may hold: the BMP decoder, then the
// shape rule over what it decoded, for the window outline and for a button mask. A bitmap that
// decodes gives a region inside the picture covering exactly its pixels of other colours.

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <cstddef>
#include <cstdint>

#include "bitmap_region.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Qt refuses pictures above its allocation limit before decoding them; at the real limit
    // (128 MiB) a few header bytes make each run take a second, so the limit is lowered here.
    // The decoder's paths are the same for a small picture as for a large one.
    static const bool limited = (QImageReader::setAllocationLimit(1), true);
    (void)limited;
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const QImage image = ReadBitmap(&buffer);
    for (const uint32_t key : {WINDOW_OUTLINE_KEY, BUTTON_MASK_KEY}) {
        const auto region = RegionFromImage(&image, key);
        if (image.isNull()) {
            if (region)
                __builtin_trap();
            continue;
        }
        if (!region)
            __builtin_trap();
        int64_t opaque = 0;
        for (const uint32_t rgb : PixelsFromImage(image).rgb)
            opaque += rgb != key;
        int64_t covered = 0;
        for (const QRect& r : *region) {
            if (!image.rect().contains(r))
                __builtin_trap();
            covered += static_cast<int64_t>(r.width()) * r.height();
        }
        if (covered != opaque)
            __builtin_trap();
    }
    return 0;
}
