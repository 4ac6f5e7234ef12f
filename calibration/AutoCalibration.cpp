#include "AutoCalibration.h"

#include "Capture.h"
#include "Matching.h"
#include "MatrixOfSamples.h"
#include "Numbers.h"

#include <cmath>
#include <cstdlib>

namespace okulon {

namespace {

// Whole number as the statistics line writes it: halves away from zero.
std::string wholeNumber(float v)
{
    return std::to_string(static_cast<long long>(std::round(static_cast<double>(v))));
}

std::string withoutTrailingSeparator(std::string folder)
{
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
        folder.pop_back();
    return folder;
}

} // namespace

AutoCalibration::AutoCalibration(EngineContext& ctx, IClock& clock, ICalibrationPrompt& prompt, ISound* sound)
    : m_ctx(ctx)
    , m_clock(clock)
    , m_prompt(prompt)
    , m_sound(sound)
{
}

std::optional<std::string> AutoCalibration::Start()
{
    TrackerState& s = m_ctx.S;

    // Read the script before anything changes: a script that cannot be used
    // must not cost the user the samples already in the matrix.
    CalibrationStepTable table = m_table;
    for (int i = 1; i < static_cast<int>(table.size()); ++i) {
        table[i].placement = 0;
        table[i].eyes = 0;
        table[i].row = 0;
        table[i].column = 0;
    }
    int stepCount = 0;
    const std::string name = m_ctx.Params.GetParamText(49);
    if (const auto file = ResolveCalibrationScript(withoutTrailingSeparator(m_ctx.ProgramFolder), name)) {
        const ScriptReadResult read = ReadCalibrationScript(*file, table);
        if (read.error) {
            std::string message = read.error->message;
            if (read.error->line > 0)
                message = file->string() + ", line " + std::to_string(read.error->line) + ": " + message;
            return message;
        }
        stepCount = read.stepCount;
    }

    ClearMatrix(m_ctx);
    // No background window is put behind the prompt: nothing would ever show it.
    m_prompt.EyeResize(50);
    int left = 0, top = 0;
    m_ctx.View().PlaceCaptureFrame(s.CaptureOrigin.X, s.CaptureOrigin.Y, s.TargetWidth, s.TargetHeight, left, top);
    setCaptureFrameVisible(false);
    int sw = 0, sh = 0;
    m_prompt.ScreenSize(sw, sh);
    m_prompt.SetVisible(true);
    m_prompt.MoveTo((sw - m_prompt.Width()) / 2, (sh - m_prompt.Height()) / 2);
    m_prompt.Repaint();

    m_table = table;
    m_stepCount = stepCount;
    m_search = BlobSearch{};
    if (s.SampleWidth > s.TargetWidth) {
        s.SampleWidth = s.TargetWidth;
        m_ctx.LogMessage(7, "");
    }
    if (s.SampleHeight > s.TargetHeight) {
        s.SampleHeight = s.TargetHeight;
        m_ctx.LogMessage(8, "");
    }
    m_changed.clear();

    m_table[0].delay = 3;
    m_table[0].duration = 3;
    m_table[0].eyes = 1;
    m_stepStartTick = m_clock.TickCount();
    for (int i = 0; i <= m_stepCount; ++i) {
        m_table[i].endSecond = SaturateInt16(m_table[i].delay + m_table[i].duration);
        m_table[i].done = 0;
    }

    m_step = 0;
    m_done = false;
    m_running = true;
    m_prompt.EyeAction(1);
    s.StatisticsLine = "  ";
    m_ctx.View().StatisticsChanged();
    playSound();
    m_eyeX = static_cast<float>(s.TargetWidth) * 0.5f;
    m_eyeY = static_cast<float>(s.TargetHeight) * 0.5f;
    return std::nullopt;
}

std::uint32_t AutoCalibration::FrameDueTick() const
{
    return m_ctx.S.FrameStartTick + static_cast<std::uint32_t>(std::max<int>(m_ctx.S.FramePeriodMs, 0));
}

void AutoCalibration::RunFrame()
{
    TrackerState& s = m_ctx.S;
    s.FrameStartTick = m_clock.TickCount();
    // Unsigned difference: stays right when the tick counter wraps.
    const long long es = static_cast<std::uint32_t>(s.FrameStartTick - m_stepStartTick) / 1000;
    CaptureFrame(m_ctx);

    drawOverlay();

    if (m_table[m_step].delay - es >= 0)
        showNumber(static_cast<int>(m_table[m_step].delay - es));

    if (es > m_table[m_step].delay && m_table[m_step].done == 0) {
        m_table[m_step].done = 1;
        sampleMoment(m_table[m_step]);
    }

    if (es > m_table[m_step].endSecond)
        endStep();

    if (es > m_table[m_step].delay && m_step == 0)
        showNumber(static_cast<int>(m_table[0].endSecond - es));
}

void AutoCalibration::drawOverlay()
{
    TrackerState& s = m_ctx.S;
    const int rx = RoundToInt16(m_eyeX);
    const int ry = RoundToInt16(m_eyeY);
    if (m_search.largestBlob > 0) {
        s.VideoPen = SearchPen;
        if (s.ShowStructureOnVideo && s.CellCount >= 1 && s.SampleMatrix.size() > 1) {
            const auto& cell = s.SampleMatrix[1];
            for (int p = 1; p <= s.PointCount && p < static_cast<int>(cell.size()); ++p)
                s.Video.SetPixel(rx + cell[p].F[pf::Dx], ry + cell[p].F[pf::Dy], s.StructureColor);
        }
    } else {
        s.VideoPen = IdlePen;
    }
    const int hw = s.SampleWidth / 2;
    const int hh = s.SampleHeight / 2;
    FrameRect(s.Video, rx - hw, ry - hh, rx + hw, ry + hh, s.VideoPen);
    m_ctx.View().VideoChanged();
}

void AutoCalibration::sampleMoment(CalibrationStep& step)
{
    TrackerState& s = m_ctx.S;
    if (m_step == 0) {
        copyRedToSlot(0);
        m_prompt.EyeAction(4);
        return;
    }
    const int hw = s.SampleWidth / 2;
    const int hh = s.SampleHeight / 2;
    int cx = RoundToInt16(m_eyeX);
    int cy = RoundToInt16(m_eyeY);
    if (cx < hw)
        cx = hw;
    if (cy < hh)
        cy = hh;
    if (cx + hw > s.TargetWidth)
        cx = s.TargetWidth - hw;
    if (cy + hh > s.TargetHeight)
        cy = s.TargetHeight - hh;
    CaptureFrame(m_ctx);
    m_ctx.View().VideoChanged();
    s.CaptureRequested = false;
    s.CellMode = -1;
    PlaceSample(m_ctx, cx, cy);
    s.CaptureRequested = true;
    // A negative row would name no cell; it is treated like any other cell
    // outside the matrix.
    if (step.row >= 0 && step.row < s.MatrixRows && step.column > 0 && step.column <= s.MatrixCols) {
        s.CellMode = static_cast<std::int16_t>(s.MatrixCols * step.row + step.column);
        MatchFrame(m_ctx);
        CaptureFrame(m_ctx);
        m_prompt.SetNumberText("0");
        playSound();
    } else {
        const std::string message = m_ctx.Messages ? m_ctx.Messages->GetMessageText(41) : std::string();
        if (m_ctx.Log)
            m_ctx.Log->WriteLog(message + " T = " + std::to_string(step.row) + ", C = " + std::to_string(step.column), 23);
    }
}

void AutoCalibration::endStep()
{
    TrackerState& s = m_ctx.S;
    const std::int16_t threshold = SaturateInt16(m_ctx.Params.GetParamInt(48));
    if (m_step == 0) {
        if (threshold > 0) {
            playSound();
            copyRedToSlot(1);
            m_prompt.EyeAction(1);
            m_eyeX = 0;
            m_eyeY = 0;
            searchEyes(threshold);
        } else if (threshold == 0) {
            m_eyeX = static_cast<float>(s.TargetWidth / 2);
            m_eyeY = static_cast<float>(s.TargetHeight / 2);
            reportEyes();
        }
        playSound();
    }
    ++m_step;
    m_prompt.EyeAction(m_table[m_step].eyes);
    int sw = 0, sh = 0;
    m_prompt.ScreenSize(sw, sh);
    const PromptPosition at = PlacePrompt(m_table[m_step].placement, sw, sh, m_prompt.Width(), m_prompt.Height(),
        m_prompt.Position());
    m_prompt.MoveTo(at.left, at.top);
    m_stepStartTick = m_clock.TickCount();
    if (m_step > m_stepCount)
        m_done = true;
    m_prompt.Repaint();
}

void AutoCalibration::copyRedToSlot(int k)
{
    TrackerState& s = m_ctx.S;
    CaptureFrame(m_ctx);
    const int w = std::min<int>(s.TargetWidth, PlaneSize - 1);
    const int h = std::min<int>(s.TargetHeight, PlaneSize - 1);
    for (int x = 1; x <= w; ++x)
        for (int y = 1; y <= h; ++y)
            s.Plane(x, y).Slot[4 + k] = s.Plane(x, y).Slot[1];
}

void AutoCalibration::searchEyes(int threshold)
{
    TrackerState& s = m_ctx.S;
    for (int x = 10; x <= s.TargetWidth - 10 && x < PlaneSize; ++x) {
        for (int y = 10; y <= s.TargetHeight - 10 && y < PlaneSize; ++y) {
            PlaneCell& cell = s.Plane(x, y);
            int d = std::abs(cell.Slot[4] - cell.Slot[5]);
            if (d < threshold)
                d = 0;
            cell.Slot[6] = static_cast<std::int16_t>(d);
            if (d > 0) {
                s.Video.SetPixel(x, y, s.StructureColor);
                m_changed.add({static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)});
            }
        }
        m_ctx.View().VideoChanged();
    }
    m_search = ClusterChangedPixels(m_changed.points());
    EstimateEyes(m_search, m_eyeX, m_eyeY);
    if (m_search.largestBlob == 0 && m_search.secondBlob == 0) {
        // Eyes not found: show the capture frame so the user can move it over them.
        int left = 0, top = 0;
        m_ctx.View().PlaceCaptureFrame(s.CaptureOrigin.X, s.CaptureOrigin.Y, s.TargetWidth, s.TargetHeight, left,
            top);
        setCaptureFrameVisible(true);
        m_done = true;
        return;
    }
    reportEyes();
}

void AutoCalibration::reportEyes()
{
    TrackerState& s = m_ctx.S;
    s.StatisticsLine = std::to_string(m_search.largestBlob) + "  " + std::to_string(m_search.secondBlob) + " X = "
        + wholeNumber(m_eyeX) + " Y = " + wholeNumber(m_eyeY);
    m_ctx.View().StatisticsChanged();
    s.VideoPen = SearchPen;
    EllipseOutline(s.Video, RoundToInt16(m_eyeX - 6.0f), RoundToInt16(m_eyeY - 6.0f), RoundToInt16(m_eyeX + 6.0f),
        RoundToInt16(m_eyeY + 6.0f), s.VideoPen);
    m_ctx.View().VideoChanged();
}

void AutoCalibration::RequestEnd()
{
    if (!m_done)
        m_done = true;
}

void AutoCalibration::BeginEnding()
{
    m_ctx.S.CellMode = 0;
    m_prompt.Repaint();
}

bool AutoCalibration::FinishEnding()
{
    m_prompt.SetVisible(false);
    CaptureFrame(m_ctx);
    m_running = false;
    return m_search.largestBlob > 30 || m_search.secondBlob > 30 || m_ctx.Params.GetParamInt(48) == 0;
}

void AutoCalibration::showNumber(int n)
{
    m_prompt.SetNumberText(std::to_string(n));
}

void AutoCalibration::playSound()
{
    if (m_sound)
        m_sound->Play(m_ctx.S.SoundPath);
}

void AutoCalibration::setCaptureFrameVisible(bool visible)
{
    m_ctx.View().SetCaptureFrameVisible(visible);
}

} // namespace okulon
