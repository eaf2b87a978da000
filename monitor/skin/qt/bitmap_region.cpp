#include "bitmap_region.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRect>
#include <algorithm>
#include <vector>

SPixels PixelsFromImage(const QImage& image) {
    SPixels pixels;
    if (image.isNull())
        return pixels;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    pixels.width = rgb.width();
    pixels.height = rgb.height();
    pixels.rgb.reserve(static_cast<size_t>(pixels.width) * pixels.height);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            pixels.rgb.push_back(line[x] & 0xFFFFFF);
    }
    return pixels;
}

std::optional<QRegion> RegionFromImage(const QImage* image, uint32_t key) {
    if (image == nullptr || image->isNull())
        return std::nullopt;
    const SPixels pixels = PixelsFromImage(*image);
    const auto rects = RegionFromBitmap(&pixels, key);
    if (!rects)
        return std::nullopt;
    // The rule's runs are disjoint, one row high and never abut, so once sorted top-down they
    // are already the banded form QRegion keeps: no union per rectangle is needed.
    std::vector<QRect> bands;
    bands.reserve(rects->size());
    for (const SRegionRect& r : *rects)
        bands.emplace_back(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
    std::stable_sort(bands.begin(), bands.end(), [](const QRect& a, const QRect& b) {
        return a.top() != b.top() ? a.top() < b.top() : a.left() < b.left();
    });
    QRegion region;
    if (!bands.empty())
        region.setRects(bands.data(), static_cast<int>(bands.size()));
    return region;
}

QImage LoadBitmapFile(const std::string& path) {
    // Only a plain file: a FIFO planted in a skin folder would otherwise stall the window.
    if (path.empty() || !QFileInfo(QString::fromStdString(path)).isFile())
        return {};
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return ReadBitmap(&file);
}

QImage ReadBitmap(QIODevice* device) {
    QImageReader reader(device, "bmp");
    reader.setAutoDetectImageFormat(false);
    QImage image;
    if (!reader.read(&image))
        return {};
    return image;
}
