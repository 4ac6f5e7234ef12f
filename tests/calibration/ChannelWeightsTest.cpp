#include "ChannelWeights.h"

#include "ParameterStore.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace okulon {
namespace {

class RecordingLog : public IEventLog {
public:
    void WriteLog(const std::string& text, int code) override { Lines.emplace_back(text, code); }
    std::vector<std::pair<std::string, int>> Lines;
};

// Channel k of a point, as the weights read it.
constexpr int Field[10] = {0, pf::R, pf::G, pf::B, pf::DR, pf::DG, pf::DB, pf::H, pf::S, pf::L};

// A matrix of cols x rows cells with `points` sampled points, every value 0.
class WeightsTest : public ::testing::Test {
protected:
    WeightsTest()
        : ctx{S, store, &log, nullptr, nullptr, nullptr, {}, {}, {}, {}}
    {
        QStringList defaults;
        for (int row = 0; row < 124; ++row)
            defaults << ParameterStore::defaultLine(row);
        store.setValues(defaults);
    }

    void Shape(int cols, int rows, int points)
    {
        S.MatrixCols = static_cast<std::int16_t>(cols);
        S.MatrixRows = static_cast<std::int16_t>(rows);
        S.CellCount = cols * rows;
        S.MaxPoints = 100;
        S.PointCount = static_cast<std::int16_t>(points);
        S.SampleMatrix.assign(static_cast<std::size_t>(S.CellCount) + 1, std::vector<PointRecord>(101));
        S.ChannelWeights.fill(1);
    }
    void Fill(int k) { S.SampleMatrix[static_cast<std::size_t>(k)][0].F[pf::FilledFlag] = 1; }
    void Set(int k, int p, int channel, int value)
    {
        Fill(k);
        S.SampleMatrix[static_cast<std::size_t>(k)][static_cast<std::size_t>(p)].F[Field[channel]] = value;
    }
    std::string Weights() const
    {
        std::string out;
        for (int k = 1; k <= 9; ++k)
            out += std::to_string(S.ChannelWeights[static_cast<std::size_t>(k)]);
        return out;
    }

    TrackerState S;
    ParameterStore store;
    RecordingLog log;
    EngineContext ctx;
};

struct Value {
    int cell, point, channel, value;
};

struct WeightsCase {
    const char* name;
    int cols, rows, points;
    std::vector<int> filled;
    std::vector<Value> values;
    const char* formula;
};

void PrintTo(const WeightsCase& c, std::ostream* os)
{
    *os << c.name;
}

class WeightsCases : public WeightsTest, public ::testing::WithParamInterface<WeightsCase> {};

TEST_P(WeightsCases, Formula)
{
    const WeightsCase& c = GetParam();
    Shape(c.cols, c.rows, c.points);
    for (int k : c.filled)
        Fill(k);
    for (const Value& v : c.values)
        Set(v.cell, v.point, v.channel, v.value);
    const ChannelWeightsResult r = SetChannelsFormula(ctx);
    ASSERT_TRUE(r.Applied);
    EXPECT_EQ(r.Formula, c.formula);
    EXPECT_EQ(Weights(), c.formula);
    EXPECT_EQ(store.GetParamText(16), c.formula);
}

// Two cells of a row whose channel differs by 2d have a mean deviation of d.
INSTANTIATE_TEST_SUITE_P(
    ChannelWeights, WeightsCases,
    ::testing::Values(
        WeightsCase{"OneCellPerRow", 4, 4, 5, {1, 6, 11, 16}, {{6, 1, 1, 200}, {11, 3, 7, 359}}, "999999999"},
        // Column 4 counts as column 4: its cell takes part in the row's deviation.
        WeightsCase{"LastColumnCounts", 4, 1, 1, {}, {{3, 1, 1, 0}, {4, 1, 1, 30}}, "499999999"},
        WeightsCase{"Deviation2StillGives9", 2, 1, 1, {}, {{1, 1, 2, 0}, {2, 1, 2, 4}}, "999999999"},
        WeightsCase{"Deviation3Gives8", 2, 1, 1, {}, {{1, 1, 2, 0}, {2, 1, 2, 6}}, "989999999"},
        WeightsCase{"Deviation26Gives1", 2, 1, 1, {}, {{1, 1, 2, 0}, {2, 1, 2, 52}}, "919999999"},
        WeightsCase{"Deviation27Gives0", 2, 1, 1, {}, {{1, 1, 2, 0}, {2, 1, 2, 54}}, "909999999"},
        // The best channel is the least varying one, not 0.
        WeightsCase{"RelativeToTheBestChannel", 2, 1, 1, {},
                    {{1, 1, 1, 0}, {2, 1, 1, 20}, {1, 1, 2, 0}, {2, 1, 2, 26}, {1, 1, 3, 0}, {2, 1, 3, 26},
                     {1, 1, 4, 0}, {2, 1, 4, 26}, {1, 1, 5, 0}, {2, 1, 5, 26}, {1, 1, 6, 0}, {2, 1, 6, 26},
                     {1, 1, 7, 0}, {2, 1, 7, 26}, {1, 1, 8, 0}, {2, 1, 8, 26}, {1, 1, 9, 0}, {2, 1, 9, 80}},
                    "988888880"},
        // Hues 0, 0, 359: mean 119, differences 119, 119 and 240 taken as 60;
        // (298 div 3) div 10 points = 9 gives 6 (without the reduction 4).
        WeightsCase{"HueAbove180IsReduced", 3, 1, 10, {1, 2}, {{3, 1, 7, 359}}, "999999699"},
        // Hues 0 and 360: both differences are exactly 180 and count in full:
        // (360 div 2) div 10 = 18 gives 3.
        WeightsCase{"HueOf180IsKept", 2, 1, 10, {1}, {{2, 1, 7, 360}}, "999999399"},
        // Rows 0 and 2 filled, row 1 empty: red weighs (0 + 9 + 9) div 3.
        WeightsCase{"EmptyRowCountsAsNines", 2, 3, 1, {5}, {{1, 1, 1, 0}, {2, 1, 1, 60}}, "699999999"}),
    [](const ::testing::TestParamInfo<WeightsCase>& info) { return std::string(info.param.name); });

TEST_F(WeightsTest, LogLines)
{
    Shape(2, 2, 1);
    Set(1, 1, 1, 0);
    Set(2, 1, 1, 6);
    Fill(3);
    ASSERT_TRUE(SetChannelsFormula(ctx).Applied);
    ASSERT_EQ(log.Lines.size(), 27u);
    EXPECT_EQ(log.Lines[0], std::make_pair(std::string("T0 channel1 = 8"), 23));
    EXPECT_EQ(log.Lines[9], std::make_pair(std::string("T1 channel1 = 9"), 23));
    EXPECT_EQ(log.Lines[18], std::make_pair(std::string("ves (1) = 8"), 23));
    EXPECT_EQ(log.Lines[26], std::make_pair(std::string("ves (9) = 9"), 23));
}

TEST_F(WeightsTest, NothingToWeigh)
{
    // No filled cell: nothing at all. Filled cells without sampled points:
    // refused with one log line. Either way the formula stays.
    for (int points : {5, 0}) {
        SCOPED_TRACE(points);
        Shape(4, 4, points);
        if (points == 0)
            Fill(16);
        store.SetParamText(16, "123456789");
        log.Lines.clear();
        const ChannelWeightsResult r = SetChannelsFormula(ctx);
        EXPECT_FALSE(r.Applied);
        EXPECT_EQ(store.GetParamText(16), "123456789");
        EXPECT_EQ(Weights(), "111111111");
        EXPECT_EQ(log.Lines.size(), points == 0 ? 1u : 0u);
        EXPECT_EQ(r.Error.has_value(), points == 0);
    }
}

} // namespace
} // namespace okulon
