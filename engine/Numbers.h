// Number rules shared by the engine: rounding halves to the even neighbour,
// saturation into the 16-bit fields of the state.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace okulon {

// round(x) with halves to the even neighbour (the default floating-point mode).
inline double RoundHalfEven(double x)
{
    return std::nearbyint(x);
}

// Values that do not fit a 16-bit field are held at its nearest limit
// rather than wrapped.
inline std::int16_t SaturateInt16(long long v)
{
    if (v > std::numeric_limits<std::int16_t>::max())
        return std::numeric_limits<std::int16_t>::max();
    if (v < std::numeric_limits<std::int16_t>::min())
        return std::numeric_limits<std::int16_t>::min();
    return static_cast<std::int16_t>(v);
}

inline std::int16_t RoundToInt16(double x)
{
    if (!(x == x)) // NaN
        return 0;
    const double r = RoundHalfEven(x);
    if (r > 32767.0)
        return 32767;
    if (r < -32768.0)
        return -32768;
    return static_cast<std::int16_t>(r);
}

} // namespace okulon
