#include "RecognitionLoop.h"

#include "Capture.h"
#include "Matching.h"
#include "Numbers.h"

#include <algorithm>
#include <limits>

namespace okulon {

namespace {

// Messages of the loop.
constexpr int MsgWidthCorrection = 7;
constexpr int MsgHeightCorrection = 8;
constexpr int MsgStart = 9;
constexpr int MsgStop = 28;

constexpr int FramesPerRateUpdate = 10;

std::string Message(const EngineContext& ctx, int k)
{
    return ctx.Messages ? ctx.Messages->GetMessageText(k) : std::string();
}

std::uint32_t Now(const EngineContext& ctx)
{
    return ctx.Clock ? ctx.Clock->TickCount() : 0;
}

// Milliseconds from `from` to `to` on the 32-bit tick counter. The counter
// wraps around to 0 after 2^32 ms (about 49.7 days); the difference is taken
// modulo 2^32, which stays correct across the wrap for any interval shorter
// than that. No tick value is treated specially.
std::uint32_t TicksBetween(std::uint32_t from, std::uint32_t to)
{
    return to - from;
}

KeyAction KeyForDecision(const TrackerState& s, int decision)
{
    if (decision == 0)
        return s.NoSampleKey;
    const int row = decision - 10;
    // A decision for a row without a key entry (the matrix shrank since) is inert.
    if (row < 0 || row >= static_cast<int>(s.RowKeys.size()))
        return {};
    return s.RowKeys[static_cast<std::size_t>(row)];
}

// Checks 3 and 4 of the time-frame rule for the decision being counted.
void CountDecision(EngineContext& ctx, const KeyAction& key)
{
    TrackerState& s = ctx.S;
    // The count stops one past TimeFrame. With TimeFrame at the largest 16-bit
    // value it cannot go past it; it then holds and fires no second time.
    bool counted = false;
    if (s.TimeFrameCount <= s.TimeFrame && s.TimeFrameCount < std::numeric_limits<std::int16_t>::max()) {
        ++s.TimeFrameCount;
        counted = true;
    }
    if (s.TimeFrameCount < s.TimeFrame)
        s.ActionFired = false;
    if (s.TimeFrameCount == s.TimeFrame && counted) {
        DeliverAction(ctx, key);
        s.ActionFired = true;
    }
}

} // namespace

void SendKey(EngineContext& ctx, int message, std::int32_t keyCode)
{
    if (ctx.Keys)
        ctx.Keys->SendKey(message, keyCode, ctx.S.UseSendMessage);
}

void DeliverAction(EngineContext& ctx, const KeyAction& key)
{
    switch (key.Action) {
    case ActionKeyDown:
        SendKey(ctx, WmKeyDown, key.KeyCode);
        break;
    case ActionKeyUp:
        SendKey(ctx, WmKeyUp, key.KeyCode);
        break;
    case ActionPress:
        SendKey(ctx, WmKeyDown, key.KeyCode);
        SendKey(ctx, WmKeyUp, key.KeyCode);
        break;
    default:
        break;
    }
}

void ApplyTimeFrameRule(EngineContext& ctx)
{
    TrackerState& s = ctx.S;
    const int d = s.Decision;
    const KeyAction key = KeyForDecision(s, d);
    const KeyAction& none = s.NoSampleKey;

    if (d >= 10 && d != s.PrevDecision && key.KeyCode > 0) {
        if (s.ActionFired)
            s.TimeFrameCount = 0;
        s.PrevDecision = static_cast<std::int16_t>(d);
    }
    if (d == 0 && s.PrevDecision != 0 && none.KeyCode > 0) {
        if (s.ActionFired)
            s.TimeFrameCount = 0;
        s.PrevDecision = 0;
    }
    if (d >= 10 && d == s.PrevDecision && key.KeyCode > 0)
        CountDecision(ctx, key);
    if (d == 0 && s.PrevDecision == 0 && none.KeyCode > 0)
        CountDecision(ctx, none);
}

std::string StatisticsLine(const TrackerState& s)
{
    const int best = s.BestCell;
    const int w = best >= 1 && best < static_cast<int>(s.CellResult.size())
                      ? s.CellResult[static_cast<std::size_t>(best)].W
                      : 0;
    return "T = " + std::to_string(s.CurrentRow) + " C = " + std::to_string(s.CurrentCol + 1) +
           "  W = " + std::to_string(w) + " XF = " + std::to_string(s.TrackX) + " YF = " +
           std::to_string(s.TrackY) + " FPS = " + FormatFps(s.FpsValue);
}

RecognitionLoop::RecognitionLoop(EngineContext& ctx)
    : ctx_(ctx)
{
    // The loop is created with the main window, which leaves the engine idle.
    ctx_.S.StopRequested = true;
}

StartStopResult RecognitionLoop::StartStopClick()
{
    TrackerState& s = ctx_.S;
    const bool wasStopped = s.StopRequested;
    s.StopRequested = !wasStopped;
    if (!wasStopped) {
        ctx_.View().StartStopChanged(false, Message(ctx_, MsgStart));
        StopHandling();
        return StartStopResult::Stopped;
    }
    ctx_.View().StartStopChanged(true, Message(ctx_, MsgStop));
    StartHandling();
    return StartStopResult::Started;
}

void RecognitionLoop::StopHandling()
{
    TrackerState& s = ctx_.S;
    s.StopRequested = true;
    ctx_.View().SizeCaptureFrame(s.TargetWidth, s.TargetHeight);
    ctx_.View().SetCaptureFrameVisible(true);
    ctx_.LogMessage(MsgStop, "");
}

void RecognitionLoop::StartHandling()
{
    TrackerState& s = ctx_.S;
    IParameters& P = ctx_.Params;
    IViews& views = ctx_.View();

    // 1. Loop settings. Parameter 4 is read once: the minimum cell score of
    // step 6 is the same value.
    s.Wlim = SaturateInt16(P.GetParamInt(4));
    s.HalfSampleWidth = static_cast<std::int16_t>(s.SampleWidth / 2);
    s.HalfSampleHeight = static_cast<std::int16_t>(s.SampleHeight / 2);
    ReadTrackingSettings(ctx_);

    // 2.
    views.SizeCaptureFrame(s.TargetWidth, s.TargetHeight);
    views.SetCaptureFrameVisible(false);

    // 3.
    if (s.SampleWidth > s.TargetWidth) {
        s.SampleWidth = s.TargetWidth;
        ctx_.LogMessage(MsgWidthCorrection, "");
    }
    if (s.SampleHeight > s.TargetHeight) {
        s.SampleHeight = s.TargetHeight;
        ctx_.LogMessage(MsgHeightCorrection, "");
    }
    s.HalfSampleWidth = static_cast<std::int16_t>(s.SampleWidth / 2);
    s.HalfSampleHeight = static_cast<std::int16_t>(s.SampleHeight / 2);

    // 4. The sample picture is cleared to white, its blank colour.
    s.SamplePicture.Fill(White);
    views.SamplePictureChanged();
    views.SetCaptureFrameVisible(false);
    views.ShowMainWindow();
    DrawStructureOverlay(ctx_);

    // 5.
    s.StopRequested = false;
    int left = s.CaptureOrigin.X;
    int top = s.CaptureOrigin.Y;
    views.CaptureFramePosition(left, top);
    s.CaptureOrigin = {SaturateInt16(left), SaturateInt16(top)};

    // 6. TimeFrameCount and ActionFired carry over from the previous run.
    s.MinCellScore = s.Wlim;
    s.PrevDecision = 0;
    s.LossCount = 0;

    // 7.
    if (!s.LivePoints.empty() && s.LivePoints[0].F[pf::HeaderCount] > 0)
        s.PointCount = SaturateInt16(s.LivePoints[0].F[pf::HeaderCount]);

    // 8.
    s.TrackX = static_cast<std::int16_t>(s.TargetWidth / 2);
    s.TrackY = static_cast<std::int16_t>(s.TargetHeight / 2);

    // 9. The receiver is looked up here only. The key sink keeps the window it
    // found; the state only records whether there is one.
    const bool found = ctx_.Keys && ctx_.Keys->FindReceiver(s.ReceiverCaption);
    s.ReceiverWindow = found ? 1 : 0;

    // 10.
    ListAvailableSamples(ctx_);
    s.CurrentRow = 0;
    s.CurrentCol = 0;

    // 11.
    ctx_.LogMessage(MsgStart, "");

    processingMs_ = 0;
    running_ = true;
}

void RecognitionLoop::RunFrame()
{
    if (!running_)
        return;
    TrackerState& s = ctx_.S;

    s.FrameStartTick = Now(ctx_);
    if (s.CellMode != -1)
        CaptureFrame(ctx_);
    if (s.CellMode >= 0 && s.PointCount >= 0) {
        s.Decision = 0;
        MatchFrame(ctx_);
        ApplyTimeFrameRule(ctx_);
    }
    ctx_.View().VideoChanged();

    // Frame rate over the processing time of ten frames (the waits do not count).
    const std::uint32_t elapsed = TicksBetween(s.FrameStartTick, Now(ctx_));
    const std::int64_t total = static_cast<std::int64_t>(processingMs_) + elapsed;
    processingMs_ = static_cast<std::int32_t>(std::min<std::int64_t>(total, std::numeric_limits<std::int32_t>::max()));
    ++frameCount_;
    if (processingMs_ < 1)
        processingMs_ = 1;
    if (frameCount_ == FramesPerRateUpdate) {
        s.FpsValue = 10000.0 / processingMs_;
        frameCount_ = 0;
        processingMs_ = 0;
    }

    s.StatisticsLine = StatisticsLine(s);
    ctx_.View().StatisticsChanged();
}

std::uint32_t RecognitionLoop::NextFrameDueTick() const
{
    const TrackerState& s = ctx_.S;
    return s.FrameStartTick + static_cast<std::uint32_t>(std::max<int>(s.FramePeriodMs, 0));
}

std::uint32_t RecognitionLoop::MsUntilNextFrame() const
{
    const TrackerState& s = ctx_.S;
    const std::uint32_t period = static_cast<std::uint32_t>(std::max<int>(s.FramePeriodMs, 0));
    const std::uint32_t elapsed = TicksBetween(s.FrameStartTick, Now(ctx_));
    return elapsed >= period ? 0 : period - elapsed;
}

bool RecognitionLoop::FinishFrame()
{
    if (!running_)
        return false;
    if (ctx_.S.StopRequested) {
        running_ = false;
        return false;
    }
    return true;
}

bool RecognitionLoop::Timer1Timer(bool mainWindowVisible)
{
    if (!autoStartEnabled_)
        return false;
    if (ctx_.Params.GetParamInt(46) != 1 || !mainWindowVisible)
        return false;
    autoStartEnabled_ = false;
    ctx_.S.FrameStartTick = Now(ctx_);
    return true;
}

} // namespace okulon
