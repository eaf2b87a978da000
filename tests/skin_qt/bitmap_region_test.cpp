#include "bitmap_region.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QRect>
#include <fstream>
#include <string>
#include <vector>

#include "skin_bitmaps.h"
#include "temp_dir.h"

namespace {

bool SameArea(const QRegion& a, const QRegion& b) {
    return (a ^ b).isEmpty();
}

TEST(BitmapFile, LoadsABmpAtItsOwnSize) {
    CTempDir dir;
    const QImage image = LoadBitmapFile(SaveBmp(dir, "a.bmp", SolidImage(7, 3, Qt::red)));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(7, 3));
    EXPECT_EQ(image.pixelColor(6, 2), QColor(Qt::red));
}

TEST(BitmapFile, AnythingThatDoesNotLoadIsANullImage) {
    CTempDir dir;
    ASSERT_TRUE(dir.WriteFile("broken.bmp", "BM this is not a bitmap"));
    ASSERT_TRUE(dir.WriteFile("empty.bmp", ""));
    // Skin bitmaps are BMP files; a picture in another format is not decoded.
    ASSERT_TRUE(
        SolidImage(4, 4, Qt::red).save(QString::fromStdString(dir.PathOf("png.bmp")), "PNG"));
    ASSERT_EQ(::mkfifo(dir.PathOf("fifo.bmp").c_str(), 0600), 0);
    for (const std::string& path :
         {std::string(), dir.PathOf("missing.bmp"), dir.PathOf("broken.bmp"),
          dir.PathOf("empty.bmp"), dir.Path() + "/", dir.PathOf("png.bmp"),
          dir.PathOf("fifo.bmp")}) {
        EXPECT_TRUE(LoadBitmapFile(path).isNull()) << path;
    }
}

TEST(RegionFromImage, NoImageGivesNoRegion) {
    const QImage null;
    EXPECT_FALSE(RegionFromImage(nullptr, BUTTON_MASK_KEY).has_value());
    EXPECT_FALSE(RegionFromImage(&null, BUTTON_MASK_KEY).has_value());
}

TEST(RegionFromImage, AllWhiteMaskGivesAnEmptyRegion) {
    const QImage white = SolidImage(5, 4, Qt::white);
    const auto region = RegionFromImage(&white, BUTTON_MASK_KEY);
    ASSERT_TRUE(region.has_value());
    EXPECT_TRUE(region->isEmpty());
}

TEST(RegionFromImage, WindowOutlineFromAMagentaCorneredBmp) {
    CTempDir dir;
    QImage picture = SolidImage(6, 4, Qt::black);
    for (const QPoint corner : {QPoint(0, 0), QPoint(5, 0), QPoint(0, 3), QPoint(5, 3)})
        picture.setPixelColor(corner, QColor(255, 0, 255));
    picture.setPixelColor(5, 1, Qt::white);  // white is inside a window outline
    const QImage loaded = LoadBitmapFile(SaveBmp(dir, "bg.bmp", picture));

    const auto region = RegionFromImage(&loaded, WINDOW_OUTLINE_KEY);
    ASSERT_TRUE(region.has_value());
    QRegion expected(1, 0, 4, 1);
    expected += QRect(0, 1, 6, 2);
    expected += QRect(1, 3, 4, 1);
    EXPECT_TRUE(SameArea(*region, expected));
}

TEST(RegionFromImage, ButtonMaskKeepsALonePixelInTheLastColumn) {
    QImage mask = SolidImage(4, 2, Qt::white);
    mask.setPixelColor(3, 0, Qt::black);
    mask.setPixelColor(0, 1, Qt::black);
    const auto region = RegionFromImage(&mask, BUTTON_MASK_KEY);
    ASSERT_TRUE(region.has_value());
    QRegion expected(3, 0, 1, 1);
    expected += QRect(0, 1, 1, 1);
    EXPECT_TRUE(SameArea(*region, expected));
}

}  // namespace

namespace {

TEST(SharpBitmap, UsedOnlyWhenExactlyTwiceTheSize) {
    CTempDir dir;
    const std::string path = SaveBmp(dir, "b.bmp", SolidImage(5, 4, Qt::red));
    const QImage normal = LoadBitmapFile(path);
    EXPECT_TRUE(LoadSharpBitmap(path, normal).isNull()) << "none shipped";
    SaveBmp(dir, "b@2x.bmp", SolidImage(9, 8, Qt::blue));
    EXPECT_TRUE(LoadSharpBitmap(path, normal).isNull()) << "not twice the size";
    SaveBmp(dir, "b@2x.bmp", SolidImage(10, 8, Qt::blue));
    const QImage sharp = LoadSharpBitmap(path, normal);
    ASSERT_FALSE(sharp.isNull());
    EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
    EXPECT_EQ(sharp.deviceIndependentSize().toSize(), normal.size());
}

TEST(KeyColour, GivesWayToTheNearestColourOfTheShape) {
    // A 6 x 1 row: key, key, green, blue, key, key; and a picture all key colour.
    QImage row = SolidImage(6, 1, QColor(255, 0, 255));
    row.setPixelColor(2, 0, Qt::green);
    row.setPixelColor(3, 0, Qt::blue);
    const QImage out = WithoutKeyColour(row, 0xFF00FF);
    const QColor expected[] = {Qt::green, Qt::green, Qt::green, Qt::blue, Qt::blue, Qt::blue};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(out.pixelColor(x, 0), expected[x]) << x;
    const QImage none = WithoutKeyColour(SolidImage(3, 3, QColor(255, 0, 255)), 0xFF00FF);
    EXPECT_EQ(none.pixelColor(1, 1), QColor(Qt::black));
}

}  // namespace
