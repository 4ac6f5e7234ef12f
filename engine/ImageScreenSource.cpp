#include "ImageScreenSource.h"

namespace okulon {

void ImageScreenSource::Grab(int left, int top, int width, int height, std::vector<Color>& out)
{
    out.assign(static_cast<std::size_t>(width > 0 ? width : 0) * (height > 0 ? height : 0), Black);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out[static_cast<std::size_t>(y) * width + x] = screen_.Pixel(left + x, top + y);
}

} // namespace okulon
