// Screen capture into the video picture, the capture bitmap and the channel planes.
#pragma once

#include "UnitGlobal_v.h"

namespace okulon {

// Copies the target area from the screen source into the video picture and
// CaptureBitmap, reads the bitmap into CaptureBuffer and spreads it into the planes.
void CaptureFrame(EngineContext& ctx);

// Spreads CaptureBuffer into slots 1..3 of the planes for x = 1..W-1, y = 1..H-1.
void SpreadCaptureBuffer(TrackerState& s);

// Moves the tracked point to (x, y) (kept inside the target area), samples the
// structure in sampling mode, refreshes the video and sample pictures and runs
// one matching pass when recognising.
void PlaceSample(EngineContext& ctx, int x, int y);

// Keeps (TrackX, TrackY) so that the tracked rectangle lies inside the target area.
void LimitTrackedPoint(TrackerState& s);

} // namespace okulon
