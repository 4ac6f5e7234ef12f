#include "ReplayLoop.h"

#include "Capture.h"
#include "Matching.h"
#include "MatrixOfSamples.h"
#include "ChannelWeights.h"
#include "ImageFiles.h"
#include "ManualClock.h"
#include "MatrixFiles.h"
#include "RecordingKeySink.h"
#include "RecognitionLoop.h"
#include "StructureFile.h"

#include <QFileInfo>

namespace okulon::replay {

namespace {

// Event-log lines go to the tool's error stream, without time stamps so that
// runs can be compared.
class StreamLog : public IEventLog {
public:
    explicit StreamLog(std::ostream& out)
        : m_out(out)
    {
    }
    void WriteLog(const std::string& text, int code) override
    {
        const int window = code / 10;
        const int file = code % 10;
        if (window == 1 || window == 2 || (file >= 1 && file <= 3))
            m_out << "log: " << text << "\n";
    }

private:
    std::ostream& m_out;
};

} // namespace

struct ReplayLoop::Impl {
    Impl(const QString& folder, std::ostream& logStream)
        : programFolder(folder)
        , log(logStream)
        , localisation(parameters, folder)
        , profiles(parameters, localisation, folder + QStringLiteral("/okulon"))
        , ctx{state, parameters, &log, &localisation, &screen, nullptr, {}, {}, {}, {}, &clock, &keys}
        , loop(ctx)
        , calibration(ctx, clock, prompt, nullptr)
    {
        ctx.ProgramFolder = (folder + QStringLiteral("/")).toStdString();
        ctx.LoadStructure = StructureFileLoader();
        ctx.LoadMatrixFile = MatrixFileLoader([this] { return profileFile.toStdString(); });
        profiles.setApplyConfiguration([this](const QString& file) { apply(file.toStdString()); });
    }

    void apply(const std::string& file)
    {
        const ApplyResult r = ApplyConfiguration(ctx, file);
        errors.insert(errors.end(), r.Errors.begin(), r.Errors.end());
    }

    std::vector<std::string> takeErrors() { return std::exchange(errors, {}); }

    QString programFolder;
    QString profileFile; // for the matrix file's fallback names
    StreamLog log;
    ParameterStore parameters;
    Localisation localisation;
    Profiles profiles;
    TrackerState state;
    ImageScreenSource screen;
    ManualClock clock;
    RecordingKeySink keys;
    EngineContext ctx;
    RecognitionLoop loop;
    ICalibrationPrompt prompt;
    AutoCalibration calibration;
    std::vector<std::string> errors;
};

ReplayLoop::ReplayLoop(const QString& programFolder, std::ostream& log)
    : d(std::make_unique<Impl>(programFolder, log))
{
}

ReplayLoop::~ReplayLoop() = default;

std::vector<std::string> ReplayLoop::LoadProfile(const QString& file)
{
    d->profileFile = file;
    d->profiles.setProfileFileName(file);
    d->profiles.LoadSettingsFile(file, true);
    d->apply(file.toStdString());
    return d->takeErrors();
}

std::vector<std::string> ReplayLoop::LoadBuiltInDefaults()
{
    // As a start-up without a profile file: the built-in values, the language
    // they name, and the configuration applied twice.
    QStringList defaults;
    for (int row = 0; row < 128; ++row)
        defaults.append(ParameterStore::defaultLine(row));
    d->parameters.setValues(defaults);
    d->localisation.ApplyCurrentLanguage();
    d->apply(std::string());
    d->apply(std::string());
    return d->takeErrors();
}

ImageScreenSource& ReplayLoop::Screen() { return d->screen; }
TrackerState& ReplayLoop::State() { return d->state; }
EngineContext& ReplayLoop::Context() { return d->ctx; }
ParameterStore& ReplayLoop::Parameters() { return d->parameters; }
AutoCalibration& ReplayLoop::Calibration() { return d->calibration; }
const ICalibrationPrompt& ReplayLoop::Prompt() const { return d->prompt; }

bool ReplayLoop::Running() const
{
    return d->loop.Running();
}

bool ReplayLoop::StartStopClick()
{
    return d->loop.StartStopClick() == StartStopResult::Started;
}

void ReplayLoop::RunLoopFrame()
{
    d->loop.RunFrame();
}

bool ReplayLoop::FinishFrame()
{
    return d->loop.FinishFrame();
}

void ReplayLoop::AdvanceClock()
{
    d->clock.Advance(static_cast<std::uint32_t>(std::max<int>(d->state.FramePeriodMs, 0)));
}

void ReplayLoop::Wait(std::uint32_t ms)
{
    d->clock.Advance(ms);
}

std::vector<std::pair<int, int>> ReplayLoop::TakeFrameKeys()
{
    std::vector<std::pair<int, int>> out;
    for (const RecordedKey& k : d->keys.Keys)
        out.emplace_back(k.Message, k.KeyCode);
    d->keys.ClearKeys();
    return out;
}

std::vector<std::string> ReplayLoop::ApplyCurrentSettings()
{
    d->profiles.ApplyCurrentSettings();
    return d->takeErrors();
}

std::vector<std::string> ReplayLoop::LoadStructure(const QString& path)
{
    if (auto error = LoadStructureFile(d->ctx, path.toStdString()))
        return {*error};
    return {};
}

std::vector<std::string> ReplayLoop::SetChannelWeights()
{
    const ChannelWeightsResult r = SetChannelsFormula(d->ctx);
    if (r.Error)
        return {*r.Error};
    return {};
}

std::vector<std::string> ReplayLoop::LoadMatrix(const QString& path)
{
    if (auto error = LoadMatrixCommand(d->ctx, path.toStdString(), d->profileFile.toStdString()))
        return {*error};
    return {};
}

std::vector<std::string> ReplayLoop::SaveMatrix(const QString& path)
{
    if (auto error = SaveMatrixFile(d->ctx, path.toStdString()))
        return {*error};
    return {};
}

std::vector<std::string> ReplayLoop::DumpMatrix(const QString& path)
{
    if (auto error = WriteBmpFile(path.toStdString(), d->state.MatrixBitmap, 24))
        return {*error};
    return {};
}

} // namespace okulon::replay
