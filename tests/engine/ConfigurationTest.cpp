#include "TestSupport.h"

#include "UnitGlobal_v.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <vector>

namespace okulon {
namespace {

using test::Harness;

TEST(ApplyConfigurationTest, DefaultsGiveTheDefaultGeometry)
{
    Harness h;
    ASSERT_TRUE(h.Apply().Ok());
    const TrackerState& s = h.S;
    EXPECT_EQ(s.TargetWidth, 140);
    EXPECT_EQ(s.TargetHeight, 160);
    EXPECT_EQ(s.SampleWidth, 120);
    EXPECT_EQ(s.SampleHeight, 60);
    EXPECT_EQ(s.HalfSampleWidth, 60);
    EXPECT_EQ(s.HalfSampleHeight, 30);
    EXPECT_EQ(s.MatrixCols, 4);
    EXPECT_EQ(s.MatrixRows, 4);
    EXPECT_EQ(s.CellCount, 16);
    EXPECT_EQ(s.MaxPoints, 100);
    EXPECT_EQ(s.PointCount, 0);
    EXPECT_EQ(s.FramePeriodMs, 50);
    EXPECT_EQ(s.MaxShift, 3);
    EXPECT_EQ(s.LossFrames, 20);
    EXPECT_FLOAT_EQ(s.ProximityCoef, 0.0f);
    EXPECT_FALSE(s.MirrorVideo);
    EXPECT_EQ(s.TimeFrame, 1);
    EXPECT_EQ(s.KeyPointWidth, 1);
    EXPECT_EQ(s.KeyPointHeight, 1);
    EXPECT_EQ(s.CaptureOrigin, (PointI16{170, 75}));
    for (int i = 1; i <= 9; ++i)
        EXPECT_EQ(s.ChannelWeights[static_cast<std::size_t>(i)], 1);
    EXPECT_EQ(s.StructureColor, White);
    EXPECT_EQ(s.SampleMatrix.size(), 17u);
    EXPECT_EQ(s.SampleMatrix[1].size(), 101u);
    EXPECT_EQ(s.LivePoints.size(), 101u);
    EXPECT_EQ(s.CaptureBuffer.size(), 141u * 162u * 4u);
    EXPECT_EQ(s.MatrixBitmap.Width(), 480);
    EXPECT_EQ(s.MatrixBitmap.Height(), 240);
    EXPECT_EQ(s.CaptureBitmap.Width(), 140);
    EXPECT_EQ(s.CaptureBitmap.Height(), 160);
    EXPECT_EQ(s.StructuresDiagramWidth, 288); // round(3 x 120 x 0.8)
    EXPECT_EQ(s.StructuresDiagramHeight, 144);
    ASSERT_EQ(s.AvailableList.size(), 4u);
    EXPECT_EQ(s.AvailableList[0], "0 0 0 0 ");
    EXPECT_EQ(s.SoundPath, "/okulon/Okulon.wav");
}

struct GeometryCase {
    std::vector<std::pair<int, std::string>> params;
    int targetW, targetH, sampleW, halfSampleW, cols, rows, maxPoints;
};

void PrintTo(const GeometryCase& c, std::ostream* os)
{
    for (const auto& [n, v] : c.params)
        *os << "p" << n << "=" << v << " ";
}

class GeometryTest : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(GeometryTest, LimitsAreApplied)
{
    Harness h;
    for (const auto& [n, v] : GetParam().params)
        h.P.Set(n, v);
    h.Apply();
    const GeometryCase& c = GetParam();
    EXPECT_EQ(h.S.TargetWidth, c.targetW);
    EXPECT_EQ(h.S.TargetHeight, c.targetH);
    EXPECT_EQ(h.S.SampleWidth, c.sampleW);
    EXPECT_EQ(h.S.HalfSampleWidth, c.halfSampleW);
    EXPECT_EQ(h.S.MatrixCols, c.cols);
    EXPECT_EQ(h.S.MatrixRows, c.rows);
    EXPECT_EQ(h.S.MaxPoints, c.maxPoints);
    EXPECT_EQ(h.S.CellCount, c.cols * c.rows);
    EXPECT_EQ(h.S.SampleMatrix.size(), static_cast<std::size_t>(c.cols * c.rows + 1));
    EXPECT_EQ(h.S.MatrixBitmap.Width(), c.cols * c.sampleW);
}

INSTANTIATE_TEST_SUITE_P(
    Parameters, GeometryTest,
    ::testing::Values(
        GeometryCase{{{25, "300"}, {26, "300"}}, 200, 200, 120, 60, 4, 4, 100},
        GeometryCase{{{13, "0"}}, 140, 160, 120, 60, 4, 4, 1},
        GeometryCase{{{21, "150"}, {25, "140"}}, 140, 160, 140, 70, 4, 4, 100},
        GeometryCase{{{23, "7"}, {24, "2"}}, 140, 160, 120, 60, 4, 2, 100},
        GeometryCase{{{24, "0"}}, 140, 160, 120, 60, 4, 0, 100},
        // Negative sizes are taken as 0.
        GeometryCase{{{25, "-5"}, {23, "-3"}}, 0, 160, 0, 0, 0, 4, 100},
        GeometryCase{{{13, "500"}, {21, "121"}}, 140, 160, 121, 60, 4, 4, 100}));

TEST(ApplyConfigurationTest, RepairsAreWrittenBack)
{
    Harness h;
    h.P.Set(13, "500");
    h.P.Set(23, "7");
    h.P.Set(22, "999");
    h.P.Set(35, "12");
    h.P.Set(103, "65 3");
    h.P.Set(116, "x");
    h.Apply();
    EXPECT_EQ(h.P.Cell(13), "100");
    EXPECT_EQ(h.P.Cell(23), "4");
    EXPECT_EQ(h.P.Cell(22), "200");
    EXPECT_EQ(h.P.Cell(35), "0");
    EXPECT_EQ(h.P.Cell(103), "");
    EXPECT_EQ(h.P.Cell(116), "");
    EXPECT_EQ(h.P.Cell(67), "0");
}

TEST(ApplyConfigurationTest, MinimumScoreIsCappedLikeTheTargetSize)
{
    Harness h;
    h.P.Set(4, "300");
    h.Apply();
    EXPECT_EQ(h.S.Wlim, 200);
    h.P.Set(4, "35");
    h.Apply();
    EXPECT_EQ(h.S.Wlim, 35);
}

TEST(ApplyConfigurationTest, GarbageParameterFollowsTheRepairRule)
{
    Harness h;
    h.P.Set(25, "wide");
    h.Apply();
    // The read returns 0 once and leaves the default in the cell.
    EXPECT_EQ(h.S.TargetWidth, 0);
    EXPECT_EQ(h.S.SampleWidth, 0);
    EXPECT_EQ(h.P.Cell(25), "140");
    h.Apply();
    EXPECT_EQ(h.S.TargetWidth, 140);
}

TEST(ApplyConfigurationTest, ConfigurationFileIsLoggedOnlyWhenItExists)
{
    Harness h;
    h.Apply("/cfg/missing.ini");
    EXPECT_TRUE(h.Log.Lines.empty());
    EXPECT_EQ(h.S.ConfigurationFile, "");
    h.Files.push_back("/cfg/a.ini");
    h.Apply("/cfg/a.ini");
    ASSERT_EQ(h.Log.Lines.size(), 1u);
    EXPECT_EQ(h.Log.Lines[0].first, "Reading configuration from the file:/cfg/a.ini");
    EXPECT_EQ(h.Log.Lines[0].second, 23);
    EXPECT_EQ(h.S.ConfigurationFile, "/cfg/a.ini");
}

TEST(ApplyConfigurationTest, DeliveryMethodComparesExactly)
{
    Harness h;
    h.P.Set(102, "S");
    h.Apply();
    EXPECT_TRUE(h.S.UseSendMessage);
    for (const char* keep : {"s", "p", "post"}) {
        h.P.Set(102, keep);
        h.Apply();
        EXPECT_TRUE(h.S.UseSendMessage) << keep;
    }
    h.P.Set(102, "P");
    h.Apply();
    EXPECT_FALSE(h.S.UseSendMessage);
}

TEST(ApplyConfigurationTest, FramePeriod)
{
    Harness h;
    struct {
        const char* fps;
        int period;
    } cases[] = {{"20", 50}, {"3", 333}, {"1", 1000}, {"2000", 0}, {"0", 50}, {"-4", 50}};
    for (const auto& c : cases) {
        h.P.Set(5, c.fps);
        h.Apply();
        EXPECT_EQ(h.S.FramePeriodMs, c.period) << c.fps;
    }
}

TEST(ApplyConfigurationTest, RowKeysAndNoSampleKey)
{
    Harness h;
    h.Apply();
    ASSERT_EQ(h.S.RowKeys.size(), 5u);
    EXPECT_EQ(h.S.RowKeys[0], (KeyAction{32, 2}));
    EXPECT_EQ(h.S.RowKeys[1], (KeyAction{32, 1}));
    EXPECT_EQ(h.S.RowKeys[2], (KeyAction{32, 1}));
    EXPECT_EQ(h.S.RowKeys[3], (KeyAction{0, 0})); // empty default: inert
    EXPECT_EQ(h.S.RowKeys[4], (KeyAction{0, 0})); // parameter 116, emptied
    EXPECT_EQ(h.S.NoSampleKey, (KeyAction{32, 2}));

    // A short no-sample value keeps the previous key; a short row value makes the row inert.
    h.P.Set(111, "7");
    h.P.Set(113, "65");
    h.Apply();
    EXPECT_EQ(h.S.NoSampleKey, (KeyAction{32, 2}));
    EXPECT_EQ(h.S.RowKeys[1], (KeyAction{0, 0}));

    // An emptied row parameter is repaired to its default before parsing.
    h.P.Set(112, "");
    h.Apply();
    EXPECT_EQ(h.S.RowKeys[0], (KeyAction{32, 2}));
    EXPECT_EQ(h.P.Cell(112), "32 2");
}

TEST(ApplyConfigurationTest, BadKeyIsReportedAndTheRestStillApplies)
{
    Harness h;
    h.P.Set(113, "32 1 2");
    h.P.Set(18, "0000FF");
    const ApplyResult r = h.Apply();
    ASSERT_EQ(r.Errors.size(), 1u);
    EXPECT_EQ(h.S.RowKeys[1], (KeyAction{32, 1}));
    EXPECT_EQ(h.S.RowKeys[2], (KeyAction{32, 1}));
    EXPECT_EQ(h.S.StructureColor, Rgb(0, 0, 255));
}

TEST(ApplyConfigurationTest, ChannelFormula)
{
    Harness h;
    h.P.Set(16, "123456789");
    h.Apply();
    for (int i = 1; i <= 9; ++i)
        EXPECT_EQ(h.S.ChannelWeights[static_cast<std::size_t>(i)], i);
    // A shorter formula leaves the slots after it as they were.
    h.P.Set(16, "00");
    h.Apply();
    EXPECT_EQ(h.S.ChannelWeights[1], 0);
    EXPECT_EQ(h.S.ChannelWeights[2], 0);
    EXPECT_EQ(h.S.ChannelWeights[3], 3);
    // Beyond 16 characters nothing is written past the weights.
    h.P.Set(16, std::string(40, '5'));
    EXPECT_TRUE(h.Apply().Ok());
    EXPECT_EQ(h.S.ChannelWeights[16], 5);
    // A non-digit is an error; its slot keeps its value.
    h.P.Set(16, "1x1111111");
    const ApplyResult r = h.Apply();
    EXPECT_EQ(r.Errors.size(), 1u);
    EXPECT_EQ(h.S.ChannelWeights[2], 5);
    EXPECT_EQ(h.S.ChannelWeights[1], 1);
}

TEST(ParseStructureColorTest, Texts)
{
    EXPECT_EQ(ParseStructureColor("FFFFFF"), White);
    EXPECT_EQ(ParseStructureColor("0000FF"), Rgb(0, 0, 255));
    EXPECT_EQ(ParseStructureColor("ff0000"), Rgb(255, 0, 0));
    EXPECT_EQ(ParseStructureColor("12"), Rgb(0, 0, 0x12));
    EXPECT_EQ(ParseStructureColor("#FF0000"), White);
    EXPECT_EQ(ParseStructureColor("1000000"), White);
    EXPECT_EQ(ParseStructureColor(""), White);
}

TEST(ApplyConfigurationTest, ClearsSamplesAndStructure)
{
    Harness h;
    h.Apply();
    h.S.SampleMatrix[3][0].F[pf::FilledFlag] = 1;
    h.S.SampleMatrix[3][5].F[pf::R] = 77;
    h.S.SampleMatrix[3][5].F[pf::H] = 200;
    h.S.LivePoints[0].F[pf::HeaderCount] = 4;
    h.S.PointCount = 4;
    h.S.CellMode = 3;
    h.S.CaptureRequested = true;
    h.Apply();
    EXPECT_EQ(h.S.SampleMatrix[3][0].F[pf::FilledFlag], 0);
    EXPECT_EQ(h.S.SampleMatrix[3][5].F[pf::R], 0);
    EXPECT_EQ(h.S.SampleMatrix[3][5].F[pf::H], 200); // fields above 10 are kept
    EXPECT_EQ(h.S.LivePoints[0].F[pf::HeaderCount], 0);
    EXPECT_EQ(h.S.PointCount, 0);
    EXPECT_EQ(h.S.CellMode, 0);
    EXPECT_FALSE(h.S.CaptureRequested);
}

TEST(ApplyConfigurationTest, MatrixBitmapIsBlankWithGreyOutlines)
{
    Harness h;
    h.P.Set(21, "10");
    h.P.Set(22, "6");
    h.P.Set(23, "2");
    h.P.Set(24, "1");
    h.Apply();
    const Bitmap& m = h.S.MatrixBitmap;
    ASSERT_EQ(m.Width(), 20);
    ASSERT_EQ(m.Height(), 6);
    const Color grey = Rgb(128, 128, 128);
    for (int x : {0, 9, 10, 19})
        EXPECT_EQ(m.Pixel(x, 3), grey) << x;
    for (int y : {0, 5})
        EXPECT_EQ(m.Pixel(4, y), grey) << y;
    EXPECT_EQ(m.Pixel(5, 3), White);
    EXPECT_EQ(m.Pixel(15, 1), White);
}

TEST(ApplyConfigurationTest, LoadersAreCalledAndTheirErrorsReported)
{
    Harness h;
    int structureLoads = 0, matrixLoads = 0;
    h.Ctx.LoadStructure = [&](EngineContext& ctx) -> std::optional<std::string> {
        ++structureLoads;
        EXPECT_EQ(ctx.S.StructurePath, "/okulon/Okulon.dat");
        return std::string("bad structure");
    };
    h.Ctx.LoadMatrixFile = [&](EngineContext&) -> std::optional<std::string> {
        ++matrixLoads;
        return std::nullopt;
    };
    const ApplyResult r = h.Apply();
    EXPECT_EQ(structureLoads, 1);
    EXPECT_EQ(matrixLoads, 1);
    ASSERT_EQ(r.Errors.size(), 1u);
    EXPECT_EQ(r.Errors[0], "bad structure");
}

// Windows that put the capture frame somewhere else than asked (for example
// kept on the screen) and record what the configuration tells them.
class RecordingViews : public IViews {
public:
    void PlaceCaptureFrame(int left, int top, int width, int height, int& reportedLeft, int& reportedTop) override
    {
        Placed = {left, top, width, height};
        reportedLeft = left - 20;
        reportedTop = 0;
    }
    void SetCaptureFrameVisible(bool visible) override { Visibility.push_back(visible); }
    void ApplyViewParameters(const ViewParameters& v) override { Views = v; }
    std::array<int, 4> Placed{};
    std::vector<bool> Visibility;
    ViewParameters Views;
};

TEST(ApplyConfigurationTest, CaptureOriginComesFromTheWindowAndViewsFollowTheParameters)
{
    Harness h;
    RecordingViews views;
    h.Ctx.Views = &views;
    h.P.Set(32, "0");
    h.P.Set(64, "0");
    h.Apply();
    EXPECT_EQ(views.Placed, (std::array<int, 4>{170, 75, 140, 160}));
    EXPECT_EQ(h.S.CaptureOrigin, (PointI16{150, 0}));
    EXPECT_EQ(views.Visibility, (std::vector<bool>{false, true}));
    EXPECT_EQ(views.Views.StructureOnVideo, 0);
    EXPECT_EQ(views.Views.StripesDiagram, 0);
    EXPECT_EQ(views.Views.MatrixWindow, 1);
    EXPECT_FALSE(h.S.ShowStructureOnVideo);
}

TEST(ApplyConfigurationTest, ShrinkingKeepsArraysConsistent)
{
    Harness h;
    h.Apply();
    h.P.Set(23, "1");
    h.P.Set(24, "1");
    h.P.Set(13, "5");
    h.Apply();
    EXPECT_EQ(h.S.SampleMatrix.size(), 2u);
    EXPECT_EQ(h.S.SampleMatrix[1].size(), 6u);
    EXPECT_EQ(h.S.LivePoints.size(), 6u);
    EXPECT_EQ(h.S.RowKeys.size(), 2u);
}

} // namespace
} // namespace okulon
