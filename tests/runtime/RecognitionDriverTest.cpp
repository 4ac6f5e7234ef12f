#include "TestSupport.h"

#include "RecognitionDriver.h"
#include "RecordingKeySink.h"
#include "SteadyClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

namespace okulon {
namespace {

QCoreApplication& App()
{
    static int argc = 1;
    static char name[] = "okulon_runtime_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// The engine on a small black screen with a real clock, 50 frames a second.
class DriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        events = std::make_unique<QEventLoop>();
        h.Ctx.Clock = &clock;
        h.Ctx.Keys = &keys;
        h.P.Set(25, "40");
        h.P.Set(26, "40");
        h.P.Set(21, "10");
        h.P.Set(22, "10");
        h.P.Set(5, "50");
        ASSERT_TRUE(h.Apply().Ok());
        loop = std::make_unique<RecognitionLoop>(h.Ctx);
        driver = std::make_unique<RecognitionDriver>(*loop);
        QObject::connect(driver.get(), &RecognitionDriver::frameDone, [this] {
            frameTimes.push_back(wall.elapsed());
            if (onFrame)
                onFrame(static_cast<int>(frameTimes.size()));
        });
        QObject::connect(driver.get(), &RecognitionDriver::loopEnded, [this] {
            ++ended;
            events->quit();
        });
        wall.start();
    }

    // Runs the event loop until the loop ends or the time is up.
    void RunFor(int ms)
    {
        QTimer::singleShot(ms, events.get(), &QEventLoop::quit);
        events->exec();
    }

    test::Harness h;
    SteadyClock clock;
    RecordingKeySink keys;
    std::unique_ptr<RecognitionLoop> loop;
    std::unique_ptr<RecognitionDriver> driver;
    QElapsedTimer wall;
    std::unique_ptr<QEventLoop> events;
    std::vector<qint64> frameTimes;
    std::function<void(int)> onFrame;
    int ended = 0;
};

TEST_F(DriverTest, FramesRunAtThePeriodAndOtherEventsRunBetweenThem)
{
    int queuedRanAfterFrames = -1;
    onFrame = [&](int n) {
        if (n == 1)
            QTimer::singleShot(0, [&] { queuedRanAfterFrames = static_cast<int>(frameTimes.size()); });
        if (n == 10)
            driver->StartStopClick();
    };
    driver->StartStopClick();
    ASSERT_EQ(frameTimes.size(), 1u); // the first frame runs at once
    RunFor(5000);
    EXPECT_EQ(ended, 1);
    ASSERT_EQ(frameTimes.size(), 10u);
    EXPECT_EQ(queuedRanAfterFrames, 1);
    // Nine periods of 20 ms between the first and the tenth frame; the upper
    // bound only guards against a stuck timer on a busy machine.
    const qint64 span = frameTimes.back() - frameTimes.front();
    EXPECT_GE(span, 9 * 20 - 9);
    EXPECT_LT(span, 9 * 20 * 5);
    EXPECT_FALSE(driver->IsRunning());
}

TEST_F(DriverTest, StopEndsAfterTheCurrentFrameAndRestartRunsAtOnce)
{
    onFrame = [&](int n) {
        if (n == 3)
            QTimer::singleShot(5, [&] { driver->StartStopClick(); }); // in the wait of frame 3
    };
    driver->StartStopClick();
    RunFor(5000);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(frameTimes.size(), 3u);
    EXPECT_TRUE(h.S.StopRequested);

    onFrame = [&](int n) {
        if (n == 5)
            driver->StartStopClick();
    };
    driver->StartStopClick();
    EXPECT_EQ(frameTimes.size(), 4u);
    EXPECT_TRUE(driver->IsRunning());
    RunFor(5000);
    EXPECT_EQ(ended, 2);
    EXPECT_EQ(frameTimes.size(), 5u);
    EXPECT_EQ(keys.LookedUpCaptions.size(), 2u);
}

TEST_F(DriverTest, AutoStartClicksOnceWhenEnabled)
{
    h.P.Set(46, "1");
    onFrame = [&](int n) {
        if (n == 2)
            driver->StartStopClick();
    };
    driver->StartAutoStartTimer([] { return true; });
    RunFor(5000);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(frameTimes.size(), 2u);
    EXPECT_GE(frameTimes.front(), 1000 + 100 - 5);
    EXPECT_FALSE(loop->AutoStartTimerEnabled());
}

} // namespace
} // namespace okulon
