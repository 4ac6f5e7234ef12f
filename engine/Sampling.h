// Feature sampling: reading the colour channels at the points of a structure
// (or of the built-in pattern) around a centre into LivePoints.
#pragma once

#include "UnitGlobal_v.h"

namespace okulon {

// Red, green and blue of the plane at (x, y); a position outside the plane
// reads as black.
struct Rgb3 {
    int R = 0, G = 0, B = 0;
};
Rgb3 PlaneRgb(const TrackerState& s, long long x, long long y);

// Fills entry n of LivePoints from the plane at (px, py).
void SamplePoint(TrackerState& s, int n, int tolerance, long long px, long long py);
// Lays the built-in pattern at (a, b), samples it and turns its coordinates into offsets.
void SampleDefaultPattern(TrackerState& s, int a, int b);
// Samples the points of the structure held in LivePoints around (a, b).
void SampleStructure(TrackerState& s, int a, int b);

// Mean brightness over entries 1..PointCount as the sampling computes it.
int MeanBrightness(const TrackerState& s);

} // namespace okulon
