// Runs the recognition loop from the Qt event loop, one frame at a time.
//
// After each frame a single-shot precise timer is set for the moment the next
// frame is due (at once when the frame overran its period). Between frames
// the thread sleeps in the event loop, so every other command, click and timer
// runs there, never in the middle of a frame. When the timer fires the frame's
// stop check runs; if the loop goes on, the next frame follows.
//
// Wiring: create the RecognitionLoop on the program's EngineContext (with a
// real clock and key sink), create the driver on it, connect the Start/Stop
// command to StartStopClick() and call StartAutoStartTimer() once at start-up.
#pragma once

#include "RecognitionLoop.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

namespace okulon {

class RecognitionDriver : public QObject {
    Q_OBJECT

public:
    explicit RecognitionDriver(RecognitionLoop& loop, QObject* parent = nullptr);

    // The Start/Stop command. A start runs the first frame at once; a stop
    // lets the current frame's wait finish and ends the loop at its stop check.
    void StartStopClick();

    // Starts Timer1 (every AutoStartTimerIntervalMs). mainWindowVisible tells
    // whether the main window is shown when it fires.
    void StartAutoStartTimer(std::function<bool()> mainWindowVisible);

    // Re-arms the frame timer after something changed the frame period
    // during the wait.
    void Reschedule();

    bool IsRunning() const { return loop_.Running(); }

signals:
    void frameDone();          // after steps 1 to 6 of a frame
    void loopEnded();          // the loop has stopped (or failed)
    void frameFailed(QString); // an error escaped a frame; the loop ended

private:
    void OnFrameTimer();
    void RunOneFrame();
    void OnAutoStartTimer();

    RecognitionLoop& loop_;
    QTimer frameTimer_;
    QTimer autoStartTimer_;
    std::function<bool()> mainWindowVisible_;
};

} // namespace okulon
