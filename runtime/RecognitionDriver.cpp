#include "RecognitionDriver.h"

#include <algorithm>
#include <exception>

namespace okulon {

RecognitionDriver::RecognitionDriver(RecognitionLoop& loop, QObject* parent)
    : QObject(parent)
    , loop_(loop)
{
    frameTimer_.setSingleShot(true);
    frameTimer_.setTimerType(Qt::PreciseTimer);
    connect(&frameTimer_, &QTimer::timeout, this, &RecognitionDriver::OnFrameTimer);
    autoStartTimer_.setTimerType(Qt::PreciseTimer);
    autoStartTimer_.setInterval(static_cast<int>(AutoStartTimerIntervalMs));
    connect(&autoStartTimer_, &QTimer::timeout, this, &RecognitionDriver::OnAutoStartTimer);
}

void RecognitionDriver::StartStopClick()
{
    if (loop_.StartStopClick() == StartStopResult::Started) {
        frameTimer_.stop();
        RunOneFrame();
    } else if (!loop_.Running()) {
        // The stop branch after a failed frame: nothing is running any more.
        frameTimer_.stop();
    }
}

void RecognitionDriver::RunOneFrame()
{
    try {
        loop_.RunFrame();
    } catch (const std::exception& e) {
        loop_.Abort();
        frameTimer_.stop();
        emit frameFailed(QString::fromUtf8(e.what()));
        emit loopEnded();
        return;
    }
    emit frameDone();
    Reschedule();
}

void RecognitionDriver::Reschedule()
{
    if (!loop_.Running())
        return;
    frameTimer_.start(static_cast<int>(std::min<std::uint32_t>(loop_.MsUntilNextFrame(), 1u << 30)));
}

void RecognitionDriver::OnFrameTimer()
{
    // The period may have grown during the wait (a configuration applied).
    if (loop_.Running() && loop_.MsUntilNextFrame() > 0) {
        Reschedule();
        return;
    }
    if (!loop_.FinishFrame()) {
        emit loopEnded();
        return;
    }
    RunOneFrame();
}

void RecognitionDriver::StartAutoStartTimer(std::function<bool()> mainWindowVisible)
{
    mainWindowVisible_ = std::move(mainWindowVisible);
    autoStartTimer_.start();
}

void RecognitionDriver::OnAutoStartTimer()
{
    const bool visible = mainWindowVisible_ ? mainWindowVisible_() : false;
    if (!loop_.Timer1Timer(visible))
        return;
    autoStartTimer_.stop();
    QTimer::singleShot(static_cast<int>(AutoStartDelayMs), Qt::PreciseTimer, this,
                       &RecognitionDriver::StartStopClick);
}

} // namespace okulon
