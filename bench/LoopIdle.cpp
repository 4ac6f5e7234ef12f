// CPU use of the recognition loop with nothing else to do: the engine runs on
// a small synthetic screen at 20 frames a second, with a full 4 x 4 matrix of
// samples, from the Qt event loop. Prints the processor time the process used
// (user + system, from getrusage) over the wall time, as a share of one core.
//
//     okulon_loop_idle [seconds]      (default 30)
#include "Bitmap.h"
#include "Capture.h"
#include "Matching.h"
#include "RecognitionDriver.h"
#include "RecordingKeySink.h"
#include "SteadyClock.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

namespace {

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace okulon;
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    if (seconds <= 0) {
        std::fprintf(stderr, "okulon_loop_idle: bad number of seconds: %s\n", argv[1]);
        return 2;
    }

    test::Harness h; // built-in defaults: 20 frames a second, 4 x 4 cells, 140 x 160 target
    SteadyClock clock;
    RecordingKeySink keys;
    h.Ctx.Clock = &clock;
    h.Ctx.Keys = &keys;
    // A grey screen with a dark eye where the target area lies.
    h.Screen.Screen().SetSize(480, 360, Rgb(150, 130, 120));
    const int cx = 170 + 70;
    const int cy = 75 + 80;
    FillRect(h.Screen.Screen(), cx - 25, cy - 12, cx + 25, cy + 12, Rgb(230, 230, 230));
    FillRect(h.Screen.Screen(), cx - 8, cy - 8, cx + 8, cy + 8, Rgb(40, 30, 30));
    if (!h.Apply().Ok()) {
        std::fprintf(stderr, "okulon_loop_idle: the built-in configuration did not apply\n");
        return 1;
    }

    // Sample the eye into every cell.
    CaptureFrame(h.Ctx);
    h.S.CellMode = -1;
    PlaceSample(h.Ctx, 70, 80);
    for (int k = 1; k <= h.S.CellCount; ++k) {
        h.S.CellMode = static_cast<std::int16_t>(k);
        h.S.CaptureRequested = true;
        MatchFrame(h.Ctx);
    }
    h.S.CellMode = 0;

    RecognitionLoop loop(h.Ctx);
    RecognitionDriver driver(loop);
    long frames = 0;
    QObject::connect(&driver, &RecognitionDriver::frameDone, [&] { ++frames; });
    QObject::connect(&driver, &RecognitionDriver::loopEnded, &app, &QCoreApplication::quit);
    QTimer::singleShot(seconds * 1000, &driver, [&] { driver.StartStopClick(); });

    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    driver.StartStopClick();
    app.exec();
    const double wallS = static_cast<double>(wall.elapsed()) / 1000.0;
    const double cpuS = CpuSeconds() - cpu0;
    std::printf("frames %ld in %.2f s (%.1f a second), decision %d, best W %d\n", frames, wallS, frames / wallS,
                h.S.Decision, h.S.BestW);
    std::printf("cpu %.3f s over wall %.2f s = %.2f%% of one core\n", cpuS, wallS, 100.0 * cpuS / wallS);
    return 0;
}
