// A small 32-bit bitmap and the drawing the engine does on it.
//
// Coordinates follow the rules of the Windows drawing calls the pictures were
// designed for: a rectangle from (x1, y1) to (x2, y2) covers the pixels
// x1..x2-1 and y1..y2-1, and an ellipse lies inside that same box. Drawing
// outside the bitmap is clipped; reading outside it gives black.
#pragma once

#include "Ports.h"

#include <cstdint>
#include <vector>

namespace okulon {

constexpr Color Rgb(int r, int g, int b)
{
    return static_cast<Color>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(Color c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Color c) { return static_cast<int>((c >> 16) & 0xFF); }

inline constexpr Color White = Rgb(255, 255, 255);
inline constexpr Color Black = Rgb(0, 0, 0);

class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, Color fill = Black) { SetSize(width, height, fill); }

    // New size; the content is replaced by fill. Negative sizes count as 0.
    void SetSize(int width, int height, Color fill = Black);
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    Color Pixel(int x, int y) const { return Contains(x, y) ? pixels_[Index(x, y)] : Black; }
    void SetPixel(int x, int y, Color c)
    {
        if (Contains(x, y))
            pixels_[Index(x, y)] = c;
    }
    void Fill(Color c);

    // One row of pixels, for bulk reads; row must lie inside the bitmap.
    const Color* Row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    Color* Row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }

    bool operator==(const Bitmap& o) const = default;

private:
    std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y) * width_ + x; }
    int width_ = 0;
    int height_ = 0;
    std::vector<Color> pixels_;
};

// Fills x1..x2-1, y1..y2-1.
void FillRect(Bitmap& bmp, int x1, int y1, int x2, int y2, Color c);
// One-pixel outline of x1..x2-1, y1..y2-1 (a rectangle drawn with a hollow brush).
void FrameRect(Bitmap& bmp, int x1, int y1, int x2, int y2, Color pen);
// Outline with pen, interior with brush (a rectangle drawn with a solid brush).
void FilledRectangle(Bitmap& bmp, int x1, int y1, int x2, int y2, Color pen, Color brush);
// One-pixel outline of the ellipse inscribed in x1..x2-1, y1..y2-1.
void EllipseOutline(Bitmap& bmp, int x1, int y1, int x2, int y2, Color pen);
// Copies width x height pixels from (sx, sy) of src to (dx, dy) of dst.
// Source pixels outside src read as black; destination pixels outside dst are dropped.
void CopyRect(const Bitmap& src, int sx, int sy, int width, int height, Bitmap& dst, int dx, int dy);

} // namespace okulon
