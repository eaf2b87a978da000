#pragma once
// Skin bitmaps made by the tests themselves and written as BMP files.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <string>

#include "temp_dir.h"

inline QImage SolidImage(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// `left` on the left half, `right` on the right half.
inline QImage SplitImage(int width, int height, QColor left, QColor right) {
    QImage image = SolidImage(width, height, right);
    QPainter(&image).fillRect(0, 0, width / 2, height, left);
    return image;
}

inline std::string SaveBmp(const CTempDir& dir, const std::string& name, const QImage& image) {
    const std::string path = dir.PathOf(name);
    image.save(QString::fromStdString(path), "BMP");
    return path;
}
