#include "MatrixOfSamples.h"

#include "Capture.h"
#include "Numbers.h"
#include "Sampling.h"

#include <algorithm>

namespace okulon {

void ClearMatrix(EngineContext& ctx, bool keepMatrixPath)
{
    TrackerState& s = ctx.S;
    ClearCellFields(s, 0);
    s.CaptureRequested = false;
    s.CellMode = 0;
    s.AvailableList.clear();
    s.RecognisedList.clear();
    PaintMatrixBlank(s);
    if (!keepMatrixPath) {
        s.MatrixFilePath.clear();
        ctx.Params.SetParamText(51, "");
    }
    IViews& views = ctx.View();
    views.AvailableListChanged();
    views.RecognisedListChanged();
    views.MatrixChanged();
}

void PlaceTargetByMouse(EngineContext& ctx, MouseButton button, int x, int y)
{
    TrackerState& s = ctx.S;
    s.TrackX = SaturateInt16(x);
    s.TrackY = SaturateInt16(y);
    LimitTrackedPoint(s);
    s.CaptureRequested = false;
    switch (button) {
    case MouseButton::Right:
        s.CellMode = -1;
        PlaceSample(ctx, s.TrackX, s.TrackY);
        break;
    case MouseButton::Left:
        s.CellMode = 0;
        PlaceSample(ctx, s.TrackX, s.TrackY);
        break;
    case MouseButton::Middle:
        break;
    }
}

void RecomputeCell(EngineContext& ctx, int k, RecomputeMode mode)
{
    TrackerState& s = ctx.S;
    if (k < 1 || k > s.CellCount || k >= static_cast<int>(s.SampleMatrix.size()) || s.MatrixCols <= 0)
        return;
    const int c = (k - 1) % s.MatrixCols;
    const int r = (k - 1) / s.MatrixCols;
    const int x0 = c * s.SampleWidth;
    const int y0 = r * s.SampleHeight;
    const Bitmap& bmp = s.MatrixBitmap;
    // Only the part of the cell inside the picture is read; the plane keeps
    // its old content elsewhere.
    for (int i = 0; i < s.SampleWidth && i < PlaneSize; ++i)
        for (int j = 0; j < s.SampleHeight && j < PlaneSize; ++j) {
            if (x0 + i >= bmp.Width() || y0 + j >= bmp.Height())
                continue;
            const Color px = bmp.Pixel(x0 + i, y0 + j);
            auto& slot = s.Plane(i, j).Slot;
            slot[1] = static_cast<std::int16_t>(RedOf(px));
            slot[2] = static_cast<std::int16_t>(GreenOf(px));
            slot[3] = static_cast<std::int16_t>(BlueOf(px));
        }
    s.CellMode = static_cast<std::int16_t>(k);
    if (mode == RecomputeMode::DefaultPattern)
        SampleDefaultPattern(s, s.HalfSampleWidth, s.HalfSampleHeight);
    else
        SampleStructure(s, s.HalfSampleWidth, s.HalfSampleHeight);
    auto& cell = s.SampleMatrix[static_cast<std::size_t>(k)];
    if (!cell.empty())
        cell[0].F[pf::FilledFlag] = 1;
    const int last = std::min({static_cast<int>(s.PointCount), static_cast<int>(cell.size()) - 1,
                               static_cast<int>(s.LivePoints.size()) - 1});
    for (int p = 1; p <= last; ++p)
        std::copy_n(s.LivePoints[static_cast<std::size_t>(p)].F.begin() + 1, 14,
                    cell[static_cast<std::size_t>(p)].F.begin() + 1);
    DrawStructureOverlay(ctx);
}

} // namespace okulon
