#include "MatchOracle.h"
#include "TestSupport.h"

#include "Capture.h"
#include "Matching.h"
#include "Sampling.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

namespace okulon {
namespace {

using test::Harness;

// A small world: 40 x 40 target, one cell per row, one structure point at the
// centre, a black plane. Tests shape the cells' values to get the scores they need.
class SmallWorld : public ::testing::Test {
protected:
    void SetUp() override { Configure(1, 1); }

    void Configure(int cols, int rows, const std::string& weights = "000000000")
    {
        h.P.Set(25, "40");
        h.P.Set(26, "40");
        h.P.Set(21, "10");
        h.P.Set(22, "10");
        h.P.Set(23, std::to_string(cols));
        h.P.Set(24, std::to_string(rows));
        h.P.Set(6, "0");
        h.P.Set(14, "0");
        h.P.Set(15, "0");
        h.P.Set(16, weights);
        ASSERT_TRUE(h.Apply().Ok());
        h.S.LivePoints[0].F[pf::HeaderCount] = 1;
        h.S.PointCount = 1;
    }
    PointRecord& Cell(int k, int i = 1) { return h.S.SampleMatrix[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)]; }
    void Fill(int k, int tolerance)
    {
        h.S.SampleMatrix[static_cast<std::size_t>(k)][0].F[pf::FilledFlag] = 1;
        Cell(k).F[pf::Tolerance] = tolerance;
    }

    Harness h;
};

TEST_F(SmallWorld, ScoreThresholdAroundTwenty)
{
    // With only the tolerance left in the relative difference, the mean
    // difference is -tolerance: 1599 scores 32000 div 1600 = 20, 1600 scores 19.
    Fill(1, -1599);
    EXPECT_EQ(RawScore(h.S, 1, 20, 20), 20);
    h.S.MinCellScore = 20;
    MatchFrame(h.Ctx);
    EXPECT_EQ(h.S.CellResult[1].W, 20);
    EXPECT_EQ(h.S.Decision, 10);

    Cell(1).F[pf::Tolerance] = -1600;
    EXPECT_EQ(RawScore(h.S, 1, 20, 20), 19);
    h.S.Decision = 0;
    MatchFrame(h.Ctx);
    EXPECT_EQ(h.S.CellResult[1].W, 0);
    EXPECT_EQ(h.S.Decision, 0);
}

TEST_F(SmallWorld, ExactMatchIsCappedAndRescaled)
{
    Configure(2, 1);
    Fill(1, 0);          // exact: 32000, capped to 20000
    Fill(2, -31);        // 32000 div 32 = 1000
    MatchFrame(h.Ctx);
    EXPECT_EQ(h.S.BestCell, 1);
    EXPECT_EQ(h.S.BestW, 100);
    EXPECT_EQ(h.S.CellResult[1].W, 100);
    EXPECT_EQ(h.S.CellResult[2].W, 5); // round(1000 / 20000 x 100)
    EXPECT_EQ(h.S.RowBest[0], 100);
}

TEST_F(SmallWorld, TiesKeepTheLowerCellAndTheFirstPosition)
{
    Configure(2, 2);
    h.P.Set(6, "2");
    h.Apply();
    h.S.LivePoints[0].F[pf::HeaderCount] = 1;
    h.S.PointCount = 1;
    Fill(2, -99);
    Fill(3, -99);
    MatchFrame(h.Ctx);
    EXPECT_EQ(h.S.BestCell, 2);
    EXPECT_EQ(h.S.Decision, 10); // cell 2 lies in row 0
    // A uniform plane scores every position alike: the top-left one of the window wins.
    EXPECT_EQ(h.S.CellResult[2].X, 18);
    EXPECT_EQ(h.S.CellResult[2].Y, 18);
    EXPECT_EQ(h.S.TrackX, 18);
    EXPECT_EQ(h.S.RowBest[1], h.S.CellResult[3].W);
}

TEST_F(SmallWorld, HueDifferenceIsFoldedBy180)
{
    Configure(1, 1, "000000100");
    test::PaintPlane(h.S, 0, 0, 200, 200, 255, 0, 43); // hue 350
    Fill(1, 0);
    Cell(1).F[pf::H] = 10;
    EXPECT_EQ(AbsoluteDifference(h.S, 20, 20, 1, 1), 160);
}

TEST_F(SmallWorld, NoUsablePointMakesTheCellFail)
{
    Fill(1, 0);
    h.S.LivePoints[1].F[pf::Tolerance] = 999;
    EXPECT_FALSE(RawScore(h.S, 1, 20, 20).has_value());
    MatchFrame(h.Ctx);
    EXPECT_EQ(h.S.CellResult[1], CellScore{});
    EXPECT_EQ(h.S.BestCell, 0);
}

TEST_F(SmallWorld, MaxShiftZeroWhereTheRectangleDoesNotFit)
{
    Fill(1, 0);
    h.P.Set(10, "F");
    h.S.TrackX = 3; // the 10 x 10 rectangle does not fit around x = 3
    h.S.TrackY = 20;
    MatchFrame(h.Ctx);
    EXPECT_EQ(h.S.CellResult[1].W, 0);
    EXPECT_EQ(h.S.Decision, 0);
}

TEST_F(SmallWorld, ProximityOnly)
{
    h.P.Set(8, "100");
    h.P.Set(6, "15");
    h.Apply();
    h.S.LivePoints[0].F[pf::HeaderCount] = 1;
    h.S.PointCount = 1;
    test::PaintPlane(h.S, 0, 0, 200, 200, 50, 50, 50);
    test::PaintPlane(h.S, 24, 20, 24, 20, 0, 0, 0); // the one black pixel
    Fill(1, 0);
    h.P.Set(16, "100000000");
    h.Apply();
    h.S.LivePoints[0].F[pf::HeaderCount] = 1;
    h.S.PointCount = 1;
    Fill(1, 0);
    h.S.TrackX = 20;
    h.S.TrackY = 20;
    MatchFrame(h.Ctx);
    // Best fit at (24, 20), 4 pixels from the tracked point: W = 15 - 4.
    EXPECT_EQ(h.S.CellResult[1].X, 24);
    EXPECT_EQ(h.S.CellResult[1].Proximity, 11);
    EXPECT_EQ(h.S.CellResult[1].W, 11);
    EXPECT_EQ(h.S.BestCell, 1);
}

TEST_F(SmallWorld, LossHandling)
{
    Fill(1, 0);
    h.P.Set(7, "0");
    h.Apply();
    h.S.LivePoints[0].F[pf::HeaderCount] = 1;
    h.S.PointCount = 1;
    Fill(1, 0);
    h.P.Set(10, "F");
    h.P.Set(6, "3");
    h.Apply();
    h.S.LivePoints[0].F[pf::HeaderCount] = 1;
    h.S.PointCount = 1;
    Fill(1, 0);
    h.S.LossFrames = 0;
    h.S.TrackX = 12;
    h.S.TrackY = 12;
    MatchFrame(h.Ctx);
    // A successful pass, and still re-centred.
    EXPECT_EQ(h.S.Decision, 10);
    EXPECT_EQ(h.S.TrackX, 20);
    EXPECT_EQ(h.S.TrackY, 20);

    // Without a match the count rises to LossFrames, then the point is re-centred.
    h.S.LossFrames = 2;
    h.S.LossCount = 0;
    h.S.Decision = 0;
    h.S.SampleMatrix[1][0].F[pf::FilledFlag] = 0;
    h.S.TrackX = 12;
    MatchFrame(h.Ctx);
    EXPECT_EQ(h.S.LossCount, 1);
    EXPECT_EQ(h.S.TrackX, 12);
    MatchFrame(h.Ctx);
    EXPECT_EQ(h.S.LossCount, 2);
    EXPECT_EQ(h.S.TrackX, 20);
}

TEST(MatchFrameTest, StoresAPendingSampleAndScoresItInTheSamePass)
{
    Harness h;
    h.P.Set(23, "3");
    h.P.Set(24, "2");
    h.Apply();
    Bitmap screen(600, 400);
    std::mt19937 rng(5);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 600; ++x)
            screen.SetPixel(x, y, Rgb(static_cast<int>(rng() % 256), (x * 3) % 256, (y * 5) % 256));
    h.Screen.Screen() = screen;
    CaptureFrame(h.Ctx);
    h.S.CellMode = -1;
    PlaceSample(h.Ctx, 70, 80); // right click: the sample is taken
    h.S.CellMode = 4;           // cell 4 is row 1, column 0
    h.S.CaptureRequested = true;
    h.S.MinCellScore = 20;
    MatchFrame(h.Ctx);
    EXPECT_FALSE(h.S.CaptureRequested);
    EXPECT_EQ(h.S.SampleMatrix[4][0].F[pf::FilledFlag], 1);
    EXPECT_EQ(h.S.SampleMatrix[4][1].F[pf::R], h.S.LivePoints[1].F[pf::R]);
    ASSERT_EQ(h.S.AvailableList.size(), 2u);
    EXPECT_EQ(h.S.AvailableList[0], "0 0 0 ");
    EXPECT_EQ(h.S.AvailableList[1], "1 0 0 ");
    // The sample picture went to (0, SampleHeight) of the matrix, outline included.
    EXPECT_EQ(h.S.MatrixBitmap.Pixel(0, 60), Rgb(128, 100, 128)); // grid line drawn over it
    EXPECT_EQ(h.S.MatrixBitmap.Pixel(119, 119), Rgb(80, 80, 80));
    EXPECT_EQ(h.S.MatrixBitmap.Pixel(5, 65), h.S.SamplePicture.Pixel(5, 5));
    // Exact match at the centre of the search.
    EXPECT_EQ(h.S.BestCell, 4);
    EXPECT_EQ(h.S.Decision, 11);
    EXPECT_EQ(h.S.TrackX, 70);
    EXPECT_EQ(h.S.TrackY, 80);
    ASSERT_EQ(h.S.RecognisedList.size(), 1u);
    // The list is written before the rescaling, with the cell's own W.
    EXPECT_EQ(h.S.RecognisedList[0], "70;80 T=1 W=251");
    EXPECT_EQ(h.S.StatisticsLine, "T = 1 C = 1  W = 100 XF = 70 YF = 80 FPS = .0");
    // The circle around the best position, in its pen colour, inside its box.
    EXPECT_EQ(h.S.Video.Pixel(70, 76), Rgb(120, 0, 120));
}

TEST(MatchFrameTest, StoreForACellThatDoesNotExistIsDropped)
{
    Harness h;
    h.P.Set(23, "1");
    h.P.Set(24, "1");
    h.Apply();
    h.S.CellMode = 5;
    h.S.CaptureRequested = true;
    MatchFrame(h.Ctx);
    EXPECT_FALSE(h.S.CaptureRequested);
    EXPECT_EQ(h.S.SampleMatrix[1][0].F[pf::FilledFlag], 0);
}

TEST(MatchFrameTest, FpsFormat)
{
    EXPECT_EQ(FormatFps(18.5), "18.5");
    EXPECT_EQ(FormatFps(0.0), ".0");
    EXPECT_EQ(FormatFps(0.46), ".5");
    EXPECT_EQ(FormatFps(20.0), "20.0");
}

// ---- Production against the literal pass over many random configurations ----

template <class T>
T Pick(std::mt19937& rng, std::initializer_list<T> options)
{
    return *(options.begin() + rng() % options.size());
}

int Uniform(std::mt19937& rng, int lo, int hi)
{
    return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1));
}

void RandomWorld(std::mt19937& rng, Harness& h, std::string& description)
{
    auto set = [&](int n, const std::string& v) {
        h.P.Set(n, v);
        description += " p" + std::to_string(n) + "=" + v;
    };
    const int tw = Uniform(rng, 20, 200), th = Uniform(rng, 20, 200);
    set(25, std::to_string(tw));
    set(26, std::to_string(th));
    // Mostly samples that fit with room to move; now and then one that does not.
    const bool fits = rng() % 8 != 0;
    set(21, std::to_string(fits ? Uniform(rng, 2, std::min(tw - 8, 130)) : Uniform(rng, 2, 130)));
    set(22, std::to_string(fits ? Uniform(rng, 2, std::min(th - 8, 100)) : Uniform(rng, 2, 100)));
    set(23, std::to_string(Uniform(rng, 1, 4)));
    set(24, std::to_string(Uniform(rng, 1, 4)));
    set(6, std::to_string(Pick(rng, {0, 1, 2, 3, 3, 5, 8})));
    set(14, std::to_string(Pick(rng, {0, 1, 1, 2, 3, -1, 7})));
    set(15, std::to_string(Pick(rng, {0, 1, 1, 2, -2, 5})));
    std::string weights;
    for (int i = 0; i < 9; ++i)
        weights += static_cast<char>('0' + rng() % 10);
    set(16, weights);
    set(8, std::to_string(Pick(rng, {0, 0, 7, 50, 100})));
    set(10, Pick<std::string>(rng, {"C", "C", "F", "X"}));
    set(7, std::to_string(Pick(rng, {0, 1, 3, 20})));
    set(13, std::to_string(Pick(rng, {100, 100, 30, 10})));
    ASSERT_TRUE(h.Apply().Ok());
    TrackerState& s = h.S;

    // A plane of smooth shapes with some noise, and a second, shifted version
    // of it that the cells are sampled from.
    const int cx = Uniform(rng, 0, 200), cy = Uniform(rng, 0, 200);
    const int noise = Pick(rng, {0, 2, 4, 8, 40, 255});
    auto shade = [&](int x, int y, int shift) {
        const int dx = x - cx - shift, dy = y - cy;
        const int base = (dx * dx + dy * dy) / 16;
        return std::array<int, 3>{(base + static_cast<int>(rng() % (noise + 1))) % 256,
                                  (x * 2 + y + static_cast<int>(rng() % (noise + 1))) % 256,
                                  (255 - base % 256 + x) % 256};
    };
    const int shift = Uniform(rng, 0, 3);
    for (int x = 0; x < PlaneSize; ++x)
        for (int y = 0; y < PlaneSize; ++y) {
            const auto c = shade(x, y, shift);
            s.Plane(x, y).Slot = {0, static_cast<std::int16_t>(c[0]), static_cast<std::int16_t>(c[1]),
                                  static_cast<std::int16_t>(c[2]), 0, 0, 0, 0, 0};
        }

    const bool usePattern = rng() % 2 == 0;
    if (!usePattern) {
        const int count = std::min<int>(s.MaxPoints, Uniform(rng, 1, 100));
        s.LivePoints[0].F[pf::HeaderCount] = count;
        for (int i = 1; i <= count; ++i) {
            auto& e = s.LivePoints[static_cast<std::size_t>(i)].F;
            e[pf::Dx] = Uniform(rng, -s.HalfSampleWidth - 3, s.HalfSampleWidth + 3);
            e[pf::Dy] = Uniform(rng, -s.HalfSampleHeight - 3, s.HalfSampleHeight + 3);
            e[pf::Tolerance] = Pick(rng, {0, 10, 20, 40, 50, 999, -30, 300});
        }
    }
    auto sampleAt = [&](int a, int b) {
        if (s.LivePoints[0].F[pf::HeaderCount] == 0)
            SampleDefaultPattern(s, a, b);
        if (s.LivePoints[0].F[pf::HeaderCount] > 0)
            SampleStructure(s, a, b);
    };
    for (int k = 1; k <= s.CellCount; ++k) {
        if (rng() % 10 < 3)
            continue;
        const bool nearCentre = rng() % 2 == 0;
        const int a = nearCentre ? s.TargetWidth / 2 + Uniform(rng, -4, 4) : Uniform(rng, 0, s.TargetWidth);
        const int b = nearCentre ? s.TargetHeight / 2 + Uniform(rng, -4, 4) : Uniform(rng, 0, s.TargetHeight);
        sampleAt(a, b);
        auto& cell = s.SampleMatrix[static_cast<std::size_t>(k)];
        for (int p = 1; p <= s.PointCount; ++p)
            for (int f = 1; f <= 14; ++f)
                cell[static_cast<std::size_t>(p)].F[static_cast<std::size_t>(f)] =
                    s.LivePoints[static_cast<std::size_t>(p)].F[static_cast<std::size_t>(f)];
        cell[0].F[pf::FilledFlag] = 1;
        // Now and then a cell whose offsets differ from the live structure,
        // reaching outside the plane.
        if (rng() % 12 == 0 && s.PointCount >= 1)
            cell[static_cast<std::size_t>(Uniform(rng, 1, s.PointCount))].F[pf::Dx] = Pick(rng, {-500, 250, 90});
        if (rng() % 15 == 0 && s.PointCount >= 1)
            cell[static_cast<std::size_t>(Uniform(rng, 1, s.PointCount))].F[pf::Tolerance] = -2000000000;
    }
    // The frame the cells are matched against.
    for (int x = 0; x < PlaneSize; ++x)
        for (int y = 0; y < PlaneSize; ++y) {
            const auto c = shade(x, y, 0);
            s.Plane(x, y).Slot = {0, static_cast<std::int16_t>(c[0]), static_cast<std::int16_t>(c[1]),
                                  static_cast<std::int16_t>(c[2]), 0, 0, 0, 0, 0};
        }
    // Colours outside 0..255 never come from a capture, but nothing stops a
    // plane from holding them; both passes must still agree.
    if (rng() % 15 == 0)
        s.Plane(Uniform(rng, 0, s.TargetWidth), Uniform(rng, 0, s.TargetHeight)).Slot[1] = Pick<std::int16_t>(rng, {-7, 300, 32000});
    if (rng() % 20 == 0)
        s.PointCount = 0;
    s.TrackX = static_cast<std::int16_t>(Uniform(rng, 0, s.TargetWidth));
    s.TrackY = static_cast<std::int16_t>(Uniform(rng, 0, s.TargetHeight));
    s.SearchCentre = {static_cast<std::int16_t>(Uniform(rng, 0, 200)), static_cast<std::int16_t>(Uniform(rng, 0, 200))};
    s.MinCellScore = Pick<std::int16_t>(rng, {0, 0, 20, 60, -5});
    s.LossCount = static_cast<std::int16_t>(Uniform(rng, 0, 3));
    s.Decision = 0;
    s.CellMode = Pick<std::int16_t>(rng, {0, 0, -1, 2});
    description += " points=" + std::to_string(s.PointCount) + (usePattern ? " pattern" : " structure");
}

std::string Describe(const TrackerState& s)
{
    std::ostringstream o;
    o << "best " << s.BestCell << " W " << s.BestW << " track " << s.TrackX << "," << s.TrackY << " decision "
      << s.Decision << " loss " << s.LossCount << " cells";
    for (const auto& c : s.CellResult)
        o << " [" << c.W << " " << c.X << "," << c.Y << " " << c.Proximity << "]";
    o << " rows";
    for (auto r : s.RowBest)
        o << " " << r;
    return o.str();
}

TEST(MatchFrameEquivalenceTest, ProductionEqualsTheLiteralPass)
{
    std::mt19937 rng(20261211);
    int matched = 0;
    for (int run = 0; run < 400; ++run) {
        Harness h;
        std::string description;
        RandomWorld(rng, h, description);
        TrackerState expected = h.S;
        const std::string align = h.P.GetParamText(10);
        MatchFrame(h.Ctx);
        oracle::MatchFrame(expected, align);
        const TrackerState& got = h.S;
        ASSERT_EQ(Describe(got), Describe(expected)) << "run " << run << ":" << description;
        ASSERT_EQ(got.SearchCentre, expected.SearchCentre) << "run " << run;
        matched += got.BestCell > 0;
    }
    // The random worlds must exercise the decision, not only empty passes.
    EXPECT_GT(matched, 60);
}

} // namespace
} // namespace okulon
