// Finding the eyes: the pixels that changed between an open-eyes and a
// closed-eyes frame are gathered into clusters; the two largest give the eyes.
#pragma once

#include <cstdint>
#include <vector>

namespace okulon {

struct ChangedPixel {
    std::int16_t x = 0;
    std::int16_t y = 0;
};

// Up to 1000 changed pixels; once full, every further pixel overwrites the last entry.
class ChangedPixels {
public:
    static constexpr int Capacity = 1000;
    void clear() { m_points.clear(); }
    void add(ChangedPixel p);
    const std::vector<ChangedPixel>& points() const { return m_points; }

private:
    std::vector<ChangedPixel> m_points;
};

struct BlobCluster {
    float count = 0;
    float meanX = 0;
    float meanY = 0;
};

struct BlobSearch {
    std::vector<BlobCluster> clusters; // at most MaxClusters
    std::int16_t largestBlob = 0; // point count of the largest cluster over 30 points, or 0
    std::int16_t secondBlob = 0;
    int first = 0; // 1-based cluster numbers, 0 = none
    int second = 0;
};

inline constexpr int MaxClusters = 50;
inline constexpr double ClusterRadius = 25.0;
inline constexpr float MinBlobPoints = 30.0f;

// A point joins the cluster whose mean is nearest and closer than 25 pixels
// (the lower number on a tie), else it opens a new cluster. A point that would
// open a 51st cluster is left out.
BlobSearch ClusterChangedPixels(const std::vector<ChangedPixel>& points);

// The point between the eyes: midway between the two largest clusters, or the
// largest one alone. False when no cluster is large enough (eyes not found);
// x and y are then unchanged.
bool EstimateEyes(const BlobSearch& search, float& x, float& y);

} // namespace okulon
