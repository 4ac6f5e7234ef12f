// Ports through which the engine reaches the rest of the program.
//
// The engine is plain C++ without Qt or OS headers. Whatever it needs from the
// outside (the parameter store, the event log, the message texts, the screen,
// the receiving program, the clock, sound, the windows) it asks for through one
// of these small interfaces; the layers above implement them, and the tests
// implement them with fakes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace okulon {

// Value returned by IParameters::GetParamInt for a parameter row that does not exist.
inline constexpr std::int32_t NoIntValue = -189234554;

// The numbered parameters (parameter N lives in row N - 1). Texts are UTF-8.
// Reads repair a bad value to its built-in default: an integer read of a cell
// that is not a whole number returns 0 once and leaves the default in the
// cell; a text read of a blank cell returns the default.
class IParameters {
public:
    virtual ~IParameters() = default;
    virtual std::int32_t GetParamInt(int n) = 0;
    virtual std::string GetParamText(int n) = 0;
    virtual void SetParamInt(int n, std::int32_t value) = 0;
    virtual void SetParamText(int n, const std::string& text) = 0;
};

// The event log. code: tens digit 1 = window line, 2 = time-stamped window line;
// units digit 1 = text to the log file, 2 = text and line break, 3 = time stamp,
// text and line break.
class IEventLog {
public:
    virtual ~IEventLog() = default;
    virtual void WriteLog(const std::string& text, int code) = 0;
};

// Numbered message texts of the current language (1-based; "" when absent).
class IMessages {
public:
    virtual ~IMessages() = default;
    virtual std::string GetMessageText(int k) const = 0;
};


// A colour as the engine stores it: red in the low byte, green in the middle
// byte, blue in the high byte (the top byte is 0).
using Color = std::uint32_t;

// The screen, or whatever stands for it (a stored image, a replayed recording).
// Grab copies the rectangle of width x height pixels whose top-left corner is
// (left, top) into out, row by row from the top, width pixels a row. Pixels the
// source cannot provide (off the screen) come back black.
class IScreenSource {
public:
    virtual ~IScreenSource() = default;
    virtual void Grab(int left, int top, int width, int height, std::vector<Color>& out) = 0;
};

// Millisecond tick counter and a blocking wait. The tick count wraps around
// after 2^32 ms; users measure elapsed time as an unsigned 32-bit difference.
class IClock {
public:
    virtual ~IClock() = default;
    virtual std::uint32_t TickCount() = 0;
    virtual void Sleep(std::uint32_t ms) = 0;
};

// The receiving program: key-down (256) and key-up (257) messages with a key code.
// FindReceiver looks the program's window up by its exact caption and keeps
// what it found for the following SendKey calls (until the next FindReceiver);
// it tells whether a window was found. SendKey is called for every key due,
// found or not: a backend without a receiver drops the message. synchronous
// = true waits until the receiver has handled it (send), false returns at
// once (post).
class IKeySink {
public:
    virtual ~IKeySink() = default;
    virtual bool FindReceiver(const std::string& caption) = 0;
    virtual void SendKey(int message, std::int32_t keyCode, bool synchronous) = 0;
};

// The calibration sound.
class ISound {
public:
    virtual ~ISound() = default;
    virtual void Play(const std::string& path) = 0;
};

// Values of the view parameters as the configuration applies them, in the
// order they are read.
struct ViewParameters {
    std::int32_t StructureOnVideo = 0;   // 32
    std::int32_t StructuresDiagram = 0;  // 65
    std::int32_t ChannelsDiagram = 0;    // 66
    std::int32_t MatrixWindow = 0;       // 63
    std::int32_t Lists = 0;              // 33
    std::int32_t ListPanelHeight = 0;    // 35
    std::int32_t StripesDiagram = 0;     // 64
    std::int32_t VideoImage = 0;         // 34
    std::int32_t SettingsWindow = 0;     // 62
    std::int32_t EventLog = 0;           // 67
};

// Observer for the windows. The engine owns the pictures and the lists; it
// tells the windows what changed and asks them for the few things only a
// window can do. Every method does nothing by default, which is what a
// headless run (tests, the replay tool) wants.
class IViews {
public:
    virtual ~IViews() = default;
    // Places the capture frame window and returns the screen position it then reports.
    virtual void PlaceCaptureFrame(int left, int top, int width, int height, int& reportedLeft,
                                   int& reportedTop)
    {
        (void)width;
        (void)height;
        reportedLeft = left;
        reportedTop = top;
    }
    virtual void SetCaptureFrameVisible(bool) {}
    // Hides the lists, the video, the statistics line and the secondary windows
    // before a configuration is applied.
    virtual void HideForConfiguration() {}
    virtual void ApplyViewParameters(const ViewParameters&) {}
    // Lets pending window messages run (the configuration's settle step).
    virtual void SettleUserInterface() {}
    virtual void VideoChanged() {}
    virtual void SamplePictureChanged() {}
    virtual void MatrixChanged() {}
    virtual void HighlightBestCell(int) {}
    virtual void ClearStripes() {}
    virtual void StripesChanged() {}
    virtual void PointDiagramsChanged() {}
    virtual void DiagramSizesChanged() {}
    virtual void RecognisedListChanged() {}
    virtual void AvailableListChanged() {}
    virtual void StatisticsChanged() {}
    // The Start/Stop command: running = true shows caption (the "Stop" text)
    // and disables the menu items that must not run during recognition;
    // running = false shows caption (the "Start" text) and enables them again.
    virtual void StartStopChanged(bool running, const std::string& caption)
    {
        (void)running;
        (void)caption;
    }
    // Sizes the capture frame window without moving it.
    virtual void SizeCaptureFrame(int width, int height)
    {
        (void)width;
        (void)height;
    }
    // The screen position the capture frame window reports now; left and top
    // come in holding the last known position, which a headless run keeps.
    virtual void CaptureFramePosition(int& left, int& top)
    {
        (void)left;
        (void)top;
    }
    virtual void ShowMainWindow() {}
};

} // namespace okulon
