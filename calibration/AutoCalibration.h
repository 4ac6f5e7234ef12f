// The automatic calibration: finds the eyes from an open-eyes and a closed-eyes
// frame, then lets the script's steps fill the matrix of samples.
//
// It runs frame by frame: the caller (a timer in the program, the replay tool
// on its virtual clock) calls RunFrame(), lets other events run until the
// frame period has passed, and repeats while !FrameLoopDone(). Then it calls
// BeginEnding(), waits EndingPauseMs, and calls FinishEnding(), which says
// whether recognition is to be started.
#pragma once

#include "CalibrationScript.h"
#include "EyeSearch.h"

#include "Ports.h"
#include "UnitGlobal_v.h"

#include <optional>
#include <string>

namespace okulon {

// The calibration prompt window: eye pictures, a countdown number, a place on
// the screen. The default does nothing but remember what it was told, which is
// what a headless run needs.
class ICalibrationPrompt {
public:
    virtual ~ICalibrationPrompt() = default;
    // 1 both eyes open, 2 left closed, 3 right closed, 4 both closed, other: no picture.
    virtual void EyeAction(int code) { m_eyes = code; }
    // Scales the window to percent of its design size (354 x 100).
    virtual void EyeResize(int percent)
    {
        m_width = percent * 354 / 100;
        m_height = percent * 100 / 100;
    }
    virtual void SetNumberText(const std::string& text) { m_text = text; }
    virtual void MoveTo(int left, int top) { m_position = {left, top}; }
    virtual void SetVisible(bool visible) { m_visible = visible; }
    virtual void Repaint() { }
    // The screen the prompt is placed on.
    virtual void ScreenSize(int& width, int& height) const
    {
        width = 1024;
        height = 768;
    }

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    PromptPosition Position() const { return m_position; }
    const std::string& NumberText() const { return m_text; }
    int Eyes() const { return m_eyes; }
    bool Visible() const { return m_visible; }

private:
    int m_width = 352;
    int m_height = 96;
    PromptPosition m_position;
    std::string m_text = "4";
    int m_eyes = 0;
    bool m_visible = false;
};

class AutoCalibration {
public:
    static constexpr std::uint32_t EndingPauseMs = 1000;
    static constexpr Color SearchPen = 0x78FF00; // red 0, green 255, blue 120
    static constexpr Color IdlePen = 0x505050;

    AutoCalibration(EngineContext& ctx, IClock& clock, ICalibrationPrompt& prompt, ISound* sound = nullptr);

    // Starts a run. The script is read and checked first: a script that cannot
    // be used gives its error and changes nothing (the matrix keeps its samples).
    std::optional<std::string> Start();
    bool Running() const { return m_running; }

    // One frame; the next is due at FrameDueTick().
    void RunFrame();
    std::uint32_t FrameDueTick() const;
    // F11 released in the main window.
    void RequestEnd();
    bool FrameLoopDone() const { return m_done; }

    // The ending: recognition mode, the prompt repainted; then, after the
    // pause, the prompt hidden and a frame captured. True when recognition
    // is to be started (the eyes were found, or no brightness threshold is set).
    void BeginEnding();
    bool FinishEnding();

    // What a frame report shows.
    int CurrentStep() const { return m_step; }
    int StepCount() const { return m_stepCount; }
    float EyeX() const { return m_eyeX; }
    float EyeY() const { return m_eyeY; }
    std::int16_t LargestBlob() const { return m_search.largestBlob; }
    std::int16_t SecondBlob() const { return m_search.secondBlob; }
    const CalibrationStepTable& Steps() const { return m_table; }

private:
    void drawOverlay();
    void sampleMoment(CalibrationStep& step);
    void endStep();
    void copyRedToSlot(int k);
    void searchEyes(int threshold);
    void reportEyes();
    void showNumber(int n);
    void playSound();
    void setCaptureFrameVisible(bool visible);

    EngineContext& m_ctx;
    IClock& m_clock;
    ICalibrationPrompt& m_prompt;
    ISound* m_sound;

    CalibrationStepTable m_table{};
    int m_stepCount = 0;
    int m_step = 0;
    bool m_running = false;
    bool m_done = true;
    std::uint32_t m_stepStartTick = 0;
    float m_eyeX = 0;
    float m_eyeY = 0;
    ChangedPixels m_changed;
    BlobSearch m_search;
};

} // namespace okulon
