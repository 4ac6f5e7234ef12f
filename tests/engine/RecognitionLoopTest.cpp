#include "TestSupport.h"

#include "ManualClock.h"
#include "Matching.h"
#include "RecognitionLoop.h"
#include "RecordingKeySink.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace okulon {
namespace {

using test::Harness;

// Screen source that counts its grabs and lets a frame's capture take time.
class TimedScreen : public IScreenSource {
public:
    explicit TimedScreen(ManualClock& clock)
        : clock_(clock)
    {
    }
    void Grab(int, int, int width, int height, std::vector<Color>& out) override
    {
        ++Grabs;
        clock_.Advance(CaptureMs);
        out.assign(static_cast<std::size_t>(width) * height, Black);
    }
    int Grabs = 0;
    std::uint32_t CaptureMs = 0;

private:
    ManualClock& clock_;
};

struct LoopWorld {
    LoopWorld()
        : Screen(Clock)
    {
        H.Ctx.Clock = &Clock;
        H.Ctx.Keys = &Keys;
        H.Ctx.Screen = &Screen;
        H.P.Set(25, "40");
        H.P.Set(26, "40");
        H.P.Set(21, "10");
        H.P.Set(22, "10");
        EXPECT_TRUE(H.Apply().Ok());
    }
    std::vector<std::pair<int, int>> KeyPairs() const
    {
        std::vector<std::pair<int, int>> out;
        for (const auto& k : Keys.Keys)
            out.emplace_back(k.Message, k.KeyCode);
        return out;
    }

    Harness H;
    ManualClock Clock;
    RecordingKeySink Keys;
    TimedScreen Screen;
};

// Runs the time-frame rule over a sequence of decisions (0 = no match, r >= 0
// written as 10 + r) and records in which frame (1-based) each key went out.
struct RuleCase {
    std::string name;
    int timeFrame;
    std::vector<std::string> keys; // parameters 111, 112, 113, 114, 115
    std::vector<int> decisions;
    std::vector<std::pair<int, std::pair<int, int>>> expected; // frame, (message, code)
};

void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.name; }

class TimeFrameRuleTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(TimeFrameRuleTest, KeysGoOutInTheExpectedFrames)
{
    const RuleCase& c = GetParam();
    LoopWorld w;
    w.H.P.Set(50, std::to_string(c.timeFrame));
    for (std::size_t i = 0; i < c.keys.size(); ++i)
        w.H.P.Set(111 + static_cast<int>(i), c.keys[i]);
    ASSERT_TRUE(w.H.Apply().Ok());
    // The no-sample key of the case itself, not the one kept from before.
    w.H.S.NoSampleKey = {};
    ASSERT_FALSE(ParseKeyAction(c.keys[0], w.H.S.NoSampleKey));

    std::vector<std::pair<int, std::pair<int, int>>> got;
    for (std::size_t f = 0; f < c.decisions.size(); ++f) {
        w.H.S.Decision = static_cast<std::int16_t>(c.decisions[f]);
        const std::size_t before = w.Keys.Keys.size();
        ApplyTimeFrameRule(w.H.Ctx);
        for (std::size_t k = before; k < w.Keys.Keys.size(); ++k)
            got.push_back({static_cast<int>(f) + 1, {w.Keys.Keys[k].Message, w.Keys.Keys[k].KeyCode}});
    }
    EXPECT_EQ(got, c.expected);
}

const std::vector<std::string> DefaultKeys = {"32 2", "32 2", "32 1", "32 1", ""};

INSTANTIATE_TEST_SUITE_P(
    Cases, TimeFrameRuleTest,
    ::testing::Values(
        RuleCase{"TimeFrame1FiresAtEachNewDecision", 1, {"0", "65 1", "66 1", "67 1", ""}, {10, 10, 11, 10},
                 {{1, {256, 65}}, {3, {256, 66}}, {4, {256, 65}}}},
        RuleCase{"ThreeFramesOfRow2FireOnceInTheThird", 3, {"0", "65 1", "66 1", "67 3", ""}, {12, 12, 12, 12, 12},
                 {{3, {256, 67}}, {3, {257, 67}}}},
        RuleCase{"Row2Row2Row1FiresRow1InTheThird", 3, {"0", "65 1", "66 1", "67 1", ""}, {12, 12, 11, 11},
                 {{3, {256, 66}}}},
        RuleCase{"DefaultKeysDownOnRow1UpOnRow0", 2, DefaultKeys, {10, 10, 11, 11, 11, 10, 10, 10},
                 {{2, {257, 32}}, {4, {256, 32}}, {7, {257, 32}}}},
        RuleCase{"Row3IsInert", 1, DefaultKeys, {13, 13, 13}, {}},
        RuleCase{"GapWithoutNoSampleKeyContinuesTheCount", 3, {"0", "65 1", "66 1", "", ""}, {10, 0, 0, 10, 10},
                 {{5, {256, 65}}}},
        RuleCase{"NoSampleKeyCounts", 2, {"70 2", "65 1", "", "", ""}, {10, 0, 0, 0}, {{2, {257, 70}}}},
        RuleCase{"ChangeAfterFiringRestartsBeforeFiringContinues", 2, {"0", "65 1", "66 1", "", ""},
                 {10, 10, 11, 10, 10, 11, 11}, {{2, {256, 65}}, {4, {256, 65}}, {7, {256, 66}}}},
        RuleCase{"OtherActionNumbersSendNothing", 1, {"0", "65 7", "", "", ""}, {10, 10}, {}}),
    [](const auto& info) { return info.param.name; });

TEST(RecognitionLoopKeys, SendOrPostFollowsParameter102)
{
    for (const auto& [method, sync] : std::vector<std::pair<std::string, bool>>{{"S", true}, {"P", false}}) {
        LoopWorld w;
        w.H.P.Set(102, method);
        ASSERT_TRUE(w.H.Apply().Ok());
        DeliverAction(w.H.Ctx, {65, 3});
        ASSERT_EQ(w.Keys.Keys.size(), 2u);
        // Action 3: key down then key up, nothing in between, both the same way.
        EXPECT_EQ(w.Keys.Keys[0], (RecordedKey{256, 65, sync, false}));
        EXPECT_EQ(w.Keys.Keys[1], (RecordedKey{257, 65, sync, false}));
    }
    // A lower-case letter keeps the method of the previous configuration.
    LoopWorld w;
    w.H.P.Set(102, "S");
    ASSERT_TRUE(w.H.Apply().Ok());
    w.H.P.Set(102, "p");
    ASSERT_TRUE(w.H.Apply().Ok());
    DeliverAction(w.H.Ctx, {65, 1});
    EXPECT_TRUE(w.Keys.Keys.at(0).Synchronous);
}

TEST(RecognitionLoopKeys, NoSampleKeyPersistsWhileRowsFollowTheirParameter)
{
    LoopWorld w;
    w.H.P.Set(111, "65 1");
    w.H.P.Set(113, "66 3");
    ASSERT_TRUE(w.H.Apply().Ok());
    // A short text keeps the previous no-sample key; it disables a row.
    w.H.P.Set(111, "0");
    w.H.P.Set(113, "0");
    ASSERT_TRUE(w.H.Apply().Ok());
    EXPECT_EQ(w.H.S.NoSampleKey, (KeyAction{65, 1}));
    EXPECT_EQ(w.H.S.RowKeys[1], (KeyAction{0, 0}));
    // An emptied row parameter is repaired to its default when read.
    w.H.P.Set(112, "");
    ASSERT_TRUE(w.H.Apply().Ok());
    EXPECT_EQ(w.H.S.RowKeys[0], (KeyAction{32, 2}));
}

struct FpsCase {
    double value;
    const char* text;
};
void PrintTo(const FpsCase& c, std::ostream* os) { *os << c.value; }
class FpsFormatTest : public ::testing::TestWithParam<FpsCase> {};
TEST_P(FpsFormatTest, OneDecimalNoLeadingZeroHalvesAwayFromZero)
{
    EXPECT_EQ(FormatFps(GetParam().value), GetParam().text);
}
INSTANTIATE_TEST_SUITE_P(Cases, FpsFormatTest,
                         ::testing::Values(FpsCase{18.46, "18.5"}, FpsCase{0.5, ".5"}, FpsCase{0.0, ".0"},
                                           FpsCase{6.25, "6.3"}, FpsCase{0.25, ".3"}, FpsCase{18.45, "18.5"},
                                           FpsCase{0.04, ".0"}, FpsCase{0.05, ".1"}, FpsCase{9.96, "10.0"},
                                           FpsCase{99.95, "100.0"}, FpsCase{10000.0, "10000.0"},
                                           FpsCase{312.5, "312.5"}, FpsCase{3333.3333333, "3333.3"}));

TEST(RecognitionLoopRun, StartStopAndFrameTiming)
{
    LoopWorld w;
    w.Clock.Set(1000);
    RecognitionLoop loop(w.H.Ctx);
    EXPECT_TRUE(w.H.S.StopRequested);
    EXPECT_FALSE(loop.Running());

    ASSERT_EQ(loop.StartStopClick(), StartStopResult::Started);
    EXPECT_TRUE(loop.Running());
    EXPECT_FALSE(w.H.S.StopRequested);
    EXPECT_EQ(w.Keys.LookedUpCaptions, std::vector<std::string>{"Clavirex"});
    EXPECT_EQ(w.H.S.FramePeriodMs, 50);

    loop.RunFrame();
    const int grabsPerFrame = w.Screen.Grabs; // the video and the capture bitmap
    EXPECT_GT(grabsPerFrame, 0);
    EXPECT_EQ(loop.NextFrameDueTick(), 1050u);
    EXPECT_EQ(loop.MsUntilNextFrame(), 50u);
    w.Clock.Advance(30);
    EXPECT_EQ(loop.MsUntilNextFrame(), 20u);
    w.Clock.Advance(20);
    EXPECT_EQ(loop.MsUntilNextFrame(), 0u);
    EXPECT_TRUE(loop.FinishFrame());
    EXPECT_EQ(w.H.S.StatisticsLine, "T = 0 C = 1  W = 0 XF = 20 YF = 20 FPS = .0");

    // A second click in the wait: this frame is the last one.
    loop.RunFrame();
    ASSERT_EQ(loop.StartStopClick(), StartStopResult::Stopped);
    EXPECT_TRUE(loop.Running());
    w.Clock.Advance(50);
    EXPECT_FALSE(loop.FinishFrame());
    EXPECT_FALSE(loop.Running());
    loop.RunFrame();
    EXPECT_EQ(w.Screen.Grabs, 2 * grabsPerFrame);

    // Restart: the receiver is looked up again.
    ASSERT_EQ(loop.StartStopClick(), StartStopResult::Started);
    EXPECT_EQ(w.Keys.LookedUpCaptions.size(), 2u);
}

TEST(RecognitionLoopRun, OverrunFrameIsDueAtOnceAndRateCountsProcessingOnly)
{
    LoopWorld w;
    RecognitionLoop loop(w.H.Ctx);
    loop.StartStopClick();
    w.Screen.CaptureMs = 80; // longer than the 50 ms period
    loop.RunFrame();
    EXPECT_EQ(loop.MsUntilNextFrame(), 0u);
    const std::uint32_t first = w.Clock.Now();

    // Ten frames of 20 ms processing each: 10000 / 200 = 50 frames a second.
    w.Screen.CaptureMs = 10;
    std::uint32_t rest = 0;
    for (int f = 2; f <= 10; ++f) {
        ASSERT_TRUE(loop.FinishFrame());
        const std::uint32_t start = w.Clock.Now();
        loop.RunFrame();
        rest += w.Clock.Now() - start;
        w.Clock.Advance(loop.MsUntilNextFrame());
    }
    EXPECT_DOUBLE_EQ(w.H.S.FpsValue, 10000.0 / (first + rest));
    EXPECT_EQ(loop.FramesSinceRateUpdate(), 0);
}

TEST(RecognitionLoopRun, ElapsedTimeSurvivesTheTickWrap)
{
    LoopWorld w;
    w.Clock.Set(0xFFFFFFF0u);
    RecognitionLoop loop(w.H.Ctx);
    loop.StartStopClick();
    loop.RunFrame();
    EXPECT_EQ(loop.NextFrameDueTick(), 0xFFFFFFF0u + 50u);
    w.Clock.Advance(30); // now past the wrap
    EXPECT_EQ(loop.MsUntilNextFrame(), 20u);
}

TEST(RecognitionLoopRun, SamplingModeNeitherCapturesNorMatches)
{
    LoopWorld w;
    RecognitionLoop loop(w.H.Ctx);
    loop.StartStopClick();
    w.H.S.CellMode = -1;
    w.H.S.Decision = 12;
    loop.RunFrame();
    EXPECT_EQ(w.Screen.Grabs, 0);
    EXPECT_EQ(w.H.S.Decision, 12); // not reset: no matching ran
    EXPECT_FALSE(w.H.S.StatisticsLine.empty());
    EXPECT_EQ(loop.MsUntilNextFrame(), 50u);
}

TEST(RecognitionLoopRun, ErrorInAFrameLeavesTheRunningMenuForTheNextClick)
{
    LoopWorld w;
    RecognitionLoop loop(w.H.Ctx);
    loop.StartStopClick();
    loop.Abort();
    EXPECT_FALSE(loop.Running());
    EXPECT_FALSE(w.H.S.StopRequested);
    EXPECT_EQ(loop.StartStopClick(), StartStopResult::Stopped);
    EXPECT_TRUE(w.H.S.StopRequested);
}

TEST(RecognitionLoopRun, AbsentReceiverStillRunsAndRecordsKeys)
{
    LoopWorld w;
    w.Keys.ReceiverPresent = false;
    RecognitionLoop loop(w.H.Ctx);
    loop.StartStopClick();
    EXPECT_EQ(w.H.S.ReceiverWindow, 0u);
    loop.RunFrame();
    EXPECT_GT(w.Screen.Grabs, 0);
    // The frame without a match sent the no-sample key, recorded as undeliverable.
    EXPECT_EQ(w.Keys.Keys.at(0), (RecordedKey{257, 32, false, false}));
}

struct TimerCase {
    std::string name;
    std::string p46;
    bool visible;
    bool fires;
};
void PrintTo(const TimerCase& c, std::ostream* os) { *os << c.name; }
class AutoStartTest : public ::testing::TestWithParam<TimerCase> {};
TEST_P(AutoStartTest, FiresOnceWhenEnabledAndVisible)
{
    const TimerCase& c = GetParam();
    LoopWorld w;
    w.H.P.Set(46, c.p46);
    RecognitionLoop loop(w.H.Ctx);
    EXPECT_EQ(loop.Timer1Timer(c.visible), c.fires);
    EXPECT_EQ(loop.AutoStartTimerEnabled(), !c.fires);
    if (c.fires) {
        EXPECT_FALSE(loop.Timer1Timer(true)); // a disabled timer stays disabled
    }
}
INSTANTIATE_TEST_SUITE_P(Cases, AutoStartTest,
                         ::testing::Values(TimerCase{"Enabled", "1", true, true},
                                           TimerCase{"Hidden", "1", false, false},
                                           TimerCase{"Off", "0", true, false},
                                           TimerCase{"Two", "2", true, false}),
                         [](const auto& info) { return info.param.name; });

TEST(RecognitionLoopRun, AutoClickStopsALoopStartedByHand)
{
    LoopWorld w;
    w.H.P.Set(46, "1");
    RecognitionLoop loop(w.H.Ctx);
    loop.StartStopClick();
    loop.RunFrame();
    ASSERT_TRUE(loop.Timer1Timer(true));
    EXPECT_EQ(loop.StartStopClick(), StartStopResult::Stopped);
    w.Clock.Advance(AutoStartDelayMs);
    EXPECT_FALSE(loop.FinishFrame());
}

} // namespace
} // namespace okulon

namespace okulon {
namespace {

TEST(RecognitionLoopStart, StartHandlingResetsTrackingAndKeepsTheCount)
{
    LoopWorld w;
    w.H.P.Set(4, "35");
    w.H.P.Set(50, "4");
    w.H.S.LivePoints[0].F[pf::HeaderCount] = 5;
    w.H.S.TimeFrameCount = 2;
    w.H.S.ActionFired = true;
    w.H.S.PrevDecision = 12;
    w.H.S.TrackX = 3;
    w.H.S.LossCount = 7;
    RecognitionLoop loop(w.H.Ctx);
    const std::size_t logBefore = w.H.Log.Lines.size();
    loop.StartStopClick();
    EXPECT_EQ(w.H.S.MinCellScore, 35);
    EXPECT_EQ(w.H.S.TimeFrame, 4);
    EXPECT_EQ(w.H.S.PointCount, 5);
    EXPECT_EQ(w.H.S.TrackX, 20);
    EXPECT_EQ(w.H.S.TrackY, 20);
    EXPECT_EQ(w.H.S.PrevDecision, 0);
    EXPECT_EQ(w.H.S.LossCount, 0);
    EXPECT_EQ(w.H.S.TimeFrameCount, 2); // carried over from the previous run
    EXPECT_TRUE(w.H.S.ActionFired);
    ASSERT_EQ(w.H.Log.Lines.size(), logBefore + 1); // the start line
    EXPECT_EQ(w.H.Log.Lines.back().second, 23);
    loop.StartStopClick();
    ASSERT_EQ(w.H.Log.Lines.size(), logBefore + 2); // the stop line
}

TEST(RecognitionLoopStart, RestartWhileAStopIsPendingKeepsTheLoopRunning)
{
    LoopWorld w;
    RecognitionLoop loop(w.H.Ctx);
    loop.StartStopClick();
    loop.RunFrame();
    EXPECT_EQ(loop.StartStopClick(), StartStopResult::Stopped);
    EXPECT_EQ(loop.StartStopClick(), StartStopResult::Started);
    loop.RunFrame(); // the restarted loop's first frame, at once
    w.Clock.Advance(loop.MsUntilNextFrame());
    EXPECT_TRUE(loop.FinishFrame());
}

} // namespace
} // namespace okulon
