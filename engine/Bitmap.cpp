#include "Bitmap.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace okulon {

void Bitmap::SetSize(int width, int height, Color fill)
{
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    pixels_.assign(static_cast<std::size_t>(width_) * height_, fill);
}

void Bitmap::Fill(Color c)
{
    std::fill(pixels_.begin(), pixels_.end(), c);
}

namespace {

// The box x1..x2-1 by y1..y2-1 with its corners put in order, as the drawing
// calls do with a box given right to left or bottom to top.
void Normalise(int& x1, int& y1, int& x2, int& y2)
{
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
}

} // namespace

void FillRect(Bitmap& bmp, int x1, int y1, int x2, int y2, Color c)
{
    Normalise(x1, y1, x2, y2);
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, bmp.Width());
    y2 = std::min(y2, bmp.Height());
    for (int y = y1; y < y2; ++y) {
        Color* row = bmp.Row(y);
        std::fill(row + x1, row + std::max(x1, x2), c);
    }
}

void FrameRect(Bitmap& bmp, int x1, int y1, int x2, int y2, Color pen)
{
    Normalise(x1, y1, x2, y2);
    if (x2 <= x1 || y2 <= y1)
        return;
    FillRect(bmp, x1, y1, x2, y1 + 1, pen);
    FillRect(bmp, x1, y2 - 1, x2, y2, pen);
    FillRect(bmp, x1, y1, x1 + 1, y2, pen);
    FillRect(bmp, x2 - 1, y1, x2, y2, pen);
}

void FilledRectangle(Bitmap& bmp, int x1, int y1, int x2, int y2, Color pen, Color brush)
{
    Normalise(x1, y1, x2, y2);
    FillRect(bmp, x1 + 1, y1 + 1, x2 - 1, y2 - 1, brush);
    FrameRect(bmp, x1, y1, x2, y2, pen);
}

void EllipseOutline(Bitmap& bmp, int x1, int y1, int x2, int y2, Color pen)
{
    Normalise(x1, y1, x2, y2);
    if (x2 <= x1 || y2 <= y1)
        return;
    // Centre and radii of the pixel box; every plotted pixel is rounded onto a
    // pixel of the box, so the outline never leaves it.
    const double cx = (x1 + x2 - 1) / 2.0;
    const double cy = (y1 + y2 - 1) / 2.0;
    const double a = (x2 - x1 - 1) / 2.0;
    const double b = (y2 - y1 - 1) / 2.0;
    auto plot = [&](double px, double py) {
        const int ix = std::clamp(static_cast<int>(std::floor(px + 0.5)), x1, x2 - 1);
        const int iy = std::clamp(static_cast<int>(std::floor(py + 0.5)), y1, y2 - 1);
        bmp.SetPixel(ix, iy, pen);
    };
    // Walk the columns (for the flat parts) and the rows (for the steep parts).
    for (int x = x1; x < x2; ++x) {
        const double t = a > 0 ? (x - cx) / a : 0.0;
        const double h = b * std::sqrt(std::max(0.0, 1.0 - t * t));
        plot(x, cy - h);
        plot(x, cy + h);
    }
    for (int y = y1; y < y2; ++y) {
        const double t = b > 0 ? (y - cy) / b : 0.0;
        const double w = a * std::sqrt(std::max(0.0, 1.0 - t * t));
        plot(cx - w, y);
        plot(cx + w, y);
    }
}

void CopyRect(const Bitmap& src, int sx, int sy, int width, int height, Bitmap& dst, int dx, int dy)
{
    for (int j = 0; j < height; ++j) {
        const int ty = dy + j;
        if (ty < 0 || ty >= dst.Height())
            continue;
        for (int i = 0; i < width; ++i) {
            const int tx = dx + i;
            if (tx < 0 || tx >= dst.Width())
                continue;
            dst.SetPixel(tx, ty, src.Pixel(sx + i, sy + j));
        }
    }
}

} // namespace okulon
