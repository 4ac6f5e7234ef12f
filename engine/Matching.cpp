#include "Matching.h"

#include "Channels.h"
#include "Numbers.h"
#include "Sampling.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace okulon {

namespace {

constexpr std::int32_t ScoreNumerator = 32000;
constexpr std::int32_t ScoreCap = 20000;
constexpr int SmallestCountingW = 11;
constexpr int CircleRadius = 4;

const PointRecord& ZeroRecord()
{
    static const PointRecord zero{};
    return zero;
}

// Entry i of cell k, or an empty record where the tables are shorter.
const PointRecord& CellEntry(const TrackerState& s, int k, int i)
{
    if (k < 0 || k >= static_cast<int>(s.SampleMatrix.size()))
        return ZeroRecord();
    const auto& cell = s.SampleMatrix[static_cast<std::size_t>(k)];
    return i >= 0 && i < static_cast<int>(cell.size()) ? cell[static_cast<std::size_t>(i)] : ZeroRecord();
}

const PointRecord& LiveEntry(const TrackerState& s, int i)
{
    return i >= 0 && i < static_cast<int>(s.LivePoints.size()) ? s.LivePoints[static_cast<std::size_t>(i)]
                                                                : ZeroRecord();
}

bool CellFilled(const TrackerState& s, int k)
{
    return CellEntry(s, k, 0).F[pf::FilledFlag] == 1;
}

int Intensity(const Rgb3& c)
{
    return (c.R + c.G + c.B) / 3;
}

int FoldHue(int h)
{
    return h > 180 ? h - 180 : h;
}

// Tables for the hue and saturation of DeriveChannels over 0..255 inputs, made
// with the same floating-point expressions so that they agree exactly.
struct ChannelTables {
    // HueStep[(diff + 255) * 256 + delta] = round(60 * diff / delta), delta 1..255.
    std::vector<std::int16_t> HueStep;
    // Saturation[max * 256 + min] = 255 - round(min * 255 / max).
    std::vector<std::int16_t> Saturation;
    ChannelTables()
        : HueStep(511 * 256)
        , Saturation(256 * 256)
    {
        for (int diff = -255; diff <= 255; ++diff)
            for (int delta = 1; delta <= 255; ++delta)
                HueStep[static_cast<std::size_t>((diff + 255) * 256 + delta)] =
                    static_cast<std::int16_t>(RoundHalfEven(60.0 * diff / delta));
        for (int mx = 1; mx <= 255; ++mx)
            for (int mn = 0; mn <= 255; ++mn)
                Saturation[static_cast<std::size_t>(mx * 256 + mn)] =
                    static_cast<std::int16_t>(255 - static_cast<int>(RoundHalfEven(mn * 255.0 / mx)));
    }
};

const ChannelTables& Tables()
{
    static const ChannelTables tables;
    return tables;
}

Hsl FastDeriveChannels(const ChannelTables& t, int r, int g, int b)
{
    if (r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255)
        return DeriveChannels(r, g, b);
    Hsl out;
    const int mx = std::max({r, g, b});
    const int mn = std::min({r, g, b});
    const int delta = mx - mn;
    if (delta != 0) {
        auto step = [&](int diff) { return t.HueStep[static_cast<std::size_t>((diff + 255) * 256 + delta)]; };
        if (mx == b)
            out.H = step(r - g) + 240;
        else if (mx == g)
            out.H = step(b - r) + 120;
        else
            out.H = step(g - b) + (g < b ? 360 : 0);
    }
    out.S = mx == 0 ? 0 : t.Saturation[static_cast<std::size_t>(mx * 256 + mn)];
    out.L = (mn + mx) / 2;
    return out;
}

struct Range {
    long long Lo = 0;
    long long Hi = -1; // empty when Hi < Lo
    bool Empty() const { return Hi < Lo; }
    bool Inside(long long lo, long long hi) const { return Empty() || (Lo >= lo && Hi <= hi); }
    void Unite(const Range& o)
    {
        if (o.Empty())
            return;
        if (Empty()) {
            *this = o;
            return;
        }
        Lo = std::min(Lo, o.Lo);
        Hi = std::max(Hi, o.Hi);
    }
    static Range Intersect(const Range& a, const Range& b) { return {std::max(a.Lo, b.Lo), std::min(a.Hi, b.Hi)}; }
};

// The candidate positions of one cell: the search window cut down to the
// positions where the tracked rectangle fits.
struct Window {
    Range X, Y;
    bool Empty() const { return X.Empty() || Y.Empty(); }
};

Window CandidateWindow(const TrackerState& s, int cx, int cy)
{
    Window w;
    w.X = {std::max<long long>(cx - s.MaxShift, s.HalfSampleWidth + 1),
           std::min<long long>(cx + s.MaxShift, s.TargetWidth - s.HalfSampleWidth - 1)};
    w.Y = {std::max<long long>(cy - s.MaxShift, s.HalfSampleHeight + 1),
           std::min<long long>(cy + s.MaxShift, s.TargetHeight - s.HalfSampleHeight - 1)};
    return w;
}

struct BestPosition {
    bool Failed = false; // no point takes part
    std::int32_t Score = 0;
    int X = 0;
    int Y = 0;
};

} // namespace

// Candidate rows are processed in multiples of this many positions (one
// vector of 16-bit lanes); the extra positions are computed and ignored.
constexpr int RowStep = 8;
constexpr std::size_t RowSlack = 2 * RowStep;

// Per-pass maps of the planes over the region the cells read, in rows of
// RegionWidth: block averages and their channels, and the single pixels.
struct MatchWorkspace {
    long long X0 = 0, Y0 = 0, X1 = -1, Y1 = -1; // region, inside the plane
    int RegionWidth = 0;
    bool Valid = false;
    bool InRange = true; // every plane colour read lies in 0..255
    std::vector<std::int16_t> Rb, Gb, Bb, H, S, L, I, R, G, B, Mean;
    std::vector<std::int32_t> Integral; // 3 channels, (bw + 1) x (bh + 1)
    std::vector<std::int32_t> S1, S2, Msum;

    bool Covers(const Range& x, const Range& y) const
    {
        return Valid && x.Inside(X0, X1) && y.Inside(Y0, Y1);
    }

    void Build(const TrackerState& s, const Range& x, const Range& y);
};

void MatchWorkspace::Build(const TrackerState& s, const Range& xr, const Range& yr)
{
    X0 = xr.Lo;
    X1 = xr.Hi;
    Y0 = yr.Lo;
    Y1 = yr.Hi;
    Valid = true;
    const int rw = static_cast<int>(X1 - X0 + 1);
    const int rh = static_cast<int>(Y1 - Y0 + 1);
    RegionWidth = rw;
    const std::size_t n = static_cast<std::size_t>(rw) * rh;
    // RowSlack spare entries after the last row: the row kernels run over
    // whole vectors and may read a few entries past a row's end.
    for (auto* v : {&Rb, &Gb, &Bb, &H, &S, &L, &I, &R, &G, &B})
        v->assign(n + RowSlack, 0);

    const int kw = s.KeyPointWidth;
    const int kh = s.KeyPointHeight;
    const bool emptyBlock = kw < 0 || kh < 0;
    const long long blockCount = (2LL * kw + 1) * (2LL * kh + 1);
    // Integral of the three colours over the region grown by the block's
    // half extents, cut to the plane: every in-plane pixel of every block lies in it.
    const int gw = emptyBlock ? 0 : kw;
    const int gh = emptyBlock ? 0 : kh;
    const int bx0 = static_cast<int>(std::max<long long>(X0 - gw, 0));
    const int bx1 = static_cast<int>(std::min<long long>(X1 + gw, PlaneSize - 1));
    const int by0 = static_cast<int>(std::max<long long>(Y0 - gh, 0));
    const int by1 = static_cast<int>(std::min<long long>(Y1 + gh, PlaneSize - 1));
    const int bw = bx1 - bx0 + 1;
    const int bh = by1 - by0 + 1;
    const std::size_t istride = static_cast<std::size_t>(bw) + 1;
    const std::size_t iplane = istride * (static_cast<std::size_t>(bh) + 1);
    Integral.assign(iplane * 3, 0);
    InRange = true;
    for (int yy = 0; yy < bh; ++yy) {
        std::int32_t rowSum[3] = {0, 0, 0};
        for (int xx = 0; xx < bw; ++xx) {
            const auto& c = s.Plane(bx0 + xx, by0 + yy).Slot;
            for (int ch = 0; ch < 3; ++ch) {
                const std::int16_t v = c[static_cast<std::size_t>(ch) + 1];
                InRange = InRange && v >= 0 && v <= 255;
                rowSum[ch] += v;
                const std::size_t at = ch * iplane + (yy + 1) * istride + (xx + 1);
                Integral[at] = Integral[at - istride] + rowSum[ch];
            }
        }
    }
    auto boxSum = [&](int ch, long long x0, long long y0, long long x1, long long y1) -> std::int32_t {
        x0 = std::max<long long>(x0, bx0);
        y0 = std::max<long long>(y0, by0);
        x1 = std::min<long long>(x1, bx1);
        y1 = std::min<long long>(y1, by1);
        if (x1 < x0 || y1 < y0)
            return 0;
        const std::int32_t* t = Integral.data() + ch * iplane;
        const std::size_t ax = static_cast<std::size_t>(x0 - bx0), ay = static_cast<std::size_t>(y0 - by0);
        const std::size_t cx = static_cast<std::size_t>(x1 - bx0) + 1, cy = static_cast<std::size_t>(y1 - by0) + 1;
        return t[cy * istride + cx] - t[ay * istride + cx] - t[cy * istride + ax] + t[ay * istride + ax];
    };

    const ChannelTables& tables = Tables();
    for (int yy = 0; yy < rh; ++yy) {
        for (int xx = 0; xx < rw; ++xx) {
            const long long px = X0 + xx;
            const long long py = Y0 + yy;
            const std::size_t at = static_cast<std::size_t>(yy) * rw + xx;
            int rb = 0, gb = 0, bb = 0;
            if (!emptyBlock) {
                rb = static_cast<int>(boxSum(0, px - kw, py - kh, px + kw, py + kh) / blockCount);
                gb = static_cast<int>(boxSum(1, px - kw, py - kh, px + kw, py + kh) / blockCount);
                bb = static_cast<int>(boxSum(2, px - kw, py - kh, px + kw, py + kh) / blockCount);
            }
            const Hsl hsl = FastDeriveChannels(tables, rb, gb, bb);
            Rb[at] = static_cast<std::int16_t>(rb);
            Gb[at] = static_cast<std::int16_t>(gb);
            Bb[at] = static_cast<std::int16_t>(bb);
            H[at] = static_cast<std::int16_t>(hsl.H);
            S[at] = static_cast<std::int16_t>(hsl.S);
            L[at] = static_cast<std::int16_t>(hsl.L);
            const auto& c = s.Plane(static_cast<int>(px), static_cast<int>(py)).Slot;
            for (int ch = 1; ch <= 3; ++ch)
                InRange = InRange && c[static_cast<std::size_t>(ch)] >= 0 && c[static_cast<std::size_t>(ch)] <= 255;
            R[at] = c[1];
            G[at] = c[2];
            B[at] = c[3];
            I[at] = static_cast<std::int16_t>((c[1] + c[2] + c[3]) / 3);
        }
    }
}

int AbsoluteDifference(const TrackerState& s, long long px, long long py, int k, int i)
{
    const long long kw = s.KeyPointWidth;
    const long long kh = s.KeyPointHeight;
    const long long n = (2 * kw + 1) * (2 * kh + 1);
    // The block is cut to the plane (pixels outside it count as black) and
    // summed in 32 bits, so large blocks neither read outside nor overflow.
    std::int32_t sr = 0, sg = 0, sb = 0;
    for (long long x = std::max(px - kw, 0LL); x <= std::min(px + kw, PlaneSize - 1LL); ++x)
        for (long long y = std::max(py - kh, 0LL); y <= std::min(py + kh, PlaneSize - 1LL); ++y) {
            const auto& c = s.Plane(static_cast<int>(x), static_cast<int>(y)).Slot;
            sr += c[1];
            sg += c[2];
            sb += c[3];
        }
    const int rb = static_cast<int>(sr / n), gb = static_cast<int>(sg / n), bb = static_cast<int>(sb / n);
    const Hsl hsl = DeriveChannels(rb, gb, bb);
    const auto& c = CellEntry(s, k, i).F;
    const auto& w = s.ChannelWeights;
    const long long d = w[1] * std::llabs(rb - static_cast<long long>(c[pf::R])) +
                        w[2] * std::llabs(gb - static_cast<long long>(c[pf::G])) +
                        w[3] * std::llabs(bb - static_cast<long long>(c[pf::B])) +
                        w[8] * std::llabs(hsl.S - static_cast<long long>(c[pf::S])) +
                        w[7] * FoldHue(static_cast<int>(std::min<long long>(
                                   std::llabs(hsl.H - static_cast<long long>(c[pf::H])), 1LL << 30))) +
                        w[9] * std::llabs(hsl.L - static_cast<long long>(c[pf::L]));
    return static_cast<int>(std::min<long long>(d, 1LL << 30));
}

long long RelativeDifference(const TrackerState& s, long long px, long long py, int k, int i, int m)
{
    const Rgb3 p = PlaneRgb(s, px, py);
    const auto& c = CellEntry(s, k, i).F;
    const auto& w = s.ChannelWeights;
    const long long d = w[4] * std::llabs(p.R - m - static_cast<long long>(c[pf::DR])) +
                        w[5] * std::llabs(p.G - m - static_cast<long long>(c[pf::DG])) +
                        w[6] * std::llabs(p.B - m - static_cast<long long>(c[pf::DB])) -
                        static_cast<long long>(c[pf::Tolerance]);
    return d < 0 ? 0 : d;
}

std::optional<std::int32_t> RawScore(const TrackerState& s, int k, int x, int y)
{
    long long n = 0, s1 = 0;
    int msum = 0;
    for (int i = 1; i <= s.PointCount; ++i) {
        const auto& c = CellEntry(s, k, i).F;
        if (LiveEntry(s, i).F[pf::Tolerance] == ExcludedTolerance)
            continue;
        const long long px = x + static_cast<long long>(c[pf::Dx]);
        const long long py = y + static_cast<long long>(c[pf::Dy]);
        ++n;
        s1 += AbsoluteDifference(s, px, py, k, i);
        msum += Intensity(PlaneRgb(s, px, py));
    }
    // No point takes part: there is nothing to divide by, and the cell fails.
    if (n == 0)
        return std::nullopt;
    const int m = static_cast<int>(msum / n);
    long long s2 = 0;
    for (int i = 1; i <= s.PointCount; ++i) {
        const auto& c = CellEntry(s, k, i).F;
        const long long px = x + static_cast<long long>(c[pf::Dx]);
        const long long py = y + static_cast<long long>(c[pf::Dy]);
        if (py >= 2 && py < s.TargetHeight && px - s.KeyPointWidth >= 2 && px + s.KeyPointWidth < s.TargetWidth)
            s2 += RelativeDifference(s, px, py, k, i, m);
    }
    return static_cast<std::int32_t>(ScoreNumerator / ((s1 + s2) / n + 1));
}

namespace {

// The first position of the window (rows top to bottom, each left to right)
// with the highest score above 0, through RawScore position by position.
BestPosition BestByRawScore(const TrackerState& s, int k, const Window& win)
{
    BestPosition best;
    for (long long y = win.Y.Lo; y <= win.Y.Hi; ++y)
        for (long long x = win.X.Lo; x <= win.X.Hi; ++x) {
            const auto score = RawScore(s, k, static_cast<int>(x), static_cast<int>(y));
            if (!score) {
                best.Failed = true;
                return best;
            }
            if (*score > best.Score) {
                best.Score = *score;
                best.X = static_cast<int>(x);
                best.Y = static_cast<int>(y);
            }
        }
    return best;
}

struct Weights {
    std::int16_t W1, W2, W3, W4, W5, W6, W7, W8, W9;
};

// One row of candidate positions, one point: the absolute differences and the
// brightness sums. Kept apart, with plain pointers, so that it vectorises.
// With the value ranges the fast path admits, one point's difference fits in
// 16 bits (at most 9 x (3 x 255 + 2 x 255 + 180)); the sums over the points are 32-bit.
void AbsoluteRow(const std::int16_t* __restrict rb, const std::int16_t* __restrict gb,
                 const std::int16_t* __restrict bb, const std::int16_t* __restrict hh,
                 const std::int16_t* __restrict ss, const std::int16_t* __restrict ll,
                 const std::int16_t* __restrict ii, std::int32_t* __restrict s1, std::int32_t* __restrict ms, int nx,
                 const Weights& w, std::int16_t cr, std::int16_t cg, std::int16_t cb, std::int16_t ch,
                 std::int16_t cs, std::int16_t cl)
{
    const std::int16_t w1 = w.W1, w2 = w.W2, w3 = w.W3, w7 = w.W7, w8 = w.W8, w9 = w.W9;
    for (int x = 0; x < nx; ++x) {
        std::int16_t h = static_cast<std::int16_t>(hh[x] - ch);
        h = static_cast<std::int16_t>(h < 0 ? -h : h);
        h = static_cast<std::int16_t>(h > 180 ? h - 180 : h);
        std::int16_t dr = static_cast<std::int16_t>(rb[x] - cr), dg = static_cast<std::int16_t>(gb[x] - cg),
                     db = static_cast<std::int16_t>(bb[x] - cb), ds = static_cast<std::int16_t>(ss[x] - cs),
                     dl = static_cast<std::int16_t>(ll[x] - cl);
        dr = static_cast<std::int16_t>(dr < 0 ? -dr : dr);
        dg = static_cast<std::int16_t>(dg < 0 ? -dg : dg);
        db = static_cast<std::int16_t>(db < 0 ? -db : db);
        ds = static_cast<std::int16_t>(ds < 0 ? -ds : ds);
        dl = static_cast<std::int16_t>(dl < 0 ? -dl : dl);
        const std::int16_t d =
            static_cast<std::int16_t>(w1 * dr + w2 * dg + w3 * db + w8 * ds + w7 * h + w9 * dl);
        s1[x] += d;
        ms[x] += ii[x];
    }
}

// The same for the relative differences: at most 9 x 3 x 765 plus a tolerance
// of magnitude at most 10000 fits in 16 bits as well.
void RelativeRow(const std::int16_t* __restrict r, const std::int16_t* __restrict g,
                 const std::int16_t* __restrict b, const std::int16_t* __restrict mean,
                 std::int32_t* __restrict s2, int len, const Weights& w, std::int16_t cdr, std::int16_t cdg,
                 std::int16_t cdb, std::int16_t tol)
{
    const std::int16_t w4 = w.W4, w5 = w.W5, w6 = w.W6;
    for (int x = 0; x < len; ++x) {
        const std::int16_t m = mean[x];
        std::int16_t dr = static_cast<std::int16_t>(r[x] - m - cdr), dg = static_cast<std::int16_t>(g[x] - m - cdg),
                     db = static_cast<std::int16_t>(b[x] - m - cdb);
        dr = static_cast<std::int16_t>(dr < 0 ? -dr : dr);
        dg = static_cast<std::int16_t>(dg < 0 ? -dg : dg);
        db = static_cast<std::int16_t>(db < 0 ? -db : db);
        const std::int16_t v = static_cast<std::int16_t>(w4 * dr + w5 * dg + w6 * db - tol);
        s2[x] += v > 0 ? v : 0;
    }
}

// The fast path takes cells whose values lie in the ranges sampling gives
// them, with tolerances of magnitude at most MaxFastTolerance; any other
// cell is scored position by position.
constexpr std::int32_t MaxFastTolerance = 10000;

bool FastValues(const std::array<std::int32_t, 18>& c)
{
    auto in = [&](int f, int lo, int hi) { return c[static_cast<std::size_t>(f)] >= lo && c[static_cast<std::size_t>(f)] <= hi; };
    return in(pf::R, 0, 255) && in(pf::G, 0, 255) && in(pf::B, 0, 255) && in(pf::DR, -255, 255) &&
           in(pf::DG, -255, 255) && in(pf::DB, -255, 255) && in(pf::H, 0, 360) && in(pf::S, 0, 255) &&
           in(pf::L, 0, 255) && in(pf::Tolerance, -MaxFastTolerance, MaxFastTolerance);
}

// The same search as BestByRawScore, over shared maps of the planes: every
// sum a position needs is accumulated point by point over whole rows of
// candidate positions. Falls back to BestByRawScore for cells whose points
// reach outside the plane or whose values are too large for 32-bit sums.
BestPosition BestByMaps(const TrackerState& s, MatchWorkspace& ws, int k, const Window& win)
{
    const int count = s.PointCount;
    int n = 0;
    Range needX, needY;
    for (int i = 1; i <= count; ++i) {
        const auto& c = CellEntry(s, k, i).F;
        if (!FastValues(c))
            return BestByRawScore(s, k, win);
        const Range px{win.X.Lo + c[pf::Dx], win.X.Hi + c[pf::Dx]};
        const Range py{win.Y.Lo + c[pf::Dy], win.Y.Hi + c[pf::Dy]};
        if (LiveEntry(s, i).F[pf::Tolerance] != ExcludedTolerance) {
            ++n;
            if (!px.Inside(0, PlaneSize - 1) || !py.Inside(0, PlaneSize - 1))
                return BestByRawScore(s, k, win);
            needX.Unite(px);
            needY.Unite(py);
        }
        const Range rx = Range::Intersect(px, {2LL + s.KeyPointWidth, s.TargetWidth - 1LL - s.KeyPointWidth});
        const Range ry = Range::Intersect(py, {2, s.TargetHeight - 1LL});
        if (!rx.Empty() && !ry.Empty()) {
            if (!rx.Inside(0, PlaneSize - 1) || !ry.Inside(0, PlaneSize - 1))
                return BestByRawScore(s, k, win);
            needX.Unite(rx);
            needY.Unite(ry);
        }
    }
    BestPosition best;
    if (n == 0) {
        best.Failed = true;
        return best;
    }
    if (!ws.Covers(needX, needY)) {
        if (ws.Valid) {
            needX.Unite({ws.X0, ws.X1});
            needY.Unite({ws.Y0, ws.Y1});
        }
        ws.Build(s, needX, needY);
    }
    if (!ws.InRange)
        return BestByRawScore(s, k, win);

    const int nx = static_cast<int>(win.X.Hi - win.X.Lo + 1);
    const int ny = static_cast<int>(win.Y.Hi - win.Y.Lo + 1);
    // Rows of the sums are padded to whole vectors; the padding positions are never scored.
    const int stride = (nx + RowStep - 1) / RowStep * RowStep;
    const std::size_t positions = static_cast<std::size_t>(stride) * ny;
    ws.S1.assign(positions, 0);
    ws.S2.assign(positions, 0);
    ws.Msum.assign(positions, 0);
    const int rw = ws.RegionWidth;
    const auto& w = s.ChannelWeights;
    const Weights weights{w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9]};
    for (int i = 1; i <= 9; ++i)
        if (w[static_cast<std::size_t>(i)] < 0 || w[static_cast<std::size_t>(i)] > 9)
            return BestByRawScore(s, k, win);

    // Absolute differences and the brightness sums.
    for (int i = 1; i <= count; ++i) {
        if (LiveEntry(s, i).F[pf::Tolerance] == ExcludedTolerance)
            continue;
        const auto& c = CellEntry(s, k, i).F;
        const auto cr = static_cast<std::int16_t>(c[pf::R]), cg = static_cast<std::int16_t>(c[pf::G]),
                   cb = static_cast<std::int16_t>(c[pf::B]), ch = static_cast<std::int16_t>(c[pf::H]),
                   cs = static_cast<std::int16_t>(c[pf::S]), cl = static_cast<std::int16_t>(c[pf::L]);
        for (int j = 0; j < ny; ++j) {
            const std::size_t at = static_cast<std::size_t>(win.Y.Lo + j + c[pf::Dy] - ws.Y0) * rw +
                                   static_cast<std::size_t>(win.X.Lo + c[pf::Dx] - ws.X0);
            AbsoluteRow(ws.Rb.data() + at, ws.Gb.data() + at, ws.Bb.data() + at, ws.H.data() + at,
                        ws.S.data() + at, ws.L.data() + at, ws.I.data() + at,
                        ws.S1.data() + static_cast<std::size_t>(j) * stride,
                        ws.Msum.data() + static_cast<std::size_t>(j) * stride, stride, weights, cr, cg, cb, ch, cs,
                        cl);
        }
    }
    ws.Mean.resize(positions);
    for (std::size_t p = 0; p < positions; ++p)
        ws.Mean[p] = static_cast<std::int16_t>(ws.Msum[p] / n);

    // Relative differences, only where the point's block lies inside the target area.
    for (int i = 1; i <= count; ++i) {
        const auto& c = CellEntry(s, k, i).F;
        const long long dx = c[pf::Dx], dy = c[pf::Dy];
        const Range rx = Range::Intersect({win.X.Lo, win.X.Hi},
                                          {2LL + s.KeyPointWidth - dx, s.TargetWidth - 1LL - s.KeyPointWidth - dx});
        const Range ry = Range::Intersect({win.Y.Lo, win.Y.Hi}, {2 - dy, s.TargetHeight - 1LL - dy});
        if (rx.Empty() || ry.Empty())
            continue;
        const auto cdr = static_cast<std::int16_t>(c[pf::DR]), cdg = static_cast<std::int16_t>(c[pf::DG]),
                   cdb = static_cast<std::int16_t>(c[pf::DB]), tol = static_cast<std::int16_t>(c[pf::Tolerance]);
        const int x0 = static_cast<int>(rx.Lo - win.X.Lo);
        const int x1 = static_cast<int>(rx.Hi - win.X.Lo);
        // A point valid over the whole row also runs over the padding; a
        // partial range must stop at its last position.
        const int len = (x0 == 0 && x1 == nx - 1) ? stride : x1 - x0 + 1;
        for (long long y = ry.Lo; y <= ry.Hi; ++y) {
            const int j = static_cast<int>(y - win.Y.Lo);
            const std::size_t at = static_cast<std::size_t>(y + dy - ws.Y0) * rw +
                                   static_cast<std::size_t>(rx.Lo + dx - ws.X0);
            const std::size_t first = static_cast<std::size_t>(j) * stride + x0;
            RelativeRow(ws.R.data() + at, ws.G.data() + at, ws.B.data() + at, ws.Mean.data() + first,
                        ws.S2.data() + first, len, weights, cdr, cdg, cdb, tol);
        }
    }

    for (int j = 0; j < ny; ++j)
        for (int x = 0; x < nx; ++x) {
            const std::size_t at = static_cast<std::size_t>(j) * stride + x;
            const std::int32_t score = ScoreNumerator / ((ws.S1[at] + ws.S2[at]) / n + 1);
            if (score > best.Score) {
                best.Score = score;
                best.X = static_cast<int>(win.X.Lo + x);
                best.Y = static_cast<int>(win.Y.Lo + j);
            }
        }
    return best;
}

void SetPixelAt(Bitmap& bmp, long long x, long long y, Color c)
{
    if (x >= 0 && y >= 0 && x < bmp.Width() && y < bmp.Height())
        bmp.SetPixel(static_cast<int>(x), static_cast<int>(y), c);
}

} // namespace

std::string FormatFps(double fps)
{
    // "#.0": one decimal, no digit before the point when the whole part is 0.
    // The value is first taken to 15 significant decimal digits (what a
    // double holds reliably), then rounded to one decimal with halves away
    // from zero, so 6.25 shows as 6.3 and 18.45 as 18.5.
    if (!std::isfinite(fps))
        return ".0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(fps));
    const std::string sci = buf; // d.dddddddddddddde+XX
    const std::size_t e = sci.find('e');
    std::string digits = sci.substr(0, 1) + sci.substr(2, e - 2);
    int point = std::atoi(sci.c_str() + e + 1) + 1; // digits before the decimal point
    if (point < 0) {
        digits.insert(0, static_cast<std::size_t>(-point), '0');
        point = 0;
    }
    const std::size_t need = static_cast<std::size_t>(point) + 2;
    if (digits.size() < need)
        digits.append(need - digits.size(), '0');
    std::string kept = digits.substr(0, static_cast<std::size_t>(point) + 1); // whole part and tenths
    if (digits[static_cast<std::size_t>(point) + 1] >= '5') {
        bool carry = true;
        for (std::size_t i = kept.size(); carry && i > 0; --i) {
            if (kept[i - 1] == '9') {
                kept[i - 1] = '0';
            } else {
                ++kept[i - 1];
                carry = false;
            }
        }
        if (carry)
            kept.insert(0, 1, '1');
    }
    std::string whole = kept.substr(0, kept.size() - 1);
    const char tenths = kept.back();
    const std::size_t firstNonZero = whole.find_first_not_of('0');
    whole = firstNonZero == std::string::npos ? std::string() : whole.substr(firstNonZero);
    const bool negative = fps < 0 && (!whole.empty() || tenths != '0');
    return (negative ? "-" : "") + whole + "." + tenths;
}

void StoreSample(EngineContext& ctx)
{
    TrackerState& s = ctx.S;
    if (!s.CaptureRequested)
        return;
    const int k = s.CellMode;
    // A store armed for a cell that does not exist (the matrix shrank since)
    // is dropped: nothing is written.
    if (k >= 1 && k <= s.CellCount && k < static_cast<int>(s.SampleMatrix.size())) {
        const int c = (k - 1) % s.MatrixCols;
        const int r = (k - 1) / s.MatrixCols;
        CopyRect(s.SamplePicture, 0, 0, s.SampleWidth, s.SampleHeight, s.MatrixBitmap, c * s.SampleWidth,
                 r * s.SampleHeight);
        ctx.View().MatrixChanged();
        auto& cell = s.SampleMatrix[static_cast<std::size_t>(k)];
        const int last = std::min({static_cast<int>(s.PointCount), static_cast<int>(cell.size()) - 1,
                                   static_cast<int>(s.LivePoints.size()) - 1});
        for (int p = 1; p <= last; ++p)
            std::copy_n(s.LivePoints[static_cast<std::size_t>(p)].F.begin() + 1, 14,
                        cell[static_cast<std::size_t>(p)].F.begin() + 1);
        if (!cell.empty())
            cell[0].F[pf::FilledFlag] = 1;
        ListAvailableSamples(ctx);
    }
    s.CurrentRow = 0;
    s.CurrentCol = 0;
    s.CaptureRequested = false;
}

void MatchFrame(EngineContext& ctx)
{
    TrackerState& s = ctx.S;
    IViews& views = ctx.View();
    ++s.MatchPasses;
    s.CellResult.assign(static_cast<std::size_t>(std::max(s.CellCount, 0)) + 1, CellScore{});
    s.RowBest.resize(static_cast<std::size_t>(std::max<int>(s.MatrixRows, 0)) + 1);

    if (s.CaptureRequested)
        StoreSample(ctx);
    s.BestCell = 0;

    if (s.PointCount >= 1 && s.CellMode <= s.CellCount) {
        s.BestW = 0;
        s.RecognisedList.clear();
        if (!s.Workspace)
            s.Workspace = std::make_shared<MatchWorkspace>();
        MatchWorkspace& ws = *s.Workspace;
        ws.Valid = false; // the planes may have changed since the last pass

        // The alignment is read once per pass, at the first filled cell (a pass
        // without filled cells does not read it).
        std::string align;
        bool alignRead = false;
        for (int k = 1; k <= s.CellCount; ++k) {
            if (!CellFilled(s, k))
                continue;
            if (!alignRead) {
                align = ctx.Params.GetParamText(10);
                alignRead = true;
            }
            if (align == "C")
                s.SearchCentre = {static_cast<std::int16_t>(s.TargetWidth / 2),
                                  static_cast<std::int16_t>(s.TargetHeight / 2)};
            else if (align == "F")
                s.SearchCentre = {s.TrackX, s.TrackY};
            const Window win = CandidateWindow(s, s.SearchCentre.X, s.SearchCentre.Y);
            const BestPosition best = win.Empty() ? BestPosition{} : BestByMaps(s, ws, k, win);
            if (best.Failed)
                continue;
            if (best.Score < s.MinCellScore)
                continue;
            CellScore& res = s.CellResult[static_cast<std::size_t>(k)];
            res.X = SaturateInt16(best.X);
            res.Y = SaturateInt16(best.Y);
            const float ddx = static_cast<float>(s.TrackX - best.X);
            const float ddy = static_cast<float>(s.TrackY - best.Y);
            const float d = std::sqrt(ddx * ddx + ddy * ddy);
            const long long proximity = s.MaxShift - static_cast<long long>(RoundHalfEven(d));
            res.Proximity = SaturateInt16(proximity);
            const std::int32_t score = std::min(best.Score, ScoreCap);
            const double coef = s.ProximityCoef;
            res.W = RoundToInt16((1.0 - coef) * score + coef * static_cast<double>(res.Proximity));
            if (res.W < SmallestCountingW)
                continue;
            s.VideoPen = Rgb(120, 0, 120);
            EllipseOutline(s.Video, best.X - CircleRadius, best.Y - CircleRadius, best.X + CircleRadius,
                           best.Y + CircleRadius, s.VideoPen);
            const int row = (k - 1) / s.MatrixCols;
            s.RecognisedList.push_back(std::to_string(res.X) + ";" + std::to_string(res.Y) +
                                       " T=" + std::to_string(row) + " W=" + std::to_string(res.W));
            if (res.W > s.BestW) {
                s.BestW = res.W;
                s.BestCell = static_cast<std::int16_t>(k);
            }
        }
        views.RecognisedListChanged();

        if (s.BestW > 100) {
            const double top = s.BestW;
            for (int k = 1; k <= s.CellCount; ++k) {
                CellScore& res = s.CellResult[static_cast<std::size_t>(k)];
                res.W = RoundToInt16(res.W / top * 100.0);
            }
            s.BestW = 100;
        }

        const Color gridPen = Rgb(128, 100, 128);
        for (int r = 0; r <= s.MatrixRows; ++r)
            FrameRect(s.MatrixBitmap, 0, r * s.SampleHeight, (s.MatrixCols + 1) * s.SampleWidth,
                      r * s.SampleHeight + 1, gridPen);
        for (int c = 0; c <= s.MatrixCols; ++c)
            FrameRect(s.MatrixBitmap, c * s.SampleWidth, 0, c * s.SampleWidth + 1,
                      (s.MatrixRows + 1) * s.SampleHeight, gridPen);

        std::fill(s.RowBest.begin(), s.RowBest.end(), 0);
        for (int k = 1; k <= s.CellCount; ++k) {
            if (!CellFilled(s, k))
                continue;
            const std::size_t row = static_cast<std::size_t>((k - 1) / s.MatrixCols);
            const std::int16_t w = s.CellResult[static_cast<std::size_t>(k)].W;
            if (row < s.RowBest.size() && w > s.RowBest[row])
                s.RowBest[row] = w;
        }
        views.StripesChanged();

        if (s.BestCell >= 1) {
            const CellScore& best = s.CellResult[static_cast<std::size_t>(s.BestCell)];
            s.CurrentRow = static_cast<std::int16_t>((s.BestCell - 1) / s.MatrixCols);
            s.CurrentCol = static_cast<std::int16_t>((s.BestCell - 1) % s.MatrixCols);
            s.TrackX = best.X;
            s.TrackY = best.Y;
            if (s.ShowStructureOnVideo && s.PointCount >= 1) {
                const int last = std::min<int>(s.PointCount, static_cast<int>(s.LivePoints.size()) - 1);
                for (int i = 1; i <= last; ++i) {
                    const auto& e = s.LivePoints[static_cast<std::size_t>(i)].F;
                    if (e[pf::Tolerance] != ExcludedTolerance)
                        SetPixelAt(s.Video, static_cast<long long>(s.TrackX) + e[pf::Dx],
                                   static_cast<long long>(s.TrackY) + e[pf::Dy], s.StructureColor);
                }
                FrameRect(s.Video, s.TrackX - s.HalfSampleWidth, s.TrackY - s.HalfSampleHeight,
                          s.TrackX + s.HalfSampleWidth, s.TrackY + s.HalfSampleHeight, s.VideoPen);
            }
            s.StatisticsLine = "T = " + std::to_string(s.CurrentRow) + " C = " + std::to_string(s.CurrentCol + 1) +
                               "  W = " + std::to_string(best.W) + " XF = " + std::to_string(s.TrackX) +
                               " YF = " + std::to_string(s.TrackY) + " FPS = " + FormatFps(s.FpsValue);
            views.StatisticsChanged();
            s.Decision = static_cast<std::int16_t>(s.CurrentRow + 10);
            s.LossCount = 0;
            views.PointDiagramsChanged();
        }
        views.VideoChanged();
        views.MatrixChanged();
        views.HighlightBestCell(s.BestCell);
    }

    // Loss handling.
    if (s.Decision == 0 && s.LossCount < s.LossFrames)
        ++s.LossCount;
    if (s.LossCount == s.LossFrames) {
        s.TrackX = static_cast<std::int16_t>(s.TargetWidth / 2);
        s.TrackY = static_cast<std::int16_t>(s.TargetHeight / 2);
        if (s.PointCount >= 1 || (!s.LivePoints.empty() && s.LivePoints[0].F[pf::HeaderCount] >= 1))
            DrawStructureOverlay(ctx);
    }
}

} // namespace okulon
