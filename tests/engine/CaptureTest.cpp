#include "TestSupport.h"

#include "Capture.h"

#include <gtest/gtest.h>

namespace okulon {
namespace {

using test::Harness;

// Screen pixel (x, y) has red x mod 256, green y, blue 7.
Bitmap ScreenPicture()
{
    Bitmap b(400, 300);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            b.SetPixel(x, y, Rgb(x % 256, y % 256, 7));
    return b;
}

class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        h.Screen.Screen() = ScreenPicture();
        h.P.Set(25, "5");
        h.P.Set(26, "4");
    }
    void Sentinel()
    {
        for (int x = 0; x < 8; ++x)
            for (int y = 0; y < 8; ++y)
                h.S.Plane(x, y).Slot = {0, -1, -1, -1, 0, 0, 0, 0, 0};
    }
    Harness h;
};

TEST_F(CaptureTest, FillsOnlyTheInnerPartOfTheTargetArea)
{
    h.Apply();
    Sentinel();
    CaptureFrame(h.Ctx);
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 8; ++y) {
            const auto& c = h.S.Plane(x, y).Slot;
            if (x >= 1 && x <= 4 && y >= 1 && y <= 3) {
                EXPECT_EQ(c[1], 170 + x) << x << "," << y;
                EXPECT_EQ(c[2], 75 + y);
                EXPECT_EQ(c[3], 7);
            } else {
                EXPECT_EQ(c[1], -1) << x << "," << y;
            }
        }
    EXPECT_EQ(h.S.Video.Pixel(0, 0), Rgb(170, 75, 7));
    EXPECT_EQ(h.S.CaptureBitmap.Pixel(4, 3), Rgb(174, 78, 7));
    // The buffer holds blue, green, red from byte 1.
    EXPECT_EQ(h.S.CaptureBuffer[1], 7);
    EXPECT_EQ(h.S.CaptureBuffer[2], 75);
    EXPECT_EQ(h.S.CaptureBuffer[3], 170);
}

TEST_F(CaptureTest, MirrorPutsTheFirstScreenColumnLast)
{
    h.P.Set(9, "1");
    h.Apply();
    Sentinel();
    CaptureFrame(h.Ctx);
    EXPECT_EQ(h.S.Plane(4, 1).Slot[1], 170);
    EXPECT_EQ(h.S.Plane(1, 1).Slot[1], 173);
    // Screen column 174 lands in column 0, which the spreading skips.
    EXPECT_EQ(h.S.Plane(0, 1).Slot[1], -1);
    EXPECT_EQ(h.S.Video.Pixel(0, 0), Rgb(174, 75, 7));
}

TEST(PlaceSampleTest, TrackedPointIsKeptInsideTheTargetArea)
{
    Harness h;
    h.Apply(); // 140 x 160 target, 120 x 60 sample
    struct {
        int x, y, tx, ty;
    } cases[] = {{0, 0, 60, 30}, {139, 159, 80, 130}, {70, 80, 70, 80}};
    for (const auto& c : cases) {
        PlaceSample(h.Ctx, c.x, c.y);
        EXPECT_EQ(h.S.TrackX, c.tx);
        EXPECT_EQ(h.S.TrackY, c.ty);
    }
}

TEST(PlaceSampleTest, SamplingModeLaysThePatternAndCopiesTheSamplePicture)
{
    Harness h;
    h.Screen.Screen() = ScreenPicture();
    h.Apply();
    CaptureFrame(h.Ctx);
    h.S.CellMode = -1;
    h.S.LossCount = 5;
    PlaceSample(h.Ctx, 70, 80);
    EXPECT_EQ(h.S.LossCount, 0);
    EXPECT_EQ(h.S.PointCount, 37);
    EXPECT_EQ(h.S.LivePoints[0].F[pf::HeaderCount], 37);
    // Centre point: the plane at (70, 80) is screen (240, 155).
    EXPECT_EQ(h.S.LivePoints[1].F[pf::R], 240);
    EXPECT_EQ(h.S.LivePoints[1].F[pf::G], 155);
    // The sample picture holds the tracked rectangle with its grey outline.
    EXPECT_EQ(h.S.SamplePicture.Pixel(0, 0), Rgb(80, 80, 80));
    EXPECT_EQ(h.S.SamplePicture.Pixel(5, 5), Rgb(170 + 15, 75 + 55, 7));
    EXPECT_EQ(h.S.SamplePicture.Pixel(119, 59), Rgb(80, 80, 80));
}

} // namespace
} // namespace okulon
