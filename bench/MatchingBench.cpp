// The matching pass, production against the literal pass, at the default
// settings and at a heavy one.
#include "MatchOracle.h"
#include "TestSupport.h"

#include "Matching.h"
#include "Sampling.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace okulon {
namespace {

struct Setting {
    int targetW, targetH, maxShift, keyPoint, points; // points 0: the built-in pattern
};

const Setting Defaults{140, 160, 3, 1, 0};
const Setting Heavy{200, 200, 15, 2, 100};

std::unique_ptr<test::Harness> MakeWorld(const Setting& set)
{
    auto h = std::make_unique<test::Harness>();
    h->P.Set(25, std::to_string(set.targetW));
    h->P.Set(26, std::to_string(set.targetH));
    h->P.Set(6, std::to_string(set.maxShift));
    h->P.Set(14, std::to_string(set.keyPoint));
    h->P.Set(15, std::to_string(set.keyPoint));
    h->Apply();
    TrackerState& s = h->S;
    std::mt19937 rng(7);
    auto paint = [&](int shift) {
        for (int x = 0; x < PlaneSize; ++x)
            for (int y = 0; y < PlaneSize; ++y) {
                const int dx = x - s.TargetWidth / 2 - shift, dy = y - s.TargetHeight / 2;
                const int base = (dx * dx + 4 * dy * dy) / 20;
                s.Plane(x, y).Slot = {0, static_cast<std::int16_t>((base + rng() % 8) % 256),
                                      static_cast<std::int16_t>((x + 2 * y + rng() % 8) % 256),
                                      static_cast<std::int16_t>((255 - base % 256 + rng() % 8) % 256),
                                      0, 0, 0, 0, 0};
            }
    };
    if (set.points > 0) {
        s.LivePoints[0].F[pf::HeaderCount] = set.points;
        for (int i = 1; i <= set.points; ++i) {
            auto& e = s.LivePoints[static_cast<std::size_t>(i)].F;
            e[pf::Dx] = static_cast<int>(rng() % 121) - 60;
            e[pf::Dy] = static_cast<int>(rng() % 61) - 30;
            e[pf::Tolerance] = 20;
        }
    }
    for (int k = 1; k <= s.CellCount; ++k) {
        paint(k % 5);
        const int a = s.TargetWidth / 2 + static_cast<int>(rng() % 5) - 2;
        const int b = s.TargetHeight / 2 + static_cast<int>(rng() % 5) - 2;
        if (s.LivePoints[0].F[pf::HeaderCount] == 0)
            SampleDefaultPattern(s, a, b);
        SampleStructure(s, a, b);
        auto& cell = s.SampleMatrix[static_cast<std::size_t>(k)];
        for (int p = 1; p <= s.PointCount; ++p)
            std::copy_n(s.LivePoints[static_cast<std::size_t>(p)].F.begin() + 1, 14,
                        cell[static_cast<std::size_t>(p)].F.begin() + 1);
        cell[0].F[pf::FilledFlag] = 1;
    }
    paint(2);
    s.TrackX = static_cast<std::int16_t>(s.TargetWidth / 2);
    s.TrackY = static_cast<std::int16_t>(s.TargetHeight / 2);
    s.MinCellScore = 20;
    return h;
}

void Production(benchmark::State& state, const Setting& set)
{
    auto h = MakeWorld(set);
    for (auto _ : state) {
        h->S.Decision = 0;
        MatchFrame(h->Ctx);
        benchmark::DoNotOptimize(h->S.BestCell);
    }
    state.counters["points"] = h->S.PointCount;
    state.counters["bestW"] = h->S.BestW;
}

void Oracle(benchmark::State& state, const Setting& set)
{
    auto h = MakeWorld(set);
    for (auto _ : state) {
        h->S.Decision = 0;
        oracle::MatchFrame(h->S, "C");
        benchmark::DoNotOptimize(h->S.BestCell);
    }
    state.counters["points"] = h->S.PointCount;
    state.counters["bestW"] = h->S.BestW;
}

BENCHMARK_CAPTURE(Oracle, Defaults, Defaults)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Production, Defaults, Defaults)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Oracle, Heavy, Heavy)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Production, Heavy, Heavy)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace okulon

BENCHMARK_MAIN();
