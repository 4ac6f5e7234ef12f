#include "ChannelWeights.h"

#include <algorithm>
#include <cstdlib>

namespace okulon {

namespace {

// PointRecord fields of channels 1..9: R G B, dR dG dB, H S L.
constexpr std::array<int, 10> ChannelField = {0, pf::R, pf::G, pf::B, pf::DR, pf::DG, pf::DB, pf::H, pf::S, pf::L};
constexpr int HueChannel = 7;

void Log(EngineContext& ctx, const std::string& text)
{
    if (ctx.Log)
        ctx.Log->WriteLog(text, 23);
}

int FilledFlag(const TrackerState& s, int k)
{
    if (k < 0 || k >= static_cast<int>(s.SampleMatrix.size()) || s.SampleMatrix[static_cast<std::size_t>(k)].empty())
        return 0;
    return s.SampleMatrix[static_cast<std::size_t>(k)][0].F[pf::FilledFlag];
}

// Channel value of entry p of cell k; entries beyond the cell's table read as 0.
std::int32_t Channel(const TrackerState& s, int k, int p, int channel)
{
    const auto& cell = s.SampleMatrix[static_cast<std::size_t>(k)];
    if (p >= static_cast<int>(cell.size()))
        return 0;
    return cell[static_cast<std::size_t>(p)].F[static_cast<std::size_t>(ChannelField[static_cast<std::size_t>(channel)])];
}

} // namespace

ChannelWeightsResult SetChannelsFormula(EngineContext& ctx)
{
    TrackerState& s = ctx.S;
    ChannelWeightsResult result;
    const int cols = s.MatrixCols;
    if (cols <= 0)
        return result;

    // 1. Extent of the filled cells; columns count from 1 here.
    int maxRow = 0, maxCol = 0;
    for (int k = 1; k <= s.CellCount; ++k) {
        if (FilledFlag(s, k) != 1)
            continue;
        maxRow = std::max(maxRow, (k - 1) / cols);
        maxCol = std::max(maxCol, (k - 1) % cols + 1);
    }
    // 2.
    if (maxCol == 0)
        return result;
    // The mean deviations are divided by PointCount: with no sampled points
    // (no structure and no sample taken yet) there is nothing to weigh, and
    // the formula in force is kept.
    if (s.PointCount <= 0) {
        result.Error = "Channel weights not set: the samples hold no points (load a structure or take a sample first)";
        Log(ctx, *result.Error);
        return result;
    }

    // 3.
    result.RowWeights.assign(static_cast<std::size_t>(maxRow) + 1, {});
    for (int r = 0; r <= maxRow; ++r) {
        std::array<std::int32_t, 10> acc{};
        for (int p = 1; p <= s.PointCount; ++p) {
            std::array<std::int32_t, 10> sum{}, mean{}, dev{};
            int n = 0;
            for (int c = 1; c <= maxCol; ++c) {
                const int k = cols * r + c;
                if (FilledFlag(s, k) <= 0)
                    continue;
                ++n;
                for (int ch = 1; ch <= 9; ++ch)
                    sum[ch] += Channel(s, k, p, ch);
            }
            if (n == 0)
                continue;
            for (int ch = 1; ch <= 9; ++ch)
                mean[ch] = sum[ch] / n;
            for (int c = 1; c <= maxCol; ++c) {
                const int k = cols * r + c;
                if (FilledFlag(s, k) <= 0)
                    continue;
                for (int ch = 1; ch <= 9; ++ch) {
                    std::int32_t d = std::abs(mean[ch] - Channel(s, k, p, ch));
                    if (ch == HueChannel && d > 180)
                        d -= 180;
                    dev[ch] += d;
                }
            }
            for (int ch = 1; ch <= 9; ++ch)
                acc[ch] += dev[ch] / n;
        }
        std::int32_t best = 256;
        for (int ch = 1; ch <= 9; ++ch) {
            acc[ch] /= s.PointCount;
            best = std::min(best, acc[ch]);
        }
        for (int ch = 1; ch <= 9; ++ch) {
            const std::int32_t w = std::max(9 - (acc[ch] - best) / 3, 0);
            result.RowWeights[static_cast<std::size_t>(r)][ch] = w;
            Log(ctx, "T" + std::to_string(r) + " channel" + std::to_string(ch) + " = " + std::to_string(w));
        }
    }

    // 4.
    for (int ch = 1; ch <= 9; ++ch) {
        std::int32_t total = 0;
        for (int r = 0; r <= maxRow; ++r)
            total += result.RowWeights[static_cast<std::size_t>(r)][ch];
        total /= maxRow + 1;
        s.ChannelWeights[static_cast<std::size_t>(ch)] = static_cast<std::int16_t>(total);
        Log(ctx, "ves (" + std::to_string(ch) + ") = " + std::to_string(total));
        result.Formula += std::to_string(total);
    }
    // 5.
    ctx.Params.SetParamText(16, result.Formula);
    result.Applied = true;
    return result;
}

} // namespace okulon
