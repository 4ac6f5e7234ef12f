#include "UnitGlobal_v.h"

#include "Numbers.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace okulon {

namespace {

IViews& NoViews()
{
    static IViews none; // every method of the observer does nothing by default
    return none;
}

void SetPixelAt(Bitmap& bmp, long long x, long long y, Color c)
{
    if (x >= 0 && y >= 0 && x < bmp.Width() && y < bmp.Height())
        bmp.SetPixel(static_cast<int>(x), static_cast<int>(y), c);
}

} // namespace

TrackerState::TrackerState()
    : PixelPlane(static_cast<std::size_t>(PlaneSize) * PlaneSize)
    , Video(VideoWidth, VideoHeight, Black)
    , SamplePicture(SamplePictureSize, SamplePictureSize, White)
{
}

IViews& EngineContext::View()
{
    return Views ? *Views : NoViews();
}

bool EngineContext::Exists(const std::string& path)
{
    if (FileExists)
        return FileExists(path);
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

void EngineContext::LogMessage(int k, const std::string& suffix)
{
    if (!Log)
        return;
    const std::string text = Messages ? Messages->GetMessageText(k) : std::string();
    Log->WriteLog(text + suffix, 23);
}

void ResizePoints(std::vector<PointRecord>& table, int entries)
{
    table.resize(static_cast<std::size_t>(std::max(entries, 0)));
}

void ClearCellFields(TrackerState& s, int firstEntry)
{
    for (int k = 1; k <= s.CellCount && k < static_cast<int>(s.SampleMatrix.size()); ++k) {
        auto& cell = s.SampleMatrix[static_cast<std::size_t>(k)];
        for (int p = firstEntry; p <= s.MaxPoints && p < static_cast<int>(cell.size()); ++p)
            std::fill_n(cell[static_cast<std::size_t>(p)].F.begin(), 11, 0);
    }
}

void PaintMatrixBlank(TrackerState& s)
{
    s.MatrixBitmap.Fill(White);
    for (int c = 0; c <= s.MatrixCols; ++c)
        for (int r = 0; r <= s.MatrixRows; ++r)
            FrameRect(s.MatrixBitmap, c * s.SampleWidth, r * s.SampleHeight, (c + 1) * s.SampleWidth,
                      (r + 1) * s.SampleHeight, Rgb(128, 128, 128));
}

void ListAvailableSamples(EngineContext& ctx)
{
    TrackerState& s = ctx.S;
    s.AvailableList.clear();
    std::string line;
    for (int k = 1; k <= s.CellCount && k < static_cast<int>(s.SampleMatrix.size()); ++k) {
        const auto& cell = s.SampleMatrix[static_cast<std::size_t>(k)];
        const int flag = cell.empty() ? 0 : cell[0].F[pf::FilledFlag];
        line += std::to_string(flag);
        line += ' ';
        if ((k - 1) % s.MatrixCols == s.MatrixCols - 1) {
            s.AvailableList.push_back(line);
            line.clear();
        }
    }
    ctx.View().AvailableListChanged();
}

Color ParseStructureColor(const std::string& text)
{
    // Plain hexadecimal digits only (no "#", no blanks). A value above FFFFFF
    // has no colour of its own: it is treated like an unreadable text (white).
    if (text.empty() || text.size() > 8)
        return White;
    std::uint32_t v = 0;
    for (char ch : text) {
        int d;
        if (ch >= '0' && ch <= '9')
            d = ch - '0';
        else if (ch >= 'a' && ch <= 'f')
            d = ch - 'a' + 10;
        else if (ch >= 'A' && ch <= 'F')
            d = ch - 'A' + 10;
        else
            return White;
        v = v * 16 + static_cast<std::uint32_t>(d);
    }
    if (v > 0xFFFFFF)
        return White;
    return Rgb(static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
               static_cast<int>(v & 0xFF));
}

void DrawStructureOverlay(EngineContext& ctx)
{
    TrackerState& s = ctx.S;
    if (s.PointCount > 0) {
        const long long cx = s.TargetWidth / 2;
        const long long cy = s.TargetHeight / 2;
        const int last = std::min<int>(s.PointCount, static_cast<int>(s.LivePoints.size()) - 1);
        for (int p = 1; p <= last; ++p) {
            const auto& e = s.LivePoints[static_cast<std::size_t>(p)].F;
            if (e[pf::Tolerance] != ExcludedTolerance)
                SetPixelAt(s.Video, cx + e[pf::Dx], cy + e[pf::Dy], s.StructureColor);
        }
    }
    ctx.View().VideoChanged();
}

std::int16_t FramePeriodFromRate(std::int32_t fps)
{
    // A rate below 1 frame per second has no period (1000 / 0) or a negative
    // one; the default rate of 20 frames per second stands in for it.
    return fps >= 1 ? RoundToInt16(1000.0 / fps) : static_cast<std::int16_t>(50);
}

void ReadTrackingSettings(EngineContext& ctx)
{
    TrackerState& s = ctx.S;
    IParameters& P = ctx.Params;
    s.FramePeriodMs = FramePeriodFromRate(P.GetParamInt(5));
    s.MaxShift = SaturateInt16(P.GetParamInt(6));
    s.LossFrames = SaturateInt16(P.GetParamInt(7));
    s.ProximityCoef = static_cast<float>(P.GetParamInt(8)) / 100.0f;
    s.MirrorVideo = P.GetParamInt(9) == 1;
    s.TimeFrame = static_cast<std::int16_t>(std::clamp(P.GetParamInt(50), 1, 32767));
    s.KeyPointWidth = SaturateInt16(P.GetParamInt(14));
    s.KeyPointHeight = SaturateInt16(P.GetParamInt(15));
}

ApplyResult ApplyConfiguration(EngineContext& ctx, const std::string& configFile)
{
    TrackerState& s = ctx.S;
    IParameters& P = ctx.Params;
    IViews& views = ctx.View();
    ApplyResult result;

    // 1. The configuration file just read.
    if (!configFile.empty() && ctx.Exists(configFile)) {
        s.ConfigurationFile = configFile;
        ctx.LogMessage(26, configFile);
    }

    // 2. Repairs written back into the parameters.
    if (P.GetParamInt(13) > 100)
        P.SetParamText(13, "100");
    for (int n : {23, 24})
        if (P.GetParamInt(n) > 4)
            P.SetParamText(n, "4");
    for (int n : {21, 22})
        if (P.GetParamInt(n) > 200)
            P.SetParamText(n, "200");
    for (int n : {35, 47, 65, 67, 68})
        P.SetParamText(n, "0");
    for (int n : {103, 104, 105, 106, 116})
        P.SetParamText(n, "");

    // 3. Target and sample geometry. Sizes have no lower limit in the
    // parameters; a negative size is taken as 0 so that no array is sized
    // from it.
    // The minimum score is capped at 200 like the two target sizes read with it.
    s.Wlim = SaturateInt16(std::min(P.GetParamInt(4), 200));
    s.TargetWidth = static_cast<std::int16_t>(std::clamp(P.GetParamInt(25), 0, MaxTargetSize));
    s.TargetHeight = static_cast<std::int16_t>(std::clamp(P.GetParamInt(26), 0, MaxTargetSize));
    s.SampleWidth = SaturateInt16(std::max(P.GetParamInt(21), 0));
    s.SampleHeight = SaturateInt16(std::max(P.GetParamInt(22), 0));
    s.SampleWidth = std::min(s.SampleWidth, s.TargetWidth);
    s.SampleHeight = std::min(s.SampleHeight, s.TargetHeight);
    s.HalfSampleWidth = static_cast<std::int16_t>(s.SampleWidth / 2);
    s.HalfSampleHeight = static_cast<std::int16_t>(s.SampleHeight / 2);

    // 4.
    s.LastImportedMatrix.clear();

    // 5. Matrix shape. A count of 0 (or a negative one, taken as 0) gives a
    // matrix without cells: nothing can be stored and nothing matches.
    s.MatrixCols = static_cast<std::int16_t>(std::clamp(P.GetParamInt(23), 0, MaxMatrixSide));
    s.MatrixRows = static_cast<std::int16_t>(std::clamp(P.GetParamInt(24), 0, MaxMatrixSide));
    s.MaxPoints = std::clamp(P.GetParamInt(13), 1, MaxPointLimit);
    s.CellCount = s.MatrixCols * s.MatrixRows;

    // 6. Arrays, keeping what still fits.
    s.SampleMatrix.resize(static_cast<std::size_t>(s.CellCount) + 1);
    for (auto& cell : s.SampleMatrix)
        ResizePoints(cell, s.MaxPoints + 1);
    ResizePoints(s.LivePoints, s.MaxPoints + 1);
    s.CaptureBuffer.resize(static_cast<std::size_t>(s.TargetWidth + 1) * (s.TargetHeight + 2) * 4);
    s.RowKeys.resize(static_cast<std::size_t>(s.MatrixRows) + 1);
    s.PointChannelDiff.resize(static_cast<std::size_t>(s.MaxPoints) + 1);

    // 7. No structure and no points.
    for (auto& e : s.LivePoints)
        std::fill_n(e.F.begin(), 11, 0);
    s.PointCount = 0;

    // 8. Every cell empty.
    ClearCellFields(s, 0);

    // 9. Capture frame window.
    int left = 0;
    int top = 0;
    views.PlaceCaptureFrame(P.GetParamInt(27), P.GetParamInt(28), s.TargetWidth, s.TargetHeight, left, top);
    s.CaptureOrigin = {SaturateInt16(left), SaturateInt16(top)};
    views.SetCaptureFrameVisible(false);

    // 10.
    s.Video.Fill(Black);
    s.CaptureBitmap.SetSize(s.TargetWidth, s.TargetHeight, Black);
    views.VideoChanged();

    // 11.
    const std::string method = P.GetParamText(102);
    if (method == "S")
        s.UseSendMessage = true;
    else if (method == "P")
        s.UseSendMessage = false;
    ReadTrackingSettings(ctx);
    s.ReceiverCaption = P.GetParamText(101);

    // 12. Structure file.
    s.StructurePath = ctx.ProgramFolder + P.GetParamText(12);
    s.SoundPath = ctx.ProgramFolder + "Okulon.wav";
    if (ctx.LoadStructure) {
        if (auto err = ctx.LoadStructure(ctx))
            result.Errors.push_back(*err);
    }

    // 13, 14. Keys. A value that does not parse is reported and the remaining
    // rows are still applied, so one bad row cannot leave the others unset.
    for (int r = 0; r <= s.MatrixRows; ++r) {
        KeyAction& entry = s.RowKeys[static_cast<std::size_t>(r)];
        entry = {};
        if (auto err = ParseKeyAction(P.GetParamText(112 + r), entry))
            result.Errors.push_back(*err);
    }
    if (auto err = ParseKeyAction(P.GetParamText(111), s.NoSampleKey))
        result.Errors.push_back(*err);

    // 15.
    s.StructureColor = ParseStructureColor(P.GetParamText(18));

    // 16.
    views.HideForConfiguration();

    // 17. Matrix picture.
    s.MatrixBitmap.SetSize(s.MatrixCols * s.SampleWidth, s.MatrixRows * s.SampleHeight, White);
    PaintMatrixBlank(s);
    views.MatrixChanged();
    views.ClearStripes();

    // 18. Cells cleared again with the MaxPoints now in force.
    for (auto& cell : s.SampleMatrix)
        if (static_cast<int>(cell.size()) < s.MaxPoints + 1)
            ResizePoints(cell, s.MaxPoints + 1);
    ClearCellFields(s, 0);
    s.CaptureRequested = false;
    s.CellMode = 0;
    s.CurrentRow = 0;
    s.CurrentCol = 0;
    ListAvailableSamples(ctx);

    // 19.
    const std::int32_t scale = P.GetParamInt(19);
    s.StructureScale = scale == 0 ? 1.0 : scale / 100.0;

    // 20. Channel weights. Only slots 1..16 exist: characters after the 16th
    // are ignored. A character that is not a digit is reported and leaves its
    // slot as it was.
    const std::string formula = P.GetParamText(16);
    for (std::size_t i = 1; i <= formula.size() && i < s.ChannelWeights.size(); ++i) {
        const char ch = formula[i - 1];
        if (ch >= '0' && ch <= '9')
            s.ChannelWeights[i] = static_cast<std::int16_t>(ch - '0');
        else
            result.Errors.push_back("'" + std::string(1, ch) + "' is not a valid integer value (channel formula \"" +
                                    formula + "\")");
    }

    // 21. Matrix of samples file.
    if (ctx.LoadMatrixFile) {
        if (auto err = ctx.LoadMatrixFile(ctx))
            result.Errors.push_back(*err);
    }

    // 22. View parameters, in this order.
    ViewParameters vp;
    vp.StructureOnVideo = P.GetParamInt(32);
    vp.StructuresDiagram = P.GetParamInt(65);
    vp.ChannelsDiagram = P.GetParamInt(66);
    vp.MatrixWindow = P.GetParamInt(63);
    vp.Lists = P.GetParamInt(33);
    vp.ListPanelHeight = P.GetParamInt(35);
    vp.StripesDiagram = P.GetParamInt(64);
    vp.VideoImage = P.GetParamInt(34);
    vp.SettingsWindow = P.GetParamInt(62);
    vp.EventLog = P.GetParamInt(67);
    s.ShowStructureOnVideo = vp.StructureOnVideo == 1;
    views.ApplyViewParameters(vp);

    // 23.
    views.SettleUserInterface();
    views.SetCaptureFrameVisible(true);
    DrawStructureOverlay(ctx);

    // 24.
    // Held to 0..32767 so that an extreme scale cannot size a picture beyond reason.
    auto side = [](double v) { return static_cast<int>(std::clamp(RoundHalfEven(v), 0.0, 32767.0)); };
    s.StructuresDiagramWidth = side(3.0 * s.SampleWidth * s.StructureScale);
    s.StructuresDiagramHeight = side(3.0 * s.SampleHeight * s.StructureScale);
    views.DiagramSizesChanged();

    return result;
}

} // namespace okulon
