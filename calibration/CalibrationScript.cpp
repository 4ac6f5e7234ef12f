#include "CalibrationScript.h"

#include "KeyAction.h"

#include <fstream>
#include <limits>
#include <system_error>

namespace okulon {

namespace {

std::string invalidInteger(std::string_view token)
{
    return "\"" + std::string(token) + "\" is an invalid integer";
}

} // namespace

std::optional<std::filesystem::path> ResolveCalibrationScript(
    const std::filesystem::path& programFolder, const std::string& name)
{
    if (name.empty())
        return std::nullopt;
    std::error_code ec;
    // The folder and the name are joined as texts, so a name that looks
    // absolute is still looked for inside the folder first.
    const std::filesystem::path inFolder(programFolder.string() + "/" + name);
    if (std::filesystem::is_regular_file(inFolder, ec))
        return inFolder;
    if (std::filesystem::is_regular_file(name, ec))
        return std::filesystem::path(name);
    return std::nullopt;
}

std::optional<ScriptError> ParseCalibrationLine(std::string_view line, CalibrationStep& step)
{
    // Cut at the spaces: a token runs from a non-space after a space to the
    // character before the next space; the last token runs to the line's end,
    // so a trailing space or an empty line gives an invalid last number.
    std::vector<std::string_view> tokens;
    std::size_t start = 0;
    for (std::size_t pos = 1; pos < line.size(); ++pos) {
        if (line[pos] == ' ' && line[pos - 1] != ' ')
            tokens.push_back(line.substr(start, pos - start));
        if (line[pos - 1] == ' ' && line[pos] != ' ')
            start = pos;
    }
    tokens.push_back(line.substr(start));

    // The record holds eight fields: more numbers than that are refused.
    if (tokens.size() > 8)
        return ScriptError{0, "more than eight numbers on a line"};

    std::array<std::int16_t, 8> values{};
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        const auto v = ParseInt32(std::string(tokens[k]));
        if (!v)
            return ScriptError{0, invalidInteger(tokens[k])};
        // A number that does not fit the record's 16 bits is refused rather
        // than wrapped into another value.
        if (*v < std::numeric_limits<std::int16_t>::min() || *v > std::numeric_limits<std::int16_t>::max())
            return ScriptError{0, "\"" + std::string(tokens[k]) + "\" is out of range (-32768 to 32767)"};
        values[k] = static_cast<std::int16_t>(*v);
    }
    std::int16_t* fields[] = {&step.placement, &step.eyes, &step.row, &step.column, &step.delay, &step.duration,
        &step.endSecond, &step.done};
    for (std::size_t k = 0; k < tokens.size(); ++k)
        *fields[k] = values[k];
    return std::nullopt;
}

ScriptReadResult ParseCalibrationScript(std::string_view text, CalibrationStepTable& table)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = i + 1;
            if (lines.size() > MaxScriptSteps)
                break;
        }
    }
    if (start < text.size() && lines.size() <= MaxScriptSteps)
        lines.push_back(text.substr(start));
    if (lines.size() > MaxScriptSteps)
        return {0, ScriptError{0, "the calibration script has more than " + std::to_string(MaxScriptSteps) + " lines"}};

    CalibrationStepTable copy = table;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto error = ParseCalibrationLine(lines[i], copy[i + 1])) {
            error->line = static_cast<int>(i + 1);
            return {0, error};
        }
    }
    table = copy;
    return {static_cast<int>(lines.size()), std::nullopt};
}

ScriptReadResult ReadCalibrationScript(const std::filesystem::path& file, CalibrationStepTable& table)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (ec)
        return {0, ScriptError{0, "cannot read the calibration script " + file.string()}};
    if (size > MaxScriptFileBytes)
        return {0, ScriptError{0, "the calibration script " + file.string() + " is too large"}};
    std::ifstream in(file, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(size)))
        return {0, ScriptError{0, "cannot read the calibration script " + file.string()}};
    if (text.find('\0') != std::string::npos)
        return {0, ScriptError{0, "the calibration script " + file.string() + " is not a text file"}};
    return ParseCalibrationScript(text, table);
}

PromptPosition PlacePrompt(int code, int sw, int sh, int w, int h, PromptPosition current)
{
    if (code < 1 || code > 9)
        return current;
    const int column = (code - 1) % 3;
    const int row = (code - 1) / 3;
    const int lefts[] = {0, (sw - w) / 2, sw - w};
    const int tops[] = {0, (sh - h) / 2, sh - h};
    return {lefts[column], tops[row]};
}

} // namespace okulon
