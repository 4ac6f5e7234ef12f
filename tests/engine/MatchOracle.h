// A plain, literal matching pass: position by position, point by point, pixel
// by pixel, exactly in the order of the written algorithm. The production
// pass must give the same results; this version is kept only as the reference.
#pragma once

#include "Channels.h"
#include "UnitGlobal_v.h"

#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace okulon::oracle {

inline int PlaneSlot(const TrackerState& s, long long x, long long y, int slot)
{
    if (x < 0 || y < 0 || x > 200 || y > 200)
        return 0;
    return s.Plane(static_cast<int>(x), static_cast<int>(y)).Slot[static_cast<std::size_t>(slot)];
}

inline const PointRecord& Entry(const TrackerState& s, int k, int i)
{
    static const PointRecord zero{};
    if (k >= static_cast<int>(s.SampleMatrix.size()))
        return zero;
    const auto& cell = s.SampleMatrix[static_cast<std::size_t>(k)];
    return i < static_cast<int>(cell.size()) ? cell[static_cast<std::size_t>(i)] : zero;
}

inline long long AbsoluteDifference(const TrackerState& s, long long px, long long py, int k, int i)
{
    const long long kw = s.KeyPointWidth, kh = s.KeyPointHeight;
    const long long n = (2 * kw + 1) * (2 * kh + 1);
    int sr = 0, sg = 0, sb = 0;
    for (long long x = px - kw; x <= px + kw; ++x)
        for (long long y = py - kh; y <= py + kh; ++y) {
            sr += PlaneSlot(s, x, y, 1);
            sg += PlaneSlot(s, x, y, 2);
            sb += PlaneSlot(s, x, y, 3);
        }
    const int rb = static_cast<int>(sr / n), gb = static_cast<int>(sg / n), bb = static_cast<int>(sb / n);
    const Hsl hsl = DeriveChannels(rb, gb, bb);
    const auto& c = Entry(s, k, i).F;
    const auto& w = s.ChannelWeights;
    long long h = std::llabs(hsl.H - static_cast<long long>(c[pf::H]));
    if (h > 180)
        h -= 180;
    return w[1] * std::llabs(rb - static_cast<long long>(c[pf::R])) +
           w[2] * std::llabs(gb - static_cast<long long>(c[pf::G])) +
           w[3] * std::llabs(bb - static_cast<long long>(c[pf::B])) +
           w[8] * std::llabs(hsl.S - static_cast<long long>(c[pf::S])) + w[7] * h +
           w[9] * std::llabs(hsl.L - static_cast<long long>(c[pf::L]));
}

inline long long RelativeDifference(const TrackerState& s, long long px, long long py, int k, int i, long long m)
{
    const auto& c = Entry(s, k, i).F;
    const auto& w = s.ChannelWeights;
    const long long d = w[4] * std::llabs(PlaneSlot(s, px, py, 1) - m - c[pf::DR]) +
                        w[5] * std::llabs(PlaneSlot(s, px, py, 2) - m - c[pf::DG]) +
                        w[6] * std::llabs(PlaneSlot(s, px, py, 3) - m - c[pf::DB]) - c[pf::Tolerance];
    return d < 0 ? 0 : d;
}

inline std::optional<long long> RawScore(const TrackerState& s, int k, long long x, long long y)
{
    long long n = 0, s1 = 0, m = 0;
    for (int i = 1; i <= s.PointCount; ++i) {
        const long long px = x + Entry(s, k, i).F[pf::Dx];
        const long long py = y + Entry(s, k, i).F[pf::Dy];
        if (s.LivePoints[static_cast<std::size_t>(i)].F[pf::Tolerance] == 999)
            continue;
        n += 1;
        s1 += AbsoluteDifference(s, px, py, k, i);
        m += (PlaneSlot(s, px, py, 1) + PlaneSlot(s, px, py, 2) + PlaneSlot(s, px, py, 3)) / 3;
    }
    if (n == 0)
        return std::nullopt;
    m = m / n;
    long long s2 = 0;
    for (int i = 1; i <= s.PointCount; ++i) {
        const long long px = x + Entry(s, k, i).F[pf::Dx];
        const long long py = y + Entry(s, k, i).F[pf::Dy];
        if (py >= 2 && py < s.TargetHeight && px - s.KeyPointWidth >= 2 && px + s.KeyPointWidth < s.TargetWidth)
            s2 += RelativeDifference(s, px, py, k, i, m);
    }
    return 32000 / ((s1 + s2) / n + 1);
}

// The scoring, decision, tracking and loss handling of a pass (no drawing,
// no lists, no capture step). align is the text of the alignment parameter.
inline void MatchFrame(TrackerState& s, const std::string& align)
{
    s.CellResult.assign(static_cast<std::size_t>(s.CellCount) + 1, CellScore{});
    s.RowBest.resize(static_cast<std::size_t>(s.MatrixRows) + 1);
    s.BestCell = 0;
    if (s.PointCount >= 1 && s.CellMode <= s.CellCount) {
        s.BestW = 0;
        for (int k = 1; k <= s.CellCount; ++k) {
            if (Entry(s, k, 0).F[pf::FilledFlag] != 1)
                continue;
            long long best = 0, bx = 0, by = 0;
            if (align == "C")
                s.SearchCentre = {static_cast<std::int16_t>(s.TargetWidth / 2),
                                  static_cast<std::int16_t>(s.TargetHeight / 2)};
            if (align == "F")
                s.SearchCentre = {s.TrackX, s.TrackY};
            const long long cx = s.SearchCentre.X, cy = s.SearchCentre.Y;
            bool failed = false;
            for (long long y = cy - s.MaxShift; y <= cy + s.MaxShift && !failed; ++y)
                for (long long x = cx - s.MaxShift; x <= cx + s.MaxShift; ++x) {
                    if (!(x - s.HalfSampleWidth > 0 && y - s.HalfSampleHeight > 0 &&
                          x + s.HalfSampleWidth < s.TargetWidth && y + s.HalfSampleHeight < s.TargetHeight))
                        continue;
                    const auto score = RawScore(s, k, x, y);
                    if (!score) {
                        failed = true;
                        break;
                    }
                    if (*score > best) {
                        best = *score;
                        bx = x;
                        by = y;
                    }
                }
            if (failed || best < s.MinCellScore)
                continue;
            CellScore& r = s.CellResult[static_cast<std::size_t>(k)];
            r.X = static_cast<std::int16_t>(bx);
            r.Y = static_cast<std::int16_t>(by);
            const float fx = static_cast<float>(s.TrackX - bx), fy = static_cast<float>(s.TrackY - by);
            const float d = std::sqrt(fx * fx + fy * fy);
            r.Proximity = static_cast<std::int16_t>(s.MaxShift - static_cast<long long>(std::nearbyint(d)));
            if (best > 20000)
                best = 20000;
            const double coef = s.ProximityCoef;
            r.W = static_cast<std::int16_t>(std::nearbyint((1 - coef) * best + coef * r.Proximity));
            if (r.W <= 10)
                continue;
            if (r.W > s.BestW) {
                s.BestW = r.W;
                s.BestCell = static_cast<std::int16_t>(k);
            }
        }
        if (s.BestW > 100) {
            for (int k = 1; k <= s.CellCount; ++k) {
                CellScore& r = s.CellResult[static_cast<std::size_t>(k)];
                r.W = static_cast<std::int16_t>(std::nearbyint(static_cast<double>(r.W) / s.BestW * 100));
            }
            s.BestW = 100;
        }
        for (auto& v : s.RowBest)
            v = 0;
        for (int k = 1; k <= s.CellCount; ++k) {
            if (Entry(s, k, 0).F[pf::FilledFlag] != 1)
                continue;
            auto& rb = s.RowBest[static_cast<std::size_t>((k - 1) / s.MatrixCols)];
            if (s.CellResult[static_cast<std::size_t>(k)].W > rb)
                rb = s.CellResult[static_cast<std::size_t>(k)].W;
        }
        if (s.BestCell >= 1) {
            s.TrackX = s.CellResult[static_cast<std::size_t>(s.BestCell)].X;
            s.TrackY = s.CellResult[static_cast<std::size_t>(s.BestCell)].Y;
            s.Decision = static_cast<std::int16_t>((s.BestCell - 1) / s.MatrixCols + 10);
            s.LossCount = 0;
        }
    }
    if (s.Decision == 0 && s.LossCount < s.LossFrames)
        s.LossCount += 1;
    if (s.LossCount == s.LossFrames) {
        s.TrackX = static_cast<std::int16_t>(s.TargetWidth / 2);
        s.TrackY = static_cast<std::int16_t>(s.TargetHeight / 2);
    }
}

} // namespace okulon::oracle
