// The recognition loop: the Start/Stop command, the Start handling, one frame
// of capture, matching and key delivery, the frame rate and the statistics
// line, and the automatic start after start-up.
//
// The loop never waits by itself. A driver runs it one frame at a time from
// its event loop (or, in the replay tool, from a virtual clock):
//
//     if (loop.StartStopClick() == StartStopResult::Started)
//         loop.RunFrame();                  // the first frame runs at once
//     while (true) {
//         // the wait: other commands run here, until loop.MsUntilNextFrame() is 0
//         if (!loop.FinishFrame())          // the stop check at the end of the frame
//             break;
//         loop.RunFrame();
//     }
//
// A Start/Stop click during the wait that stops the loop makes the frame just
// run the last one: FinishFrame then returns false. A click that starts the
// loop (also while a stop is pending) runs the Start handling; the driver then
// runs a frame at once.
//
// Requires ctx.Clock. ctx.Keys may be null (keys then go nowhere).
#pragma once

#include "UnitGlobal_v.h"

#include <cstdint>
#include <string>

namespace okulon {

inline constexpr int WmKeyDown = 256;
inline constexpr int WmKeyUp = 257;

// Delay between the automatic start's decision and its click.
inline constexpr std::uint32_t AutoStartDelayMs = 100;
// Interval of the timer that makes the automatic start decision.
inline constexpr std::uint32_t AutoStartTimerIntervalMs = 1000;

enum class StartStopResult {
    Started, // the Start handling ran: run a frame at once
    Stopped, // the stop handling ran: a running loop ends at the end of its current frame
};

class RecognitionLoop {
public:
    explicit RecognitionLoop(EngineContext& ctx);

    // The Start/Stop command (m_play0Click).
    StartStopResult StartStopClick();

    // True from a Start until the loop ends (FinishFrame returning false, or Abort).
    bool Running() const { return running_; }

    // Frame steps 1 to 6: capture (unless sampling), matching and the
    // time-frame rule (unless sampling), repaint, frame rate, statistics line.
    // Does nothing while the loop is not running.
    void RunFrame();

    // Tick at which the wait of the last frame ends: FrameStartTick +
    // FramePeriodMs, modulo 2^32. Both are read now, so a configuration applied
    // during the wait takes effect at once.
    std::uint32_t NextFrameDueTick() const;
    // Milliseconds from the clock's current tick until NextFrameDueTick; 0 when
    // that time has come or the frame overran the period.
    std::uint32_t MsUntilNextFrame() const;

    // Step 8, after the wait: returns true when the loop goes on with another
    // frame, false when a stop was requested (the loop has then ended).
    bool FinishFrame();

    // An error escaped a frame: the loop ends here, StopRequested and the menu
    // keep their running state, so the next Start/Stop click takes the stop
    // branch and restores the idle state.
    void Abort() { running_ = false; }

    // Timer1Timer, called each time the automatic-start timer fires. When
    // parameter 46 is 1 and the main window is visible it disables the timer
    // for good and returns true: the caller clicks Start/Stop AutoStartDelayMs
    // later (letting other commands run meanwhile). Otherwise returns false.
    bool Timer1Timer(bool mainWindowVisible);
    bool AutoStartTimerEnabled() const { return autoStartEnabled_; }

    // Frames counted towards the next rate update (kept across Starts).
    int FramesSinceRateUpdate() const { return frameCount_; }

private:
    void StartHandling();
    void StopHandling();

    EngineContext& ctx_;
    bool running_ = false;
    bool autoStartEnabled_ = true;
    std::int32_t processingMs_ = 0; // since the last rate update; 0 at Start
    std::int16_t frameCount_ = 0;   // since the last rate update; not reset by Start
};

// Key delivery: one key message (WmKeyDown or WmKeyUp) for keyCode to the
// receiver found at Start, sent or posted as UseSendMessage says.
void SendKey(EngineContext& ctx, int message, std::int32_t keyCode);

// The key messages of one action: 1 key down, 2 key up, 3 key down then key
// up with nothing in between, anything else nothing.
void DeliverAction(EngineContext& ctx, const KeyAction& key);

// The time-frame rule for the frame's Decision: counts how long it lasted and
// delivers its row's (or the no-sample) key in the frame where the count
// reaches TimeFrame.
void ApplyTimeFrameRule(EngineContext& ctx);

// The statistics line after a frame.
std::string StatisticsLine(const TrackerState& s);

} // namespace okulon
