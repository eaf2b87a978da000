#pragma once
// Bitmaps of a skin as Qt images, and the shapes made from them: the pixel rule itself lives in
// the Qt-free core; this side feeds it QImage pixels and turns its rectangles into a QRegion.

#include <QIODevice>
#include <QImage>
#include <QRegion>
#include <cstdint>
#include <optional>
#include <string>

#include "region_rule.h"

// The image's pixels as 0xRRGGBB, alpha dropped; a null image gives an empty pixel set.
SPixels PixelsFromImage(const QImage& image);

// No image (null pointer or null image) gives no region; an image without one pixel outside the
// key colour gives an empty region.
std::optional<QRegion> RegionFromImage(const QImage* image, uint32_t key);

// A skin bitmap from disk at its natural size. An empty path, a missing file or one that does not
// decode gives a null image: the caller treats that as "no bitmap", never as an error.
QImage LoadBitmapFile(const std::string& path);

// The same from any device. Only the BMP decoder reads it, whatever the bytes look like: skins
// come from anywhere and name BMP files, so no other image decoder is exposed to them.
QImage ReadBitmap(QIODevice* device);

// The sharper picture a skin may ship beside a bitmap for screens scaled up: "name@2x.bmp" for
// "name.bmp", used only when it is exactly twice the size of `normal`. Its device pixel ratio is
// 2, so it draws at the size of `normal`. A null image when there is none.
QImage LoadSharpBitmap(const std::string& path, const QImage& normal);

// A copy in which every pixel of the key colour takes the colour of the nearest pixel that is
// not, within `reach` pixels (beyond it, black). Scaled for a screen, the picture then blends
// only colours of its own at the edge of a shape cut out by the key colour: no fringe of the
// key colour.
QImage WithoutKeyColour(const QImage& image, uint32_t key, int reach = 4);
