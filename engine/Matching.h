// Matching the planes against the matrix of samples: the frame's decision and
// the tracking of the target.
#pragma once

#include "UnitGlobal_v.h"

#include <cstdint>
#include <optional>
#include <string>

namespace okulon {

// Weighted difference of the block average around (px, py) against entry i of
// cell k over the channels R, G, B, H, S, L. Block pixels outside the plane
// count as black; the sums are 32-bit.
int AbsoluteDifference(const TrackerState& s, long long px, long long py, int k, int i);

// Weighted difference of the pixel (px, py), relative to the mean brightness
// m, against entry i of cell k, less the entry's tolerance; never below 0.
long long RelativeDifference(const TrackerState& s, long long px, long long py, int k, int i, int m);

// Score of cell k with its tracked point at (x, y); none when no point of the
// structure takes part (every point excluded).
std::optional<std::int32_t> RawScore(const TrackerState& s, int k, int x, int y);

// Stores the live sample into cell CellMode (picture and vector) if a store is pending.
void StoreSample(EngineContext& ctx);

// One matching pass over every filled cell.
void MatchFrame(EngineContext& ctx);

// The frame rate as the statistics line shows it ("#.0").
std::string FormatFps(double fps);

} // namespace okulon
