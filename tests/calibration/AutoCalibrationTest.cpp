#include "AutoCalibration.h"

#include "Bitmap.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace okulon {
namespace {

class ManualClock : public IClock {
public:
    std::uint32_t Now = 0;
    std::uint32_t TickCount() override { return Now; }
    void Sleep(std::uint32_t ms) override { Now += ms; }
};

struct CountingSound : ISound {
    int Plays = 0;
    void Play(const std::string&) override { ++Plays; }
};

// A calibration on a synthetic screen, stepped frame by frame on a manual clock.
class AutoCalibrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path()
            / ("okulon-cal-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(folder);
        h.Ctx.ProgramFolder = folder.string() + "/";
        h.Screen.Screen().SetSize(400, 300, Rgb(200, 200, 200));
        ASSERT_TRUE(h.Apply().Ok());
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    void script(const std::string& text)
    {
        std::ofstream(folder / "Eye_2S1P2M.dat", std::ios::binary) << text;
    }

    // Runs frames until the frame loop ends or the clock passes `untilMs`.
    void runUntil(std::uint32_t untilMs)
    {
        while (!cal.FrameLoopDone() && clock.Now < untilMs) {
            cal.RunFrame();
            clock.Now = std::max(cal.FrameDueTick(), clock.Now);
        }
    }

    // Paints a dark spot on the screen inside the target area (target at 170, 75).
    void spot(int tx, int ty, int size, Color c)
    {
        FillRect(h.Screen.Screen(), 170 + tx, 75 + ty, 170 + tx + size, 75 + ty + size, c);
    }

    std::filesystem::path folder;
    test::Harness h;
    ManualClock clock;
    ICalibrationPrompt prompt;
    CountingSound sound;
    AutoCalibration cal{h.Ctx, clock, prompt, &sound};
};

TEST_F(AutoCalibrationTest, OneStepScriptTakesItsSampleOnTime)
{
    script("5 4 0 1 2 3\r\n");
    ASSERT_FALSE(cal.Start());
    EXPECT_EQ(prompt.Width(), 177);
    EXPECT_EQ(prompt.Height(), 50);
    EXPECT_EQ(prompt.Eyes(), 1);

    runUntil(3999); // open-eyes countdown of step 0
    EXPECT_EQ(prompt.NumberText(), "0");
    runUntil(7001); // closed-eyes phase ends on the first frame with es > 6 (at 7000)
    EXPECT_EQ(cal.CurrentStep(), 1);
    EXPECT_EQ(cal.EyeX(), 70.0f); // no threshold: the centre of the target area
    EXPECT_EQ(cal.EyeY(), 80.0f);
    EXPECT_EQ(prompt.Eyes(), 4);
    EXPECT_EQ(prompt.Position().left, (1024 - 177) / 2);
    EXPECT_EQ(h.S.StatisticsLine, "0  0 X = 70 Y = 80");

    runUntil(9999); // countdown 2, 1, 0 of step 1; no sample yet
    EXPECT_EQ(h.S.SampleMatrix[1][0].F[pf::FilledFlag], 0);
    runUntil(10001);
    EXPECT_EQ(h.S.SampleMatrix[1][0].F[pf::FilledFlag], 1);
    EXPECT_EQ(prompt.NumberText(), "0");
    EXPECT_FALSE(cal.FrameLoopDone());
    runUntil(20000);
    EXPECT_TRUE(cal.FrameLoopDone());
    EXPECT_EQ(clock.Now, 13050u); // ended by the first frame with es > 5 (at 13000)
    EXPECT_EQ(prompt.Eyes(), 0); // the record after the last step shows no picture

    cal.BeginEnding();
    EXPECT_EQ(h.S.CellMode, 0);
    EXPECT_TRUE(cal.FinishEnding()); // threshold 0: recognition starts
    EXPECT_FALSE(prompt.Visible());
}

TEST_F(AutoCalibrationTest, StepOutsideTheMatrixLogsAndStoresNothing)
{
    script("0 1 4 1 0 0\n0 1 0 0 0 0\n-1 1 -1 2 0 0\n");
    ASSERT_FALSE(cal.Start());
    runUntil(60000);
    ASSERT_TRUE(cal.FrameLoopDone());
    std::vector<std::string> lines;
    for (const auto& [text, code] : h.Log.Lines)
        if (text.find(" T = ") != std::string::npos)
            lines.push_back(text);
    EXPECT_EQ(lines, (std::vector<std::string>{" T = 4, C = 1", " T = 0, C = 0", " T = -1, C = 2"}));
    for (int k = 1; k <= h.S.CellCount; ++k)
        EXPECT_EQ(h.S.SampleMatrix[k][0].F[pf::FilledFlag], 0) << k;
    EXPECT_EQ(h.S.CellMode, -1);
    EXPECT_TRUE(h.S.CaptureRequested);
}

TEST_F(AutoCalibrationTest, BadScriptChangesNothing)
{
    ASSERT_FALSE(cal.Start());
    runUntil(60000); // no script: step 0 alone
    cal.BeginEnding();
    cal.FinishEnding();
    h.S.SampleMatrix[3][0].F[pf::FilledFlag] = 1;

    script("1 1 0 1 2 2\n1 1 0 2 2 2 \n");
    const auto error = cal.Start();
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("line 2: \"2 \" is an invalid integer"), std::string::npos) << *error;
    EXPECT_FALSE(cal.Running());
    EXPECT_EQ(h.S.SampleMatrix[3][0].F[pf::FilledFlag], 1);
}

TEST_F(AutoCalibrationTest, MissingScriptRunsStepZeroOnly)
{
    ASSERT_FALSE(cal.Start());
    EXPECT_EQ(cal.StepCount(), 0);
    runUntil(60000);
    EXPECT_TRUE(cal.FrameLoopDone());
    EXPECT_EQ(clock.Now, 7050u);
}

TEST_F(AutoCalibrationTest, EyesFoundBetweenTwoChangedSpots)
{
    h.P.Set(48, "40");
    script("1 1 1 2 0 0\n");
    ASSERT_FALSE(cal.Start());
    runUntil(4001); // open-eyes frame taken at es = 4
    spot(30, 60, 8, Rgb(20, 20, 20)); // the eyes close: two dark spots
    spot(90, 64, 8, Rgb(20, 20, 20));
    runUntil(7001); // closed-eyes frame and search at es = 7
    EXPECT_EQ(cal.LargestBlob(), 64);
    EXPECT_EQ(cal.SecondBlob(), 64);
    EXPECT_FLOAT_EQ(cal.EyeX(), (33.5f + 93.5f) / 2);
    EXPECT_FLOAT_EQ(cal.EyeY(), (63.5f + 67.5f) / 2);
    EXPECT_EQ(h.S.StatisticsLine, "64  64 X = 64 Y = 66"); // 63.5 -> 64, 65.5 -> 66: halves away from zero
    runUntil(60000);
    EXPECT_EQ(h.S.SampleMatrix[h.S.MatrixCols * 1 + 2][0].F[pf::FilledFlag], 1);
    cal.BeginEnding();
    EXPECT_TRUE(cal.FinishEnding());
}

TEST_F(AutoCalibrationTest, EyesNotFoundShowsTheCaptureFrameAndDoesNotStart)
{
    struct Views : IViews {
        bool frameShown = false;
        void SetCaptureFrameVisible(bool v) override { frameShown = v; }
    } views;
    h.Ctx.Views = &views;
    h.P.Set(48, "40");
    script("1 1 0 1 1 1\n");
    ASSERT_FALSE(cal.Start());
    runUntil(60000);
    EXPECT_TRUE(cal.FrameLoopDone());
    EXPECT_EQ(clock.Now, 7050u); // ended with step 0
    EXPECT_TRUE(views.frameShown);
    cal.BeginEnding();
    EXPECT_FALSE(cal.FinishEnding());
}

TEST_F(AutoCalibrationTest, F11EndsTheRunAfterTheCurrentFrame)
{
    script("1 1 0 1 1 1\n");
    ASSERT_FALSE(cal.Start());
    runUntil(1000);
    cal.RequestEnd();
    EXPECT_TRUE(cal.FrameLoopDone());
    EXPECT_EQ(cal.CurrentStep(), 0);
    cal.BeginEnding();
    EXPECT_TRUE(cal.FinishEnding()); // threshold 0
}

TEST_F(AutoCalibrationTest, SampleLargerThanTargetIsCorrected)
{
    h.S.SampleWidth = 300;
    ASSERT_FALSE(cal.Start());
    EXPECT_EQ(h.S.SampleWidth, h.S.TargetWidth);
}

} // namespace
} // namespace okulon
