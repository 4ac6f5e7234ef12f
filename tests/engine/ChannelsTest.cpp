#include "Channels.h"

#include <gtest/gtest.h>

#include <ostream>

namespace okulon {
namespace {

struct ChannelCase {
    int r, g, b;
    int h, s, l;
};

void PrintTo(const ChannelCase& c, std::ostream* os) { *os << c.r << "," << c.g << "," << c.b; }

class DeriveChannelsTest : public ::testing::TestWithParam<ChannelCase> {};

TEST_P(DeriveChannelsTest, Examples)
{
    const ChannelCase& c = GetParam();
    const Hsl out = DeriveChannels(c.r, c.g, c.b);
    EXPECT_EQ(out.H, c.h);
    EXPECT_EQ(out.S, c.s);
    EXPECT_EQ(out.L, c.l);
}

INSTANTIATE_TEST_SUITE_P(
    Colours, DeriveChannelsTest,
    ::testing::Values(ChannelCase{200, 200, 200, 0, 0, 200}, ChannelCase{255, 0, 0, 0, 255, 127},
                      ChannelCase{0, 0, 255, 240, 255, 127}, ChannelCase{0, 10, 255, 238, 255, 127},
                      ChannelCase{0, 0, 0, 0, 0, 0},
                      // Red maximum with green below blue: the hue wraps by 360.
                      ChannelCase{255, 0, 10, 358, 255, 127},
                      // Shared maxima: blue wins over green, green over red.
                      ChannelCase{0, 255, 255, 180, 255, 127}, ChannelCase{255, 255, 0, 60, 255, 127},
                      // 60 x 1 / 8 = 7.5 rounds to the even 8; 60 x 3 / 8 = 22.5 to 22.
                      ChannelCase{8, 1, 0, 8, 255, 4}, ChannelCase{8, 3, 0, 22, 255, 4},
                      // Saturation 255 - round(100 x 255 / 200) = 255 - 128 (127.5 to even).
                      ChannelCase{200, 100, 100, 0, 127, 150}));

} // namespace
} // namespace okulon
