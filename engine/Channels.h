// The derived colour channels: hue, saturation and lightness of a pixel or of
// a block average.
#pragma once

namespace okulon {

struct Hsl {
    int H = 0; // 0..360
    int S = 0; // 0..255
    int L = 0; // 0..255
};

// R, G, B are 0..255.
Hsl DeriveChannels(int r, int g, int b);

} // namespace okulon
