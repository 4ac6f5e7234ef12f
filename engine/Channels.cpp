#include "Channels.h"

#include "Numbers.h"

#include <algorithm>

namespace okulon {

Hsl DeriveChannels(int r, int g, int b)
{
    Hsl out;
    const int mx = std::max({r, g, b});
    const int mn = std::min({r, g, b});
    const int delta = mx - mn;
    if (delta != 0) {
        // The three cases are tried in this order, each overriding the one
        // before, so blue wins a shared maximum over green and green over red.
        out.H = static_cast<int>(RoundHalfEven(60.0 * (g - b) / delta));
        if (g < b)
            out.H += 360;
        if (mx == g)
            out.H = static_cast<int>(RoundHalfEven(60.0 * (b - r) / delta)) + 120;
        if (mx == b)
            out.H = static_cast<int>(RoundHalfEven(60.0 * (r - g) / delta)) + 240;
    }
    out.S = mx == 0 ? 0 : 255 - static_cast<int>(RoundHalfEven(mn * 255.0 / mx));
    out.L = (mn + mx) / 2;
    return out;
}

} // namespace okulon
