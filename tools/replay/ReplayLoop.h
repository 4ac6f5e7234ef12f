// Everything the replay drives: the settings, the engine state and its ports
// (a stored image for the screen, a virtual clock, a recording key sink), the
// recognition loop and the automatic calibration.
#pragma once

#include "AutoCalibration.h"
#include "ImageScreenSource.h"
#include "SettingsMain.h"
#include "UnitGlobal_v.h"

#include <QString>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace okulon::replay {

class ReplayLoop {
public:
    ReplayLoop(const QString& programFolder, std::ostream& log);
    ~ReplayLoop();
    ReplayLoop(const ReplayLoop&) = delete;
    ReplayLoop& operator=(const ReplayLoop&) = delete;

    // Start-up: the profile loaded with apply, then the configuration applied
    // again; or the built-in defaults the same way. Returns the errors shown.
    std::vector<std::string> LoadProfile(const QString& file);
    std::vector<std::string> LoadBuiltInDefaults();

    ImageScreenSource& Screen();
    TrackerState& State();
    EngineContext& Context();
    ParameterStore& Parameters();
    AutoCalibration& Calibration();
    const ICalibrationPrompt& Prompt() const;

    // The recognition loop.
    bool Running() const;
    // True when the click started the loop: its first frame runs at once.
    bool StartStopClick();
    void RunLoopFrame();
    // The stop check after a frame's wait: false when the loop has ended.
    bool FinishFrame();

    // The virtual clock: a frame period, or an explicit pause.
    void AdvanceClock();
    void Wait(std::uint32_t ms);

    // Keys delivered since the last call: (message, key code).
    std::vector<std::pair<int, int>> TakeFrameKeys();

    // Menu commands; each returns the errors it shows.
    std::vector<std::string> ApplyCurrentSettings();
    std::vector<std::string> SetChannelWeights();
    std::vector<std::string> LoadStructure(const QString& path);
    std::vector<std::string> LoadMatrix(const QString& path);
    std::vector<std::string> SaveMatrix(const QString& path);
    std::vector<std::string> DumpMatrix(const QString& path);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace okulon::replay
