#include "TestSupport.h"

#include "Sampling.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cstdlib>

namespace okulon {
namespace {

using test::Harness;

struct PatternCase {
    int sampleW, sampleH;
    int points;
    int excluded; // points marked 999
};

void PrintTo(const PatternCase& c, std::ostream* os) { *os << c.sampleW << "x" << c.sampleH; }

class PatternTest : public ::testing::TestWithParam<PatternCase> {};

TEST_P(PatternTest, PointCountsAndExclusions)
{
    const PatternCase& c = GetParam();
    Harness h;
    h.P.Set(21, std::to_string(c.sampleW));
    h.P.Set(22, std::to_string(c.sampleH));
    h.Apply();
    SampleDefaultPattern(h.S, 70, 80);
    ASSERT_EQ(h.S.PointCount, c.points);
    EXPECT_EQ(h.S.LivePoints[0].F[pf::HeaderCount], c.points);
    int excluded = 0;
    for (int i = 1; i <= c.points; ++i) {
        const auto& e = h.S.LivePoints[static_cast<std::size_t>(i)].F;
        const bool outside = 2 * std::abs(e[pf::Dx]) > c.sampleW || 2 * std::abs(e[pf::Dy]) > c.sampleH;
        EXPECT_EQ(e[pf::Tolerance] == 999, outside) << i;
        excluded += e[pf::Tolerance] == 999;
    }
    EXPECT_EQ(excluded, c.excluded);
}

INSTANTIATE_TEST_SUITE_P(Samples, PatternTest,
                         ::testing::Values(PatternCase{120, 60, 37, 0}, PatternCase{120, 80, 39, 0},
                                           // Line points with |dy| above 20: -24, 24 and 30 on the
                                           // centre line and 25 on both side lines.
                                           PatternCase{60, 40, 31, 5}));

TEST(PatternTest, LayoutAndTolerances)
{
    Harness h;
    h.Apply();
    SampleDefaultPattern(h.S, 70, 80);
    auto at = [&](int i) { return h.S.LivePoints[static_cast<std::size_t>(i)].F; };
    EXPECT_EQ(at(1)[pf::Dx], 0);
    EXPECT_EQ(at(1)[pf::Tolerance], 10);
    // k = -4: centre line, right line, left line.
    EXPECT_EQ(at(2)[pf::Dy], -24);
    EXPECT_EQ(at(2)[pf::Tolerance], 20);
    EXPECT_EQ(at(3)[pf::Dx], 10);
    EXPECT_EQ(at(3)[pf::Dy], -20);
    EXPECT_EQ(at(3)[pf::Tolerance], 40);
    EXPECT_EQ(at(4)[pf::Dx], -10);
    EXPECT_EQ(at(29)[pf::Dy], 30);
    // Ring, with (0, 39) and (0, -39) skipped: (28, 28), (-28, 28), (-39, 0), (-28, -28), (28, -28), (39, 0).
    const int ring[][2] = {{28, 28}, {-28, 28}, {-39, 0}, {-28, -28}, {28, -28}, {39, 0}};
    for (int r = 0; r < 6; ++r) {
        EXPECT_EQ(at(32 + r)[pf::Dx], ring[r][0]);
        EXPECT_EQ(at(32 + r)[pf::Dy], ring[r][1]);
        EXPECT_EQ(at(32 + r)[pf::Tolerance], 50);
    }
}

TEST(PatternTest, UniformColourGivesRelativeChannels)
{
    Harness h;
    h.Apply();
    test::PaintPlane(h.S, 0, 0, 200, 200, 100, 150, 200);
    SampleDefaultPattern(h.S, 70, 80);
    EXPECT_EQ(h.S.LivePoints[0].F[pf::HeaderMean], 150);
    for (int i = 1; i <= h.S.PointCount; ++i) {
        const auto& e = h.S.LivePoints[static_cast<std::size_t>(i)].F;
        EXPECT_EQ(e[pf::DR], -50);
        EXPECT_EQ(e[pf::DG], 0);
        EXPECT_EQ(e[pf::DB], 50);
        EXPECT_EQ(e[pf::H], 210);
    }
}

TEST(PatternTest, SmallCapacityCutsThePatternShort)
{
    Harness h;
    h.P.Set(13, "10");
    h.Apply();
    SampleDefaultPattern(h.S, 70, 80);
    EXPECT_EQ(h.S.PointCount, 10);
    EXPECT_EQ(h.S.LivePoints.size(), 11u);
}

TEST(PatternTest, CentreNearThePlaneEdgeReadsBlackOutside)
{
    Harness h;
    h.Apply();
    test::PaintPlane(h.S, 0, 0, 200, 200, 90, 90, 90);
    SampleDefaultPattern(h.S, 0, 200);
    // (0, 176) is inside, (0, 206) is outside the plane.
    EXPECT_EQ(h.S.LivePoints[2].F[pf::R], 90);
    EXPECT_EQ(h.S.LivePoints[29].F[pf::R], 0);
    EXPECT_EQ(h.S.LivePoints[29].F[pf::Dy], 30);
}

TEST(StructureSamplingTest, PointOutsideTheSampleIsTakenAtTheCentre)
{
    Harness h;
    h.Apply();
    test::PaintPlane(h.S, 0, 0, 200, 200, 10, 10, 10);
    test::PaintPlane(h.S, 70, 80, 70, 80, 200, 0, 0);
    auto& lp = h.S.LivePoints;
    lp[0].F[pf::HeaderCount] = 2;
    lp[1].F[pf::Dx] = 5;
    lp[1].F[pf::Tolerance] = 20;
    lp[2].F[pf::Dx] = 70;
    lp[2].F[pf::Tolerance] = 30;
    SampleStructure(h.S, 70, 80);
    EXPECT_EQ(h.S.PointCount, 2);
    EXPECT_EQ(lp[1].F[pf::R], 10);
    EXPECT_EQ(lp[1].F[pf::Tolerance], 20);
    EXPECT_EQ(lp[2].F[pf::R], 200);
    EXPECT_EQ(lp[2].F[pf::Tolerance], 999);
    EXPECT_EQ(lp[2].F[pf::Dx], 70); // offsets stay
    EXPECT_EQ(lp[0].F[pf::HeaderMean], 38); // (210 + 10 + 10) div 3 div 2
    EXPECT_EQ(lp[0].F[pf::HeaderCount], 2);
}

TEST(StructureSamplingTest, NoStructureDoesNothing)
{
    Harness h;
    h.Apply();
    h.S.PointCount = 7;
    SampleStructure(h.S, 70, 80);
    EXPECT_EQ(h.S.PointCount, 7);
}

} // namespace
} // namespace okulon
