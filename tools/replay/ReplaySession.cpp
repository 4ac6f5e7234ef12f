#include "ReplaySession.h"

#include "Capture.h"
#include "Json.h"
#include "Matching.h"
#include "MatrixOfSamples.h"
#include "Numbers.h"
#include "StructureFile.h"
#include "TextUtil.h"

#include "ReplayLoop.h"

#include <QDir>
#include <QFileInfo>

namespace okulon::replay {

namespace {

const char* modeName(int mode)
{
    switch (mode) {
    case 1:
        return "recognition";
    case 2:
        return "sampling";
    case 3:
        return "calibration";
    default:
        return "idle";
    }
}

} // namespace

ReplaySession::ReplaySession(Options options, std::ostream& out, std::ostream& err)
    : m_options(std::move(options))
    , m_out(out)
    , m_err(err)
{
}

ReplaySession::~ReplaySession() = default;

bool ReplaySession::fail(const QString& message)
{
    m_err << "okulon-replay: " << message.toStdString() << "\n";
    m_failed = true;
    return false;
}

void ReplaySession::reportErrors(const std::vector<std::string>& errors)
{
    // A command that fails shows its error and the run goes on, as in the program.
    for (const std::string& e : errors)
        m_err << "error: " << e << "\n";
}

bool ReplaySession::prepare()
{
    const auto frames = ExpandFrames(m_options.frameArgs);
    if (const auto* e = std::get_if<InputError>(&frames))
        return fail(e->message);
    m_frames = std::get<QStringList>(frames);
    if (m_frames.isEmpty())
        return fail(QStringLiteral("no frames to replay"));
    for (const QString& f : m_frames)
        if (auto e = CheckFrame(f))
            return fail(e->message);

    if (!m_options.events.isEmpty()) {
        const auto events = ReadEvents(m_options.events);
        if (const auto* e = std::get_if<InputError>(&events))
            return fail(e->message);
        for (const Event& e : std::get<std::vector<Event>>(events))
            m_events[e.frame].push_back(e);
    }

    if (!m_options.profile.isEmpty()) {
        const QFileInfo profile(m_options.profile);
        if (!profile.isFile())
            return fail(m_options.profile + QStringLiteral(": no such profile"));
        m_programFolder = profile.absolutePath();
    } else {
        m_programFolder = QDir::currentPath();
    }
    m_loop = std::make_unique<ReplayLoop>(m_programFolder, m_err);

    // Image 0 is on the screen while the profile is loaded and applied.
    if (!show(0))
        return false;
    if (!m_options.profile.isEmpty())
        reportErrors(m_loop->LoadProfile(QFileInfo(m_options.profile).absoluteFilePath()));
    else
        reportErrors(m_loop->LoadBuiltInDefaults());
    return true;
}

bool ReplaySession::show(int frame)
{
    if (frame == m_shown)
        return true;
    auto image = LoadFrame(m_frames.at(frame));
    if (const auto* e = std::get_if<InputError>(&image))
        return fail(e->message);
    m_loop->Screen().Screen() = std::move(std::get<Bitmap>(image));
    m_shown = frame;
    return true;
}

void ReplaySession::runEvent(const Event& e)
{
    ReplayLoop& l = *m_loop;
    TrackerState& s = l.State();
    switch (e.verb) {
    case Verb::Idle:
        break;
    case Verb::Click:
        PlaceTargetByMouse(l.Context(),
            e.button == Button::Left ? MouseButton::Left
                : e.button == Button::Right ? MouseButton::Right
                                            : MouseButton::Middle,
            e.x, e.y);
        break;
    case Verb::Arm:
        if (s.CellMode == -1) {
            s.CaptureRequested = true;
            s.CellMode = static_cast<std::int16_t>(e.number);
        }
        break;
    case Verb::StartStop:
        if (m_mode == Mode::Calibration) {
            m_err << "note: startstop at frame " << e.frame << " ignored while the calibration runs\n";
            break;
        }
        if (m_mode == Mode::Idle)
            startLoop(); // its first frame runs at once
        else
            l.StartStopClick(); // a running loop stops at the end of its frame
        break;
    case Verb::Calibrate:
        if (m_mode != Mode::Idle) {
            m_err << "note: calibrate at frame " << e.frame << " ignored: recognition is running\n";
            break;
        }
        startCalibration();
        break;
    case Verb::F11:
        l.Calibration().RequestEnd();
        break;
    case Verb::Weights:
        reportErrors(l.SetChannelWeights());
        break;
    case Verb::Set:
        l.Parameters().setParamText(e.number, e.text);
        break;
    case Verb::Apply:
        reportErrors(l.ApplyCurrentSettings());
        break;
    case Verb::Structure:
        reportErrors(l.LoadStructure(e.text));
        break;
    case Verb::LoadMatrix:
        reportErrors(l.LoadMatrix(e.text));
        break;
    case Verb::SaveMatrix:
        reportErrors(l.SaveMatrix(e.text));
        break;
    case Verb::ClearMatrix:
        ClearMatrix(l.Context());
        break;
    }
}

bool ReplaySession::startLoop()
{
    if (!m_loop->StartStopClick())
        return false;
    m_mode = Mode::Recognition;
    return true;
}

bool ReplaySession::startCalibration()
{
    if (auto error = m_loop->Calibration().Start()) {
        m_err << "error: " << *error << "\n";
        return false;
    }
    m_mode = Mode::Calibration;
    return true;
}

int ReplaySession::Run()
{
    if (!prepare())
        return 2;

    ReplayLoop& l = *m_loop;
    const int n = static_cast<int>(m_frames.size());
    // The events of the next frame already ran in the wait of this one.
    bool eventsRan = false;

    for (int i = 0; i < n; ++i) {
        if (!show(i))
            return 2;
        m_passesAtFrameStart = l.State().MatchPasses;
        Mode reported = Mode::Idle;
        bool processed = false;

        const std::vector<Event>& events = m_events[i];
        std::size_t next = 0;
        if (!eventsRan) {
            // Idle: the frame's events run now; one that starts a loop runs the
            // loop's first frame at once, and the rest run in that frame's wait.
            while (next < events.size()) {
                const Mode before = m_mode;
                runEvent(events[next++]);
                if (before == Mode::Idle && m_mode != Mode::Idle)
                    break;
            }
            if (i == 0 && m_mode == Mode::Idle && !(events.size() > 0 && events.front().verb == Verb::Idle)
                && next == events.size())
                startLoop();
        }
        if (m_mode != Mode::Idle) {
            processFrame(reported);
            processed = true;
        }
        while (next < events.size() && !eventsRan)
            runEvent(events[next++]);
        if (!processed)
            reported = Mode::Idle;
        writeFrame(i, reported);

        // The wait of frame i: the clock runs to the next frame, the next
        // image appears and its events run; then the stop check.
        l.AdvanceClock();
        eventsRan = false;
        if (i + 1 >= n)
            break;
        if (m_mode != Mode::Idle) {
            if (!show(i + 1))
                return 2;
            for (const Event& e : m_events[i + 1])
                runEvent(e);
            eventsRan = true;
            if (m_mode == Mode::Recognition && !l.FinishFrame())
                m_mode = Mode::Idle;
            if (m_mode == Mode::Calibration)
                endCalibrationIfDone();
        }
    }
    writeDumps();
    return m_failed ? 2 : 0;
}

void ReplaySession::processFrame(Mode& reported)
{
    ReplayLoop& l = *m_loop;
    if (m_mode == Mode::Calibration) {
        l.Calibration().RunFrame();
        reported = Mode::Calibration;
        return;
    }
    reported = l.State().CellMode == -1 ? Mode::Sampling : Mode::Recognition;
    l.RunLoopFrame();
}

void ReplaySession::endCalibrationIfDone()
{
    ReplayLoop& l = *m_loop;
    if (!l.Calibration().FrameLoopDone())
        return;
    // The ending's pause takes no image; the final capture and the first
    // recognition frame use the image now on the screen.
    l.Calibration().BeginEnding();
    l.Wait(AutoCalibration::EndingPauseMs);
    const bool start = l.Calibration().FinishEnding();
    m_mode = Mode::Idle;
    if (start)
        startLoop();
}

void ReplaySession::writeFrame(int frame, Mode mode)
{
    ReplayLoop& l = *m_loop;
    const TrackerState& s = l.State();
    std::string line = "{\"frame\": " + std::to_string(frame) + ", \"mode\": \"" + modeName(static_cast<int>(mode))
        + "\", \"decision\": " + std::to_string(s.Decision) + ", \"best_cell\": " + std::to_string(s.BestCell)
        + ", \"best_w\": " + std::to_string(s.BestW) + ", \"track\": [" + std::to_string(s.TrackX) + ", "
        + std::to_string(s.TrackY) + "], \"cells\": ";
    std::vector<int> cells;
    if (s.MatchPasses != m_passesAtFrameStart) {
        for (int k = 1; k <= s.CellCount && k < static_cast<int>(s.CellResult.size()); ++k)
            cells.push_back(s.CellResult[static_cast<std::size_t>(k)].W);
    }
    line += JsonArray(cells) + ", \"keys\": [";
    const auto keys = l.TakeFrameKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i)
            line += ", ";
        line += "[" + std::to_string(keys[i].first) + ", " + std::to_string(keys[i].second) + "]";
    }
    line += "], \"stats\": " + JsonString(s.StatisticsLine);
    if (mode == Mode::Calibration) {
        const AutoCalibration& c = l.Calibration();
        line += ", \"step\": " + std::to_string(c.CurrentStep()) + ", \"prompt\": " + JsonString(l.Prompt().NumberText())
            + ", \"eye\": [" + std::to_string(static_cast<long long>(RoundHalfEven(c.EyeX()))) + ", "
            + std::to_string(static_cast<long long>(RoundHalfEven(c.EyeY()))) + "], \"blobs\": ["
            + std::to_string(c.LargestBlob()) + ", " + std::to_string(c.SecondBlob()) + "]";
    }
    line += "}\n";
    m_out << line;
    m_out.flush();
}

void ReplaySession::writeDumps()
{
    ReplayLoop& l = *m_loop;
    if (!m_options.dumpMatrix.isEmpty())
        reportErrors(l.DumpMatrix(m_options.dumpMatrix));
    if (!m_options.dumpParams.isEmpty()) {
        QStringList lines;
        const QStringList values = l.Parameters().values();
        for (int r = 0; r < values.size(); ++r)
            lines.append(QStringLiteral("%1=%2").arg(r + 1).arg(values.at(r)));
        QByteArray bytes;
        for (const QString& line : lines)
            bytes += line.toUtf8() + "\n";
        if (!WriteFileAtomically(m_options.dumpParams, bytes))
            fail(m_options.dumpParams + QStringLiteral(": cannot write"));
    }
}

} // namespace okulon::replay
