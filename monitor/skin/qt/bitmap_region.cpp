#include "bitmap_region.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRect>
#include <algorithm>
#include <utility>
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

QImage LoadSharpBitmap(const std::string& path, const QImage& normal) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (normal.isNull() || dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    QImage sharp = LoadBitmapFile(path.substr(0, dot) + "@2x" + path.substr(dot));
    if (sharp.isNull() || sharp.size() != normal.size() * 2)
        return {};
    sharp.setDevicePixelRatio(2);
    return sharp;
}

QImage WithoutKeyColour(const QImage& image, uint32_t key, int reach) {
    QImage out = image.convertToFormat(QImage::Format_RGB32);
    const int w = out.width(), h = out.height();
    auto isKey = [key](QRgb p) { return (p & 0xFFFFFF) == key; };
    // Grow the shape's colours outward a ring at a time.
    for (int ring = 0; ring < reach; ++ring) {
        const QImage before = out;
        bool changed = false;
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < w; ++x) {
                if (!isKey(row[x]))
                    continue;
                for (const auto& [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                        continue;
                    const QRgb n = reinterpret_cast<const QRgb*>(before.constScanLine(ny))[nx];
                    if (!isKey(n)) {
                        row[x] = n;
                        changed = true;
                        break;
                    }
                }
            }
        }
        if (!changed)
            break;
    }
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            if (isKey(row[x]))
                row[x] = qRgb(0, 0, 0);
        }
    }
    out.setDevicePixelRatio(image.devicePixelRatio());
    return out;
}
