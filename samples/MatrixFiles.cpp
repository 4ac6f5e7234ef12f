#include "MatrixFiles.h"

#include "Capture.h"
#include "ImageFiles.h"
#include "MatrixOfSamples.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <vector>

namespace okulon {

namespace {

// Log texts A and B of the load and import lines: the line names the file
// read and the cell size, so messages 20 ("Loading a sample from the file:")
// and 21 ("Sample dimensions:") are used.
constexpr int LoadedFileMessage = 20;
constexpr int CellSizeMessage = 21;
constexpr int SavedFileMessage = 22;

// Sample folders are searched this deep at most; deeper trees are not ours.
constexpr int MaxFolderDepth = 16;

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

std::string Message(EngineContext& ctx, int k)
{
    return ctx.Messages ? ctx.Messages->GetMessageText(k) : std::string();
}

void Log(EngineContext& ctx, const std::string& text)
{
    if (ctx.Log)
        ctx.Log->WriteLog(text, 23);
}

// A refused command: one log line, and the same text for the error path.
std::optional<std::string> Refuse(EngineContext& ctx, const std::string& text)
{
    Log(ctx, text);
    return text;
}

int FilledFlag(const TrackerState& s, int k)
{
    if (k < 0 || k >= static_cast<int>(s.SampleMatrix.size()) || s.SampleMatrix[static_cast<std::size_t>(k)].empty())
        return 0;
    return s.SampleMatrix[static_cast<std::size_t>(k)][0].F[pf::FilledFlag];
}

void SetFilledFlag(TrackerState& s, int k, int flag)
{
    if (k >= 1 && k < static_cast<int>(s.SampleMatrix.size()) && !s.SampleMatrix[static_cast<std::size_t>(k)].empty())
        s.SampleMatrix[static_cast<std::size_t>(k)][0].F[pf::FilledFlag] = flag;
}

// Each cell is re-taken with the mode that holds at the moment it is taken:
// with no structure loaded the first cell lays the built-in pattern, which from
// then on counts as the structure for the cells after it.
void RecomputeFilledCells(EngineContext& ctx)
{
    TrackerState& s = ctx.S;
    for (int k = 1; k <= s.CellCount; ++k) {
        if (FilledFlag(s, k) != 1)
            continue;
        const bool noStructure = s.LivePoints.empty() || s.LivePoints[0].F[pf::HeaderCount] == 0;
        RecomputeCell(ctx, k, noStructure ? RecomputeMode::DefaultPattern : RecomputeMode::Structure);
    }
}

// The grey outline of every cell, over whatever the picture holds.
void DrawCellOutlines(TrackerState& s)
{
    for (int c = 0; c <= s.MatrixCols; ++c)
        for (int r = 0; r <= s.MatrixRows; ++r)
            FrameRect(s.MatrixBitmap, c * s.SampleWidth, r * s.SampleHeight, (c + 1) * s.SampleWidth,
                      (r + 1) * s.SampleHeight, Rgb(128, 128, 128));
}

void FinishMatrixChange(EngineContext& ctx)
{
    DrawCellOutlines(ctx.S);
    ctx.View().MatrixChanged();
    CaptureFrame(ctx);
    DrawStructureOverlay(ctx);
}

void SetSampleSize(EngineContext& ctx, int width, int height)
{
    TrackerState& s = ctx.S;
    s.SampleWidth = static_cast<std::int16_t>(width);
    s.SampleHeight = static_cast<std::int16_t>(height);
    s.HalfSampleWidth = static_cast<std::int16_t>(width / 2);
    s.HalfSampleHeight = static_cast<std::int16_t>(height / 2);
    ctx.Params.SetParamInt(21, width);
    ctx.Params.SetParamInt(22, height);
}

std::string TwoDigits(int v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

std::string SizeText(int width, int height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

std::optional<std::string> RefuseCellSize(EngineContext& ctx, const std::string& path, int width, int height)
{
    const TrackerState& s = ctx.S;
    return Refuse(ctx, "\"" + path + "\" not loaded: its cells of " + SizeText(width, height) +
                           " pixels do not fit the target area of " + SizeText(s.TargetWidth, s.TargetHeight) +
                           "; the matrix of samples is unchanged");
}

bool EndsWithBmp(const QString& name)
{
    return name.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive);
}

// Every "*.bmp" file in folder and its subfolders: each folder's entries in
// byte-wise name order, a subfolder's files at the subfolder's place. Linked
// folders are not followed.
void ListBmpFiles(const QString& folder, int depth, std::vector<QString>& out)
{
    if (depth > MaxFolderDepth)
        return;
    QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::NoSort);
    std::sort(entries.begin(), entries.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return a.fileName().toUtf8() < b.fileName().toUtf8();
    });
    for (const QFileInfo& e : entries) {
        const QString path = folder + QLatin1Char('/') + e.fileName();
        if (e.isDir()) {
            if (!e.isSymLink())
                ListBmpFiles(path, depth + 1, out);
        } else if (e.isFile() && EndsWithBmp(e.fileName())) {
            out.push_back(path);
        }
    }
}

// The column written in the two characters before ".bmp": two digits, or a
// sign and one digit.
std::optional<int> ColumnOfName(const QString& path)
{
    if (path.size() < 6)
        return std::nullopt;
    const QString two = path.mid(path.size() - 6, 2);
    const QChar a = two[0], b = two[1];
    if (b.unicode() < '0' || b.unicode() > '9')
        return std::nullopt;
    const int low = b.unicode() - '0';
    if (a.unicode() >= '0' && a.unicode() <= '9')
        return (a.unicode() - '0') * 10 + low;
    if (a == QLatin1Char('+'))
        return low;
    if (a == QLatin1Char('-'))
        return -low;
    return std::nullopt;
}

} // namespace

bool CellSizeFits(const TrackerState& s, int width, int height)
{
    return width >= 1 && height >= 1 && width <= s.TargetWidth && height <= s.TargetHeight &&
           width < PlaneSize && height < PlaneSize;
}

std::optional<std::string> LoadMatrixFile(EngineContext& ctx, const std::string& pathIn, const std::string& profilePath)
{
    TrackerState& s = ctx.S;

    // 1..4. The file, or one of the two named after the profile. A profile
    // name too short to carry an extension has no such files.
    std::string path = ctx.Exists(pathIn) ? pathIn : std::string();
    const QString profile = Q(profilePath);
    if (path.empty() && profile.size() >= 4) {
        const QString folder = profile.chopped(4);
        const std::string candidate = (folder + QStringLiteral("/CurrentUser.bmp")).toStdString();
        if (QFileInfo(folder).isDir() && ctx.Exists(candidate))
            path = candidate;
    }
    if (path.empty() && profile.size() >= 4) {
        const std::string candidate = (profile.chopped(3) + QStringLiteral("bmp")).toStdString();
        if (ctx.Exists(candidate))
            path = candidate;
    }
    if (path.empty())
        return std::nullopt;

    // The picture is read and its cell size checked before anything changes:
    // an unreadable file, or cells the sampling cannot hold (wider or higher
    // than the target area, or less than one pixel), leave the matrix, the
    // sample size and parameters 21 and 22 as they were. This also covers the
    // limit of 800 x 600 pixels per cell, which is far above the target area.
    if (s.MatrixCols <= 0 || s.MatrixRows <= 0)
        return Refuse(ctx, "\"" + path + "\" not loaded: the matrix of samples has no cells");
    int width = 0, height = 0;
    if (auto err = ReadImageSize(path, ImageFormat::Bmp, width, height))
        return Refuse(ctx, *err + "; the matrix of samples is unchanged");
    if (!CellSizeFits(s, width / s.MatrixCols, height / s.MatrixRows))
        return RefuseCellSize(ctx, path, width / s.MatrixCols, height / s.MatrixRows);
    Bitmap picture;
    if (auto err = ReadImageFile(path, ImageFormat::Bmp, picture))
        return Refuse(ctx, *err + "; the matrix of samples is unchanged");

    // 5, 6.
    ClearCellFields(s, 0);
    ClearMatrix(ctx, true);
    // 7, 8. The picture keeps its own size; pixels right of and below the last
    // whole cell are carried along but belong to no cell.
    s.MatrixBitmap = std::move(picture);
    // 9, 10.
    SetSampleSize(ctx, width / s.MatrixCols, height / s.MatrixRows);
    // 11.
    Log(ctx, Message(ctx, LoadedFileMessage) + path + ", " + Message(ctx, CellSizeMessage) +
                 SizeText(s.SampleWidth, s.SampleHeight));
    // 12, 13.
    s.CaptureRequested = false;
    for (int k = 1; k <= s.CellCount; ++k)
        SetFilledFlag(s, k, 1);
    RecomputeFilledCells(ctx);

    // 14. The white test: a cell whose sampled points are all pure white is
    // empty. With no sampled point there is nothing to test and the cell stays.
    s.AvailableList.clear();
    std::string line;
    for (int k = 1; k <= s.CellCount; ++k) {
        if (FilledFlag(s, k) != 1)
            continue;
        const auto& cell = s.SampleMatrix[static_cast<std::size_t>(k)];
        const int points = std::min<int>(s.PointCount, static_cast<int>(cell.size()) - 1);
        if (s.PointCount > 0 && points > 0) {
            long long sum = 0;
            for (int p = 1; p <= points; ++p) {
                const auto& f = cell[static_cast<std::size_t>(p)].F;
                sum += (static_cast<long long>(f[pf::R]) + f[pf::G] + f[pf::B]) / 3;
            }
            if (sum / s.PointCount == 255)
                SetFilledFlag(s, k, 0);
        }
        line += std::to_string(FilledFlag(s, k));
        line += ' ';
        if ((k - 1) % s.MatrixCols == s.MatrixCols - 1) {
            s.AvailableList.push_back(line);
            line.clear();
        }
    }
    ctx.View().AvailableListChanged();

    // 15.
    FinishMatrixChange(ctx);
    return std::nullopt;
}

std::optional<std::string> LoadMatrixCommand(EngineContext& ctx, const std::string& chosen,
                                             const std::string& profilePath)
{
    TrackerState& s = ctx.S;
    if (chosen.empty())
        return std::nullopt;
    const std::string previous = s.MatrixFilePath;
    s.MatrixFilePath = chosen;
    if (auto err = LoadMatrixFile(ctx, chosen, profilePath)) {
        s.MatrixFilePath = previous;
        return err;
    }
    ctx.Params.SetParamText(51, chosen);
    return std::nullopt;
}

std::optional<std::string> SaveMatrixFile(EngineContext& ctx, const std::string& chosen)
{
    TrackerState& s = ctx.S;
    if (chosen.empty())
        return std::nullopt; // a cancelled dialog
    // ".bmp" is appended always, also to a name that already ends in it.
    const std::string path = chosen + ".bmp";
    // Written with 24 bits per pixel: the picture has no alpha to keep, and
    // every reader takes this depth. MatrixFilePath and parameter 51 name the
    // file only once it has been written completely.
    if (auto err = WriteBmpFile(path, s.MatrixBitmap, 24))
        return Refuse(ctx, *err + "; the matrix file was not saved");
    s.MatrixFilePath = path;
    ctx.Params.SetParamText(51, path);
    Log(ctx, Message(ctx, SavedFileMessage) + path);
    return std::nullopt;
}

std::optional<std::string> ExportSampleFolder(EngineContext& ctx, const std::string& folder)
{
    TrackerState& s = ctx.S;
    if (folder.empty())
        return std::nullopt;
    int count = 0;
    for (int k = 1; k <= s.CellCount && s.MatrixCols > 0; ++k) {
        if (FilledFlag(s, k) != 1)
            continue;
        const int c = (k - 1) % s.MatrixCols;
        const int r = (k - 1) / s.MatrixCols;
        const std::string rowFolder = folder + "/" + TwoDigits(r);
        if (!QFileInfo(Q(rowFolder)).isDir() && !QDir().mkpath(Q(rowFolder)))
            return Refuse(ctx, "Cannot create folder \"" + rowFolder + "\"; " + std::to_string(count) +
                                   " samples were exported");
        Bitmap cell(s.SampleWidth, s.SampleHeight);
        CopyRect(s.MatrixBitmap, c * s.SampleWidth, r * s.SampleHeight, s.SampleWidth, s.SampleHeight, cell, 0, 0);
        if (auto err = WriteBmpFile(rowFolder + "/" + TwoDigits(c) + ".bmp", cell, 32))
            return Refuse(ctx, *err + "; " + std::to_string(count) + " samples were exported");
        ++count;
    }
    Log(ctx, Message(ctx, SavedFileMessage) + folder + " K=" + std::to_string(count));
    return std::nullopt;
}

std::optional<std::string> ImportSampleFolder(EngineContext& ctx, const std::string& folder)
{
    TrackerState& s = ctx.S;
    if (folder.empty())
        return std::nullopt;

    // Every file is looked at before the matrix changes: a file whose name
    // carries no column number or whose picture cannot be read refuses the
    // whole import, and so does a first picture whose size the sampling cannot
    // hold. Files of another size than the first, and column numbers outside
    // 0..MatrixCols - 1 (negative ones included), are skipped. Of several
    // files for one cell the last found wins, as when they are copied in turn.
    bool first = true;
    int width = s.SampleWidth, height = s.SampleHeight;
    std::map<int, std::pair<int, Bitmap>> cells; // cell k -> (file index, picture)
    for (int r = 0; r < s.MatrixRows; ++r) {
        const QString rowFolder = Q(folder) + QLatin1Char('/') + Q(TwoDigits(r));
        if (!QFileInfo(rowFolder).isDir())
            continue;
        std::vector<QString> files;
        ListBmpFiles(rowFolder, 0, files);
        for (const QString& file : files) {
            const std::string path = file.toStdString();
            int w = 0, h = 0;
            if (auto err = ReadImageSize(path, ImageFormat::Bmp, w, h))
                return Refuse(ctx, *err + "; the import was cancelled, the matrix of samples is unchanged");
            if (first) {
                if (!CellSizeFits(s, w, h))
                    return RefuseCellSize(ctx, path, w, h);
                width = w;
                height = h;
                first = false;
            }
            const std::optional<int> c = ColumnOfName(file);
            if (!c)
                return Refuse(ctx, "\"" + path +
                                       "\" is not named by a column number (00.bmp, 01.bmp, ...); the import was "
                                       "cancelled, the matrix of samples is unchanged");
            if (w != width || h != height || *c < 0 || *c > s.MatrixCols - 1)
                continue;
            Bitmap picture;
            if (auto err = ReadImageFile(path, ImageFormat::Bmp, picture))
                return Refuse(ctx, *err + "; the import was cancelled, the matrix of samples is unchanged");
            cells[r * s.MatrixCols + *c + 1] = {*c, std::move(picture)};
        }
    }

    // 2.
    ClearCellFields(s, 0);
    ClearMatrix(ctx);
    // 3.
    if (!first) {
        SetSampleSize(ctx, width, height);
        s.MatrixBitmap.SetSize(s.MatrixCols * width, s.MatrixRows * height, White);
        ClearMatrix(ctx);
    }
    for (auto& [k, entry] : cells) {
        const int r = (k - 1) / s.MatrixCols;
        CopyRect(entry.second, 0, 0, width, height, s.MatrixBitmap, entry.first * width, r * height);
        SetFilledFlag(s, k, 1);
    }
    // 4.
    s.CellMode = 0;
    ctx.View().MatrixChanged();
    // 5.
    Log(ctx, Message(ctx, LoadedFileMessage) + s.MatrixFilePath + ", " + Message(ctx, CellSizeMessage) +
                 SizeText(s.SampleWidth, s.SampleHeight));
    // 6.
    s.CaptureRequested = false;
    RecomputeFilledCells(ctx);
    ListAvailableSamples(ctx);
    s.LastImportedMatrix = folder;
    // 7.
    FinishMatrixChange(ctx);
    return std::nullopt;
}

ConfigurationLoader MatrixFileLoader(std::function<std::string()> profilePath)
{
    return [profilePath = std::move(profilePath)](EngineContext& ctx) {
        return LoadMatrixFile(ctx, ctx.Params.GetParamText(51), profilePath ? profilePath() : std::string());
    };
}

} // namespace okulon
