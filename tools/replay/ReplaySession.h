// okulon-replay's run: the program's engine on stored images, stepped frame
// by frame on a virtual clock, with the events of an events file.
#pragma once

#include "AutoCalibration.h"
#include "ImageScreenSource.h"
#include "ReplayInput.h"
#include "SettingsMain.h"
#include "UnitGlobal_v.h"

#include <map>
#include <memory>
#include <ostream>
#include <vector>

namespace okulon::replay {

class ReplayLoop; // the recognition loop and what it drives

class ReplaySession {
public:
    ReplaySession(Options options, std::ostream& out, std::ostream& err);
    ~ReplaySession();
    ReplaySession(const ReplaySession&) = delete;
    ReplaySession& operator=(const ReplaySession&) = delete;

    // Runs the whole replay; the tool's exit code (0, or 2 for bad input).
    int Run();

private:
    enum class Mode { Idle, Recognition, Sampling, Calibration };

    bool prepare();
    bool show(int frame);
    void runEvent(const Event& e);
    bool startLoop();
    bool startCalibration();
    void processFrame(Mode& reported);
    void endCalibrationIfDone();
    void writeFrame(int frame, Mode mode);
    void writeDumps();
    void reportErrors(const std::vector<std::string>& errors);
    bool fail(const QString& message);

    Options m_options;
    std::ostream& m_out;
    std::ostream& m_err;
    QString m_programFolder;
    QStringList m_frames;
    std::map<int, std::vector<Event>> m_events;

    std::unique_ptr<ReplayLoop> m_loop;
    Mode m_mode = Mode::Idle;
    int m_shown = -1;
    std::uint32_t m_passesAtFrameStart = 0;
    bool m_failed = false;
};

} // namespace okulon::replay
