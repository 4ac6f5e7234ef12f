#include "Capture.h"

#include "Matching.h"
#include "Numbers.h"
#include "Sampling.h"

#include <algorithm>
#include <cstring>

namespace okulon {

namespace {

// One copy of the target area from the screen into dst at (0, 0); mirrored,
// source column c lands in column W - 1 - c.
void CopyTargetArea(EngineContext& ctx, Bitmap& dst)
{
    TrackerState& s = ctx.S;
    const int w = s.TargetWidth;
    const int h = s.TargetHeight;
    if (w <= 0 || h <= 0)
        return;
    std::vector<Color> pixels;
    if (ctx.Screen)
        ctx.Screen->Grab(s.CaptureOrigin.X, s.CaptureOrigin.Y, w, h, pixels);
    pixels.resize(static_cast<std::size_t>(w) * h, Black);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            dst.SetPixel(s.MirrorVideo ? w - 1 - x : x, y, pixels[static_cast<std::size_t>(y) * w + x]);
}

} // namespace

void SpreadCaptureBuffer(TrackerState& s)
{
    const int w = s.TargetWidth;
    const int h = s.TargetHeight;
    const std::size_t size = s.CaptureBuffer.size();
    for (int x = 1; x <= w - 1; ++x) {
        for (int y = 1; y <= h - 1; ++y) {
            const std::size_t i = static_cast<std::size_t>(x) + static_cast<std::size_t>(w) * y;
            if (4 * i + 3 >= size)
                continue;
            auto& cell = s.Plane(x, y).Slot;
            cell[1] = s.CaptureBuffer[4 * i + 3];
            cell[2] = s.CaptureBuffer[4 * i + 2];
            cell[3] = s.CaptureBuffer[4 * i + 1];
        }
    }
}

void CaptureFrame(EngineContext& ctx)
{
    TrackerState& s = ctx.S;
    const int w = s.TargetWidth;
    const int h = s.TargetHeight;
    if (w <= 0 || h <= 0)
        return;
    const std::size_t byteCount = static_cast<std::size_t>(w + 1) * (h + 1) * 4;
    CopyTargetArea(ctx, s.Video);
    if (s.CaptureBitmap.Width() != w || s.CaptureBitmap.Height() != h)
        s.CaptureBitmap.SetSize(w, h, Black);
    CopyTargetArea(ctx, s.CaptureBitmap);
    // The bitmap's pixels as bytes blue, green, red, unused, from byte 1 on.
    if (s.CaptureBuffer.size() < static_cast<std::size_t>(w + 1) * (h + 2) * 4)
        s.CaptureBuffer.resize(static_cast<std::size_t>(w + 1) * (h + 2) * 4);
    const std::size_t bitmapBytes = static_cast<std::size_t>(w) * h * 4;
    const std::size_t n = std::min({byteCount, bitmapBytes, s.CaptureBuffer.size() - 1});
    for (std::size_t b = 0; b < n; b += 4) {
        const std::size_t p = b / 4;
        const Color c = s.CaptureBitmap.Row(static_cast<int>(p / w))[p % w];
        std::uint8_t* out = s.CaptureBuffer.data() + 1 + b;
        out[0] = static_cast<std::uint8_t>(BlueOf(c));
        out[1] = static_cast<std::uint8_t>(GreenOf(c));
        out[2] = static_cast<std::uint8_t>(RedOf(c));
        out[3] = 0;
    }
    SpreadCaptureBuffer(s);
}

void LimitTrackedPoint(TrackerState& s)
{
    if (s.TrackX < s.HalfSampleWidth)
        s.TrackX = s.HalfSampleWidth;
    if (s.TrackY < s.HalfSampleHeight)
        s.TrackY = s.HalfSampleHeight;
    if (s.TrackX + s.HalfSampleWidth > s.TargetWidth)
        s.TrackX = static_cast<std::int16_t>(s.TargetWidth - s.HalfSampleWidth);
    if (s.TrackY + s.HalfSampleHeight > s.TargetHeight)
        s.TrackY = static_cast<std::int16_t>(s.TargetHeight - s.HalfSampleHeight);
}

void PlaceSample(EngineContext& ctx, int x, int y)
{
    TrackerState& s = ctx.S;
    SpreadCaptureBuffer(s);
    s.TrackX = SaturateInt16(x);
    s.TrackY = SaturateInt16(y);
    LimitTrackedPoint(s);
    s.LossCount = 0;
    if (s.CellMode == -1 && !s.LivePoints.empty()) {
        if (s.LivePoints[0].F[pf::HeaderCount] == 0)
            SampleDefaultPattern(s, s.TrackX, s.TrackY);
        if (s.LivePoints[0].F[pf::HeaderCount] > 0)
            SampleStructure(s, s.TrackX, s.TrackY);
    }
    CopyTargetArea(ctx, s.Video);
    s.VideoPen = Rgb(80, 80, 80);
    FrameRect(s.Video, s.TrackX - s.HalfSampleWidth, s.TrackY - s.HalfSampleHeight, s.TrackX + s.HalfSampleWidth,
              s.TrackY + s.HalfSampleHeight, s.VideoPen);
    ctx.View().VideoChanged();
    if (!s.CaptureRequested) {
        CopyRect(s.Video, s.TrackX - s.HalfSampleWidth, s.TrackY - s.HalfSampleHeight, s.SampleWidth,
                 s.SampleHeight, s.SamplePicture, 0, 0);
        ctx.View().SamplePictureChanged();
    }
    if (s.CellMode >= 0)
        MatchFrame(ctx);
    s.CaptureRequested = false;
}

} // namespace okulon
