#include "StructureFile.h"

#include "Capture.h"
#include "MatrixOfSamples.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <limits>

namespace okulon {

namespace {

// Reads white-space separated integers the way a text reader does: white
// space (line ends included) before a number is skipped, and the end of the
// text reads as 0.
class NumberReader {
public:
    explicit NumberReader(const std::string& text)
        : text_(text)
    {
    }

    bool AtEnd() const { return pos_ >= text_.size(); }

    std::optional<std::string> Read(long long lo, long long hi, long long& value)
    {
        while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) <= ' ' && text_[pos_] != '\0')
            ++pos_;
        value = 0;
        if (pos_ >= text_.size())
            return std::nullopt;
        const std::size_t start = pos_;
        while (pos_ < text_.size() && (static_cast<unsigned char>(text_[pos_]) > ' ' || text_[pos_] == '\0'))
            ++pos_;
        const std::string token = text_.substr(start, pos_ - start);
        std::size_t i = 0;
        bool negative = false;
        if (i < token.size() && (token[i] == '-' || token[i] == '+')) {
            negative = token[i] == '-';
            ++i;
        }
        if (i == token.size())
            return Invalid(token);
        long long v = 0;
        for (; i < token.size(); ++i) {
            if (token[i] < '0' || token[i] > '9')
                return Invalid(token);
            v = v * 10 + (token[i] - '0');
            if (v > (1LL << 40))
                break; // far out of any range: no need to read on
        }
        if (negative)
            v = -v;
        if (i < token.size() || v < lo || v > hi)
            return "\"" + Shorten(token) + "\" is out of range " + std::to_string(lo) + ".." + std::to_string(hi);
        value = v;
        return std::nullopt;
    }

    void SkipLine()
    {
        while (pos_ < text_.size() && text_[pos_] != '\n')
            ++pos_;
        if (pos_ < text_.size())
            ++pos_;
    }

private:
    static std::string Shorten(const std::string& token)
    {
        std::string out;
        for (char c : token.substr(0, 20))
            out += (static_cast<unsigned char>(c) < ' ' || static_cast<unsigned char>(c) > '~') ? '?' : c;
        return token.size() > 20 ? out + "..." : out;
    }
    static std::string Invalid(const std::string& token)
    {
        return "\"" + Shorten(token) + "\" is not a valid integer value";
    }

    const std::string& text_;
    std::size_t pos_ = 0;
};

constexpr long long Int16Min = std::numeric_limits<std::int16_t>::min();
constexpr long long Int16Max = std::numeric_limits<std::int16_t>::max();
constexpr long long Int32Min = std::numeric_limits<std::int32_t>::min();
constexpr long long Int32Max = std::numeric_limits<std::int32_t>::max();

} // namespace

std::optional<std::string> ParseStructureText(const std::string& text, StructureFileContent& out)
{
    NumberReader reader(text);
    StructureFileContent content;
    long long n = 0;
    if (auto err = reader.Read(Int16Min, Int16Max, n))
        return err;
    reader.SkipLine();
    content.Count = static_cast<std::int16_t>(n);
    // Points after the 100th are read (and must be valid) but not kept.
    for (long long k = 1; k <= n; ++k) {
        long long dx = 0, dy = 0, tol = 0;
        for (long long* v : {&dx, &dy, &tol})
            if (auto err = reader.Read(Int32Min, Int32Max, *v))
                return "point " + std::to_string(k) + ": " + *err;
        if (k <= MaxPointLimit)
            content.Points.push_back({static_cast<std::int32_t>(dx), static_cast<std::int32_t>(dy),
                                      static_cast<std::int32_t>(tol)});
    }
    if (!reader.AtEnd()) {
        long long last = 0;
        if (auto err = reader.Read(Int16Min, Int16Max, last))
            return err;
        reader.SkipLine();
    }
    out = std::move(content);
    return std::nullopt;
}

std::optional<std::string> LoadStructureFile(EngineContext& ctx, const std::string& path)
{
    TrackerState& s = ctx.S;
    ctx.LogMessage(27, path);
    ctx.Params.SetParamText(12, path);

    // The whole file is read and checked before anything changes, so that a
    // bad file leaves the structure and the samples as they were.
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return "Cannot open file \"" + path + "\"";
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size < 0)
        return "Cannot read file \"" + path + "\"";
    if (static_cast<std::size_t>(size) > MaxStructureFileBytes)
        return "File \"" + path + "\" is too large for a structure file";
    file.seekg(0, std::ios::beg);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (size > 0 && !file.read(text.data(), size))
        return "Cannot read file \"" + path + "\"";
    StructureFileContent content;
    if (auto err = ParseStructureText(text, content))
        return "Structure file \"" + path + "\": " + *err;

    s.PointCount = 0;
    s.CaptureRequested = false;
    int count = 0;
    if (content.Count > 0) {
        // The point table is sized for the points kept (at most 100).
        count = static_cast<int>(content.Points.size());
        s.MaxPoints = count;
        ResizePoints(s.LivePoints, count + 1);
        for (auto& e : s.LivePoints)
            std::fill_n(e.F.begin(), 11, 0);
        for (int k = 1; k <= count; ++k) {
            const StructurePoint& p = content.Points[static_cast<std::size_t>(k - 1)];
            auto& e = s.LivePoints[static_cast<std::size_t>(k)].F;
            e[pf::Dx] = p.Dx;
            e[pf::Dy] = p.Dy;
            e[pf::Tolerance] = p.Tolerance;
            if (2 * std::llabs(static_cast<long long>(p.Dx)) > s.SampleWidth ||
                2 * std::llabs(static_cast<long long>(p.Dy)) > s.SampleHeight)
                e[pf::Tolerance] = ExcludedTolerance;
        }
    } else {
        // N of 0 or less: the file holds no structure. The default pattern is
        // used, as when no structure file exists; MaxPoints stays as it was.
        for (auto& e : s.LivePoints)
            std::fill_n(e.F.begin(), 11, 0);
    }
    if (!s.LivePoints.empty())
        s.LivePoints[0].F[pf::HeaderCount] = count;
    s.PointCount = static_cast<std::int16_t>(count);

    s.SampleMatrix.resize(static_cast<std::size_t>(std::max(s.CellCount, 0)) + 1);
    for (auto& cell : s.SampleMatrix)
        ResizePoints(cell, s.MaxPoints + 1);
    s.PointChannelDiff.resize(static_cast<std::size_t>(s.MaxPoints) + 1);
    ClearCellFields(s, 1);

    const RecomputeMode mode = count > 0 ? RecomputeMode::Structure : RecomputeMode::DefaultPattern;
    for (int k = 1; k <= s.CellCount; ++k)
        if (s.SampleMatrix[static_cast<std::size_t>(k)][0].F[pf::FilledFlag] == 1)
            RecomputeCell(ctx, k, mode);
    CaptureFrame(ctx);
    DrawStructureOverlay(ctx);
    return std::nullopt;
}

std::optional<std::string> LocateStructureFile(EngineContext& ctx)
{
    TrackerState& s = ctx.S;
    const std::string name = ctx.Params.GetParamText(12);
    for (const std::string& candidate : {ctx.ProgramFolder + name, name, ctx.ProgramFolder + "default_sko.dat"}) {
        s.StructurePath = candidate;
        if (ctx.Exists(candidate))
            return LoadStructureFile(ctx, candidate);
    }
    return std::nullopt;
}

ConfigurationLoader StructureFileLoader()
{
    return [](EngineContext& ctx) { return LocateStructureFile(ctx); };
}

} // namespace okulon
