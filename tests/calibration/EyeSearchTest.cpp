#include "EyeSearch.h"

#include <gtest/gtest.h>

namespace okulon {
namespace {

std::vector<ChangedPixel> blob(int cx, int cy, int n)
{
    std::vector<ChangedPixel> out;
    for (int i = 0; i < n; ++i)
        out.push_back({static_cast<std::int16_t>(cx + i % 5), static_cast<std::int16_t>(cy + i / 5 % 5)});
    return out;
}

std::vector<ChangedPixel> operator+(std::vector<ChangedPixel> a, const std::vector<ChangedPixel>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(EyeSearch, TwoLargeClustersPutTheEstimateBetweenThem)
{
    const BlobSearch s = ClusterChangedPixels(blob(20, 40, 31) + blob(100, 40, 40));
    ASSERT_EQ(s.clusters.size(), 2u);
    EXPECT_EQ(s.largestBlob, 40);
    EXPECT_EQ(s.secondBlob, 31);
    EXPECT_EQ(s.first, 2);
    EXPECT_EQ(s.second, 1);
    float x = 0, y = 0;
    ASSERT_TRUE(EstimateEyes(s, x, y));
    const float ax = s.clusters[0].meanX, bx = s.clusters[1].meanX;
    EXPECT_FLOAT_EQ(x, (ax + bx) * 0.5f);
    EXPECT_NEAR(x, 62.0, 0.5);
}

TEST(EyeSearch, ClusterOfExactlyThirtyIsIgnored)
{
    const BlobSearch s = ClusterChangedPixels(blob(20, 40, 30) + blob(100, 40, 35));
    EXPECT_EQ(s.largestBlob, 35);
    EXPECT_EQ(s.secondBlob, 0);
    float x = -1, y = -1;
    ASSERT_TRUE(EstimateEyes(s, x, y)); // one eye: the largest cluster's mean
    EXPECT_FLOAT_EQ(x, s.clusters[1].meanX);

    const BlobSearch none = ClusterChangedPixels(blob(20, 40, 30));
    x = -1;
    EXPECT_FALSE(EstimateEyes(none, x, y));
    EXPECT_EQ(x, -1);
}

TEST(EyeSearch, DistanceOfExactlyTwentyFiveOpensANewCluster)
{
    const BlobSearch s = ClusterChangedPixels({{0, 0}, {15, 20}, {-24, 0}});
    ASSERT_EQ(s.clusters.size(), 2u); // (15,20) is 25.0 away; (-24,0) is 24 away from (0,0)
    EXPECT_EQ(s.clusters[0].count, 2.0f);
    EXPECT_FLOAT_EQ(s.clusters[0].meanX, -12.0f);
}

TEST(EyeSearch, EqualCountsGoToTheLowerCluster)
{
    const BlobSearch s = ClusterChangedPixels(blob(100, 40, 33) + blob(20, 40, 33) + blob(60, 120, 33));
    EXPECT_EQ(s.first, 1);
    EXPECT_EQ(s.second, 2);
}

TEST(EyeSearch, AFiftyFirstClusterIsLeftOut)
{
    std::vector<ChangedPixel> points;
    for (int i = 0; i < 60; ++i)
        points.push_back({static_cast<std::int16_t>(i * 30 % 900), static_cast<std::int16_t>(i * 30 / 900 * 30)});
    const BlobSearch s = ClusterChangedPixels(points);
    EXPECT_EQ(s.clusters.size(), static_cast<std::size_t>(MaxClusters));
}

TEST(ChangedPixelsTest, OverflowOverwritesTheLastEntry)
{
    ChangedPixels list;
    for (int i = 0; i < 1005; ++i)
        list.add({static_cast<std::int16_t>(i), 0});
    ASSERT_EQ(list.points().size(), 1000u);
    EXPECT_EQ(list.points()[998].x, 998);
    EXPECT_EQ(list.points()[999].x, 1004);
}

} // namespace
} // namespace okulon
