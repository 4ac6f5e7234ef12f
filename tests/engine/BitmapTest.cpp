#include "Bitmap.h"

#include <gtest/gtest.h>

#include <string>

namespace okulon {
namespace {

// The picture as rows of '#' (drawn) and '.' (background), for readable expectations.
std::string Picture(const Bitmap& b, Color drawn)
{
    std::string out;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x)
            out += b.Pixel(x, y) == drawn ? '#' : '.';
        out += '\n';
    }
    return out;
}

TEST(BitmapTest, RectangleExcludesRightAndBottomEdges)
{
    Bitmap b(6, 5, Black);
    FrameRect(b, 1, 1, 5, 4, White);
    EXPECT_EQ(Picture(b, White), "......\n"
                                 ".####.\n"
                                 ".#..#.\n"
                                 ".####.\n"
                                 "......\n");
}

TEST(BitmapTest, OnePixelHighRectangleIsALine)
{
    Bitmap b(5, 3, Black);
    FrameRect(b, 0, 1, 9, 2, White); // clipped on the right
    EXPECT_EQ(Picture(b, White), ".....\n#####\n.....\n");
}

TEST(BitmapTest, FilledRectangleAndFill)
{
    Bitmap b(4, 4, Black);
    FilledRectangle(b, 0, 0, 4, 4, White, Rgb(1, 2, 3));
    EXPECT_EQ(b.Pixel(0, 0), White);
    EXPECT_EQ(b.Pixel(3, 3), White);
    EXPECT_EQ(b.Pixel(1, 2), Rgb(1, 2, 3));
    FillRect(b, 2, 2, 2, 4, Black); // empty
    EXPECT_EQ(b.Pixel(2, 2), Rgb(1, 2, 3));
}

TEST(BitmapTest, EllipseStaysInsideItsBox)
{
    Bitmap b(12, 12, Black);
    EllipseOutline(b, 2, 2, 10, 10, White);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            if (b.Pixel(x, y) == White) {
                EXPECT_GE(x, 2);
                EXPECT_LE(x, 9);
                EXPECT_GE(y, 2);
                EXPECT_LE(y, 9);
            }
    // It touches all four sides of the box and leaves the centre and corners free.
    EXPECT_EQ(b.Pixel(5, 2), White);
    EXPECT_EQ(b.Pixel(5, 9), White);
    EXPECT_EQ(b.Pixel(2, 5), White);
    EXPECT_EQ(b.Pixel(9, 5), White);
    EXPECT_EQ(b.Pixel(5, 5), Black);
    EXPECT_EQ(b.Pixel(2, 2), Black);
}

TEST(BitmapTest, CopyClipsBothSides)
{
    Bitmap src(3, 3, Rgb(9, 9, 9));
    Bitmap dst(4, 4, White);
    CopyRect(src, 1, 1, 4, 4, dst, 2, 2);
    EXPECT_EQ(dst.Pixel(2, 2), Rgb(9, 9, 9));
    EXPECT_EQ(dst.Pixel(3, 3), Rgb(9, 9, 9));
    EXPECT_EQ(dst.Pixel(1, 1), White);
    CopyRect(src, 2, 2, 2, 2, dst, 0, 0); // reads past src: black
    EXPECT_EQ(dst.Pixel(0, 0), Rgb(9, 9, 9));
    EXPECT_EQ(dst.Pixel(1, 1), Black);
}

} // namespace
} // namespace okulon
