#include "EyeSearch.h"

#include <cmath>

namespace okulon {

void ChangedPixels::add(ChangedPixel p)
{
    if (static_cast<int>(m_points.size()) < Capacity)
        m_points.push_back(p);
    else
        m_points.back() = p;
}

BlobSearch ClusterChangedPixels(const std::vector<ChangedPixel>& points)
{
    BlobSearch r;
    for (const ChangedPixel& p : points) {
        double best = ClusterRadius;
        int nearest = -1;
        for (int c = 0; c < static_cast<int>(r.clusters.size()); ++c) {
            const double dx = p.x - static_cast<double>(r.clusters[c].meanX);
            const double dy = p.y - static_cast<double>(r.clusters[c].meanY);
            const double dist = std::sqrt(dx * dx + dy * dy);
            if (dist < best) {
                best = dist;
                nearest = c;
            }
        }
        if (nearest >= 0) {
            BlobCluster& c = r.clusters[nearest];
            c.meanX = c.meanX * c.count + static_cast<float>(p.x);
            c.meanY = c.meanY * c.count + static_cast<float>(p.y);
            c.count = c.count + 1.0f;
            c.meanX = c.meanX / c.count;
            c.meanY = c.meanY / c.count;
        } else if (static_cast<int>(r.clusters.size()) < MaxClusters) {
            r.clusters.push_back({1.0f, static_cast<float>(p.x), static_cast<float>(p.y)});
        }
    }

    for (int c = 0; c < static_cast<int>(r.clusters.size()); ++c) {
        const float n = r.clusters[c].count;
        if (n > r.largestBlob && n > MinBlobPoints) {
            r.largestBlob = static_cast<std::int16_t>(std::nearbyint(n));
            r.first = c + 1;
        }
    }
    for (int c = 0; c < static_cast<int>(r.clusters.size()); ++c) {
        const float n = r.clusters[c].count;
        if (n > r.secondBlob && c + 1 != r.first && n > MinBlobPoints) {
            r.secondBlob = static_cast<std::int16_t>(std::nearbyint(n));
            r.second = c + 1;
        }
    }
    return r;
}

bool EstimateEyes(const BlobSearch& s, float& x, float& y)
{
    if (s.largestBlob > 30 && s.secondBlob > 30) {
        const BlobCluster& a = s.clusters[s.first - 1];
        const BlobCluster& b = s.clusters[s.second - 1];
        x = (a.meanX + b.meanX) * 0.5f;
        y = (a.meanY + b.meanY) * 0.5f;
        return true;
    }
    if (s.largestBlob > 0 && s.secondBlob == 0) {
        x = s.clusters[s.first - 1].meanX;
        y = s.clusters[s.first - 1].meanY;
        return true;
    }
    return false;
}

} // namespace okulon
