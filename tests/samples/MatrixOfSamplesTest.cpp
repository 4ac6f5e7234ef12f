#include "TestSupport.h"

#include "Capture.h"
#include "MatrixOfSamples.h"

#include <gtest/gtest.h>

namespace okulon {
namespace {

using test::Harness;

class MatrixTest : public ::testing::Test {
protected:
    void Configure(int cols, int rows)
    {
        h.P.Set(23, std::to_string(cols));
        h.P.Set(24, std::to_string(rows));
        ASSERT_TRUE(h.Apply().Ok());
    }
    Harness h;
};

TEST_F(MatrixTest, AvailableSamplesLinesAndCellPlacement)
{
    Configure(3, 2);
    // Take a sample and store it into cell 4: column 0 of row 1.
    h.S.SamplePicture.Fill(Rgb(1, 2, 3));
    h.S.CellMode = -1;
    PlaceTargetByMouse(h.Ctx, MouseButton::Right, 70, 80);
    FillRect(h.S.SamplePicture, 0, 0, 120, 60, Rgb(1, 2, 3));
    h.S.CellMode = 4;
    h.S.CaptureRequested = true;
    StoreSample(h.Ctx);
    ASSERT_EQ(h.S.AvailableList.size(), 2u);
    EXPECT_EQ(h.S.AvailableList[0], "0 0 0 ");
    EXPECT_EQ(h.S.AvailableList[1], "1 0 0 ");
    // The picture replaced the cell's outline too.
    EXPECT_EQ(h.S.MatrixBitmap.Pixel(0, 60), Rgb(1, 2, 3));
    EXPECT_EQ(h.S.MatrixBitmap.Pixel(119, 119), Rgb(1, 2, 3));
    EXPECT_EQ(h.S.MatrixBitmap.Pixel(120, 60), Rgb(128, 128, 128));
    EXPECT_EQ(h.S.SampleMatrix[4][0].F[pf::FilledFlag], 1);
    EXPECT_EQ(h.S.CellMode, 4);
}

TEST_F(MatrixTest, ClearMatrixEmptiesCellsAndForgetsTheFile)
{
    Configure(2, 2);
    h.S.SampleMatrix[3][0].F[pf::FilledFlag] = 1;
    h.S.SampleMatrix[3][2].F[pf::R] = 9;
    h.S.SampleMatrix[3][2].F[pf::S] = 44;
    FillRect(h.S.MatrixBitmap, 0, 0, 240, 120, Rgb(5, 5, 5));
    h.S.MatrixFilePath = "m.bmp";
    h.P.Set(51, "m.bmp");
    h.S.CaptureRequested = true;
    h.S.CellMode = 3;

    ClearMatrix(h.Ctx, true);
    EXPECT_EQ(h.S.MatrixFilePath, "m.bmp");
    ClearMatrix(h.Ctx);
    EXPECT_EQ(h.S.SampleMatrix[3][0].F[pf::FilledFlag], 0);
    EXPECT_EQ(h.S.SampleMatrix[3][2].F[pf::R], 0);
    EXPECT_EQ(h.S.SampleMatrix[3][2].F[pf::S], 44); // fields above 10 stay
    EXPECT_FALSE(h.S.CaptureRequested);
    EXPECT_EQ(h.S.CellMode, 0);
    EXPECT_EQ(h.S.MatrixFilePath, "");
    EXPECT_EQ(h.P.Cell(51), "");
    EXPECT_TRUE(h.S.AvailableList.empty());
    EXPECT_EQ(h.S.MatrixBitmap.Pixel(1, 1), White);
    EXPECT_EQ(h.S.MatrixBitmap.Pixel(119, 30), Rgb(128, 128, 128));
}

TEST_F(MatrixTest, MouseButtons)
{
    Configure(4, 4);
    struct {
        MouseButton button;
        int x, y;
        int tx, ty, mode;
    } cases[] = {
        {MouseButton::Right, 3, 80, 60, 80, -1},  // left edge of the sample on the area's edge
        {MouseButton::Right, 139, 80, 80, 80, -1}, // right edge on TargetWidth
        {MouseButton::Left, 70, 0, 70, 30, 0},
    };
    for (const auto& c : cases) {
        h.S.CaptureRequested = true;
        PlaceTargetByMouse(h.Ctx, c.button, c.x, c.y);
        EXPECT_EQ(h.S.TrackX, c.tx);
        EXPECT_EQ(h.S.TrackY, c.ty);
        EXPECT_EQ(h.S.CellMode, c.mode);
        EXPECT_FALSE(h.S.CaptureRequested);
    }
    // The middle button only moves the point and cancels a pending store.
    h.S.CellMode = 5;
    h.S.CaptureRequested = true;
    const int points = h.S.PointCount;
    PlaceTargetByMouse(h.Ctx, MouseButton::Middle, 75, 85);
    EXPECT_EQ(h.S.TrackX, 75);
    EXPECT_EQ(h.S.TrackY, 85);
    EXPECT_EQ(h.S.CellMode, 5);
    EXPECT_FALSE(h.S.CaptureRequested);
    EXPECT_EQ(h.S.PointCount, points);
}

TEST_F(MatrixTest, RecomputeCellReadsOnlyInsideThePicture)
{
    Configure(2, 1);
    // The picture covers cell 2 only up to its middle.
    h.S.MatrixBitmap.SetSize(180, 60, Rgb(10, 20, 30));
    test::PaintPlane(h.S, 0, 0, 200, 200, 7, 7, 7);
    RecomputeCell(h.Ctx, 2, RecomputeMode::DefaultPattern);
    EXPECT_EQ(h.S.Plane(0, 0).Slot[1], 10);
    EXPECT_EQ(h.S.Plane(59, 59).Slot[3], 30);
    EXPECT_EQ(h.S.Plane(60, 0).Slot[1], 7);
    EXPECT_EQ(h.S.Plane(119, 59).Slot[1], 7);
    EXPECT_EQ(h.S.CellMode, 2);
    EXPECT_EQ(h.S.PointCount, 37);
    const auto& cell = h.S.SampleMatrix[2];
    EXPECT_EQ(cell[0].F[pf::FilledFlag], 1);
    EXPECT_EQ(cell[1].F[pf::R], 7); // the centre (60, 30) lies in the unread part
    EXPECT_EQ(cell[4].F[pf::Dx], -10);
    EXPECT_EQ(cell[4].F[pf::R], 10); // (50, 10) lies in the read part
}

TEST_F(MatrixTest, RecomputeOfACellThatDoesNotExistDoesNothing)
{
    Configure(1, 1);
    RecomputeCell(h.Ctx, 2, RecomputeMode::DefaultPattern);
    RecomputeCell(h.Ctx, 0, RecomputeMode::Structure);
    EXPECT_EQ(h.S.PointCount, 0);
    EXPECT_EQ(h.S.CellMode, 0);
}

} // namespace
} // namespace okulon
