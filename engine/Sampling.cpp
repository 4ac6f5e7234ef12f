#include "Sampling.h"

#include "Channels.h"
#include "Numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace okulon {

Rgb3 PlaneRgb(const TrackerState& s, long long x, long long y)
{
    // Sampling positions are not checked by the callers (a centre near the
    // plane's edge puts points outside it). Such points read as black rather
    // than outside the plane.
    if (x < 0 || y < 0 || x >= PlaneSize || y >= PlaneSize)
        return {};
    const auto& c = s.Plane(static_cast<int>(x), static_cast<int>(y)).Slot;
    return {c[1], c[2], c[3]};
}

void SamplePoint(TrackerState& s, int n, int tolerance, long long px, long long py)
{
    if (n <= 0 || n >= static_cast<int>(s.LivePoints.size()))
        return;
    auto& e = s.LivePoints[static_cast<std::size_t>(n)].F;
    if (s.LivePoints[0].F[pf::HeaderCount] == 0) {
        e[pf::Dx] = static_cast<std::int32_t>(px);
        e[pf::Dy] = static_cast<std::int32_t>(py);
    }
    const Rgb3 c = PlaneRgb(s, px, py);
    e[pf::R] = c.R;
    e[pf::G] = c.G;
    e[pf::B] = c.B;
    const Hsl hsl = DeriveChannels(c.R, c.G, c.B);
    e[pf::H] = hsl.H;
    e[pf::S] = hsl.S;
    e[pf::L] = hsl.L;
    e[pf::Tolerance] = tolerance;
}

int MeanBrightness(const TrackerState& s)
{
    if (s.PointCount <= 0)
        return 0;
    int sr = 0, sg = 0, sb = 0; // at most 100 points of 0..255: each sum fits 16 bits
    for (int i = 1; i <= s.PointCount; ++i) {
        const auto& e = s.LivePoints[static_cast<std::size_t>(i)].F;
        sr += e[pf::R];
        sg += e[pf::G];
        sb += e[pf::B];
    }
    return (sr + sg + sb) / 3 / s.PointCount;
}

namespace {

void SetRelativeColours(TrackerState& s, int m)
{
    for (int i = 1; i <= s.PointCount; ++i) {
        auto& e = s.LivePoints[static_cast<std::size_t>(i)].F;
        e[pf::DR] = e[pf::R] - m;
        e[pf::DG] = e[pf::G] - m;
        e[pf::DB] = e[pf::B] - m;
    }
}

bool InsideSample(const TrackerState& s, long long dx, long long dy)
{
    return s.SampleWidth >= 2 * std::llabs(dx) && s.SampleHeight >= 2 * std::llabs(dy);
}

} // namespace

void SampleDefaultPattern(TrackerState& s, int a, int b)
{
    // The pattern has up to 39 points. When LivePoints holds fewer entries
    // (MaxPoints below 39) the points that do not fit are left out, so the
    // pattern is cut short instead of writing past the table.
    const int capacity = static_cast<int>(s.LivePoints.size()) - 1;
    s.PointCount = 0;
    auto take = [&](long long x, long long y, int tolerance) {
        if (s.PointCount >= capacity)
            return;
        ++s.PointCount;
        SamplePoint(s, s.PointCount, tolerance, x, y);
    };
    take(a, b, 10);
    for (int k = -4; k <= 5; ++k) {
        take(a, b + 6 * k, 20);
        take(a + 10, b + 5 * k, 40);
        take(a - 10, b + 5 * k, 40);
    }
    for (int k = 1; k <= 8; ++k) {
        const int dx = static_cast<int>(RoundHalfEven(39.0 * std::cos(45.0 * k * 0.01745)));
        const int dy = static_cast<int>(RoundHalfEven(39.0 * std::sin(45.0 * k * 0.01745)));
        if (InsideSample(s, dx, dy))
            take(a + dx, b + dy, 50);
    }
    const int m = MeanBrightness(s);
    SetRelativeColours(s, m);
    for (int i = 1; i <= s.PointCount; ++i) {
        auto& e = s.LivePoints[static_cast<std::size_t>(i)].F;
        e[pf::Dx] -= a;
        e[pf::Dy] -= b;
        if (!InsideSample(s, e[pf::Dx], e[pf::Dy]))
            e[pf::Tolerance] = ExcludedTolerance;
    }
    if (!s.LivePoints.empty()) {
        s.LivePoints[0].F[pf::HeaderMean] = m;
        s.LivePoints[0].F[pf::HeaderCount] = s.PointCount;
    }
}

void SampleStructure(TrackerState& s, int a, int b)
{
    if (s.LivePoints.empty())
        return;
    const int count = std::min<int>(s.LivePoints[0].F[pf::HeaderCount], static_cast<int>(s.LivePoints.size()) - 1);
    if (count <= 0)
        return;
    s.PointCount = 0;
    for (int i = 1; i <= count; ++i) {
        ++s.PointCount;
        const auto& e = s.LivePoints[static_cast<std::size_t>(i)].F;
        const long long dx = e[pf::Dx];
        const long long dy = e[pf::Dy];
        if (InsideSample(s, dx, dy))
            SamplePoint(s, i, e[pf::Tolerance], a + dx, b + dy);
        else
            SamplePoint(s, i, ExcludedTolerance, a, b);
    }
    const int m = MeanBrightness(s);
    SetRelativeColours(s, m);
    s.LivePoints[0].F[pf::HeaderMean] = m;
}

} // namespace okulon
