// The matrix of samples: clearing it, taking a sample with the mouse and
// re-taking a cell's vector from its picture. Storing the live sample into a
// cell (StoreSample) and the list of available samples (ListAvailableSamples)
// are part of the matching pass and live in the engine.
#pragma once

#include "Matching.h"
#include "UnitGlobal_v.h"

namespace okulon {

enum class MouseButton { Left, Right, Middle };

enum class RecomputeMode { DefaultPattern = 1, Structure = 2 };

// Empties every cell, repaints the matrix picture blank and, unless
// keepMatrixPath is set (a matrix file load), forgets the matrix file name.
void ClearMatrix(EngineContext& ctx, bool keepMatrixPath = false);

// A press on the video picture: moves the tracked point; the right button takes
// a sample there, the left button runs a matching pass.
void PlaceTargetByMouse(EngineContext& ctx, MouseButton button, int x, int y);

// Re-takes the vector of cell k from its picture in MatrixBitmap.
void RecomputeCell(EngineContext& ctx, int k, RecomputeMode mode);

} // namespace okulon
