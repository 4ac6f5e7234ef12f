// The shared tracker state and the operation that derives it from the
// numbered parameters.
//
// There is one TrackerState for the whole run. Every engine operation and,
// later, every window reads and writes it directly. The engine operations take
// an EngineContext: the state plus the ports through which they reach the
// parameters, the log, the screen and the windows.
#pragma once

#include "Bitmap.h"
#include "KeyAction.h"
#include "Ports.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace okulon {

// The channel planes hold a target area of up to 200 x 200 plus a spare row
// and column at index 0.
inline constexpr int PlaneSize = 201;
inline constexpr int MaxTargetSize = 200;
inline constexpr int MaxMatrixSide = 4;
inline constexpr int MaxPointLimit = 100;
inline constexpr int ExcludedTolerance = 999;
// Size of the main window's video picture and of the hidden sample picture.
inline constexpr int VideoWidth = 800;
inline constexpr int VideoHeight = 600;
inline constexpr int SamplePictureSize = 1000;

// One pixel of the channel planes: slots 1..3 red, green, blue; 4..6 used by
// the automatic calibration; 0, 7, 8 unused.
struct PlaneCell {
    std::array<std::int16_t, 9> Slot{};
};

// Field numbers of a PointRecord.
namespace pf {
inline constexpr int Dx = 1, Dy = 2, R = 3, G = 4, B = 5, DR = 6, DG = 7, DB = 8, Tolerance = 10,
                     H = 11, S = 12, L = 13, Extra = 14;
// Header entry 0 of LivePoints: field 2 = number of structure points,
// field 6 = mean brightness of the last sampling. Header entry 0 of a cell of
// SampleMatrix: field 1 = filled flag.
inline constexpr int HeaderCount = 2, HeaderMean = 6, FilledFlag = 1;
} // namespace pf

// One sampled point. LivePoints uses fields 0..17 and the cells of
// SampleMatrix fields 0..16; both are held in this one record (field 17 of a
// cell entry is simply never used).
struct PointRecord {
    std::array<std::int32_t, 18> F{};
};

// Per-cell result of one matching pass.
struct CellScore {
    std::int16_t W = 0;
    std::int16_t X = 0;
    std::int16_t Y = 0;
    std::int16_t Proximity = 0;
    std::int16_t Spare = 0;
    bool operator==(const CellScore&) const = default;
};

struct PointI16 {
    std::int16_t X = 0;
    std::int16_t Y = 0;
    bool operator==(const PointI16&) const = default;
};

struct MatchWorkspace;

struct TrackerState {
    TrackerState();

    // Geometry and settings (ApplyConfiguration).
    std::int16_t TargetWidth = 0;
    std::int16_t TargetHeight = 0;
    PointI16 CaptureOrigin;
    std::int16_t SampleWidth = 0;
    std::int16_t SampleHeight = 0;
    std::int16_t HalfSampleWidth = 0;
    std::int16_t HalfSampleHeight = 0;
    std::int16_t MatrixCols = 0;
    std::int16_t MatrixRows = 0;
    std::int32_t CellCount = 0;
    std::int32_t MaxPoints = 0;
    std::int16_t PointCount = 0;
    std::int16_t Wlim = 0;
    std::int16_t FramePeriodMs = 0;
    std::int16_t MaxShift = 0;
    std::int16_t LossFrames = 0;
    float ProximityCoef = 0.0f;
    bool MirrorVideo = false;
    std::int16_t KeyPointWidth = 0;
    std::int16_t KeyPointHeight = 0;
    std::array<std::int16_t, 17> ChannelWeights{}; // slots 1..9: R G B dR dG dB H S L
    std::int16_t TimeFrame = 0;
    Color StructureColor = 0;
    std::string ReceiverCaption;
    bool UseSendMessage = false;
    std::vector<KeyAction> RowKeys; // rows 0..MatrixRows
    KeyAction NoSampleKey;

    // Pictures and planes.
    std::vector<PlaneCell> PixelPlane; // [x][y], PlaneSize x PlaneSize
    PlaneCell& Plane(int x, int y) { return PixelPlane[static_cast<std::size_t>(x) * PlaneSize + y]; }
    const PlaneCell& Plane(int x, int y) const
    {
        return PixelPlane[static_cast<std::size_t>(x) * PlaneSize + y];
    }
    Bitmap CaptureBitmap;
    std::vector<std::uint8_t> CaptureBuffer; // (W + 1) x (H + 2) x 4 bytes, pixels from byte 1
    Bitmap Video;         // the main window's video picture
    Color VideoPen = 0;   // the video picture's current pen colour
    Bitmap SamplePicture; // the hidden picture of the current sample
    Bitmap MatrixBitmap;  // the pictures of all cells

    // Points and samples.
    std::vector<PointRecord> LivePoints;                 // entries 0..MaxPoints
    std::vector<std::vector<PointRecord>> SampleMatrix;  // cells 0..CellCount, entries 0..MaxPoints
    std::vector<std::array<std::int32_t, 10>> PointChannelDiff; // per-point table of the structures diagram

    // Matching results.
    std::vector<CellScore> CellResult; // cells 0..CellCount
    std::vector<std::int16_t> RowBest; // rows 0..MatrixRows
    std::uint32_t MatchPasses = 0;     // matching passes run so far (for reports)
    PointI16 SearchCentre;             // kept between passes for alignments other than C and F

    // Tracking and loop state.
    std::int16_t TrackX = 0;
    std::int16_t TrackY = 0;
    std::int16_t LossCount = 0;
    std::int16_t CellMode = 0; // -1 sampling; 0 recognise; k >= 1 cell k chosen for capture
    bool CaptureRequested = false;
    std::int16_t BestCell = 0;
    std::int16_t BestW = 0;
    std::int16_t Decision = 0;
    std::int16_t PrevDecision = 0;
    std::int16_t TimeFrameCount = 0;
    bool ActionFired = false;
    std::int16_t MinCellScore = 0;
    bool StopRequested = false;
    std::uint32_t FrameStartTick = 0;
    double FpsValue = 0.0;
    std::uintptr_t ReceiverWindow = 0;
    std::int16_t CurrentRow = 0;
    std::int16_t CurrentCol = 0;

    // What the main window shows as text.
    std::vector<std::string> RecognisedList; // recognised samples
    std::vector<std::string> AvailableList;  // available samples, one line per row
    std::string StatisticsLine;
    bool ShowStructureOnVideo = false; // check mark of the "structure on video" menu item

    // Paths and names.
    std::string StructurePath;
    std::string SoundPath;
    std::string ConfigurationFile;
    std::string LastImportedMatrix;
    std::string MatrixFilePath;

    // Scratch buffers of the matching, kept between passes to avoid
    // reallocating them every frame. Holds no state of its own.
    std::shared_ptr<MatchWorkspace> Workspace;

    // Diagram geometry.
    double StructureScale = 1.0;
    int StructuresDiagramWidth = 0;
    int StructuresDiagramHeight = 0;
};

struct EngineContext;

// Loader the configuration calls "upward" (the structure file and the matrix
// file live above the engine). A returned text is an error message.
using ConfigurationLoader = std::function<std::optional<std::string>(EngineContext&)>;

struct EngineContext {
    TrackerState& S;
    IParameters& Params;
    IEventLog* Log = nullptr;
    IMessages* Messages = nullptr;
    IScreenSource* Screen = nullptr;
    IViews* Views = nullptr;

    // The program's folder with its trailing separator.
    std::string ProgramFolder;
    // Existence test for files; by default the standard library's.
    std::function<bool(const std::string&)> FileExists;
    // Step 12 of ApplyConfiguration: find and load the structure file.
    ConfigurationLoader LoadStructure;
    // Step 21 of ApplyConfiguration: load the matrix of samples file.
    ConfigurationLoader LoadMatrixFile;
    // Time and the receiving program, used by the recognition loop.
    IClock* Clock = nullptr;
    IKeySink* Keys = nullptr;

    IViews& View();
    bool Exists(const std::string& path);
    // Message k of the current language followed directly by suffix, with code 23.
    void LogMessage(int k, const std::string& suffix);
};

struct ApplyResult {
    std::vector<std::string> Errors;
    bool Ok() const { return Errors.empty(); }
};

// Frame period in milliseconds for a rate of fps frames a second.
std::int16_t FramePeriodFromRate(std::int32_t fps);

// The tracking settings that both the configuration and the Start of the
// recognition loop read: frame period, MaxShift, LossFrames, ProximityCoef,
// MirrorVideo, TimeFrame and the key-point block size.
void ReadTrackingSettings(EngineContext& ctx);

// Derives the whole state from the current parameter values. configFile names
// the configuration file the caller has just read, or is empty.
ApplyResult ApplyConfiguration(EngineContext& ctx, const std::string& configFile);

// Parameter 18: hexadecimal RRGGBB into a colour; unreadable text gives white.
Color ParseStructureColor(const std::string& text);

// Sets the pixels of the structure around the centre of the target area.
void DrawStructureOverlay(EngineContext& ctx);

// Rebuilds the available-samples lines: per row, each column's filled flag and a blank.
void ListAvailableSamples(EngineContext& ctx);

// Paints the matrix bitmap blank: white, every cell outlined in grey.
void PaintMatrixBlank(TrackerState& s);

// Clears fields 0..10 of entries first..MaxPoints of every cell 1..CellCount.
void ClearCellFields(TrackerState& s, int firstEntry);

// Resizes a point table keeping the entries that still fit.
void ResizePoints(std::vector<PointRecord>& table, int entries);

} // namespace okulon
