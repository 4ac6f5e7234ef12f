// The automatic calibration's script: one step per line, each line up to eight
// integers separated by spaces (placement, eye picture, row, column, delay,
// duration, and two that are overwritten by the computed fields).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace okulon {

struct CalibrationStep {
    std::int16_t placement = 0;
    std::int16_t eyes = 0;
    std::int16_t row = 0;
    std::int16_t column = 0;
    std::int16_t delay = 0;
    std::int16_t duration = 0;
    std::int16_t endSecond = 0; // delay + duration, computed at the start of a run
    std::int16_t done = 0; // 1 once the step's sample moment has passed
};

// Records 0..100: record 0 is the built-in eye-finding step, records 1..N the
// script's lines, and record N + 1 (all zero) is what the prompt shows after the
// last step. A script therefore holds at most 99 lines.
inline constexpr int MaxScriptSteps = 99;
using CalibrationStepTable = std::array<CalibrationStep, 101>;

// Largest script file read. 99 lines of eight numbers fit in far less.
inline constexpr std::uintmax_t MaxScriptFileBytes = 64 * 1024;

struct ScriptError {
    int line = 0; // 1-based; 0 when the error is about the whole file
    std::string message;
};

// The script file: the program's folder followed by the name, else the name
// itself taken as a path, else none.
std::optional<std::filesystem::path> ResolveCalibrationScript(
    const std::filesystem::path& programFolder, const std::string& name);

// Parses one line into the step. Fields after the line's last number keep what
// they held. On an error nothing is changed.
std::optional<ScriptError> ParseCalibrationLine(std::string_view line, CalibrationStep& step);

// Reads the script into records 1..N of a copy of `table` and returns N, or an
// error with `table` untouched. Lines end with CR LF, LF or CR.
struct ScriptReadResult {
    int stepCount = 0;
    std::optional<ScriptError> error;
};
ScriptReadResult ReadCalibrationScript(const std::filesystem::path& file, CalibrationStepTable& table);
ScriptReadResult ParseCalibrationScript(std::string_view text, CalibrationStepTable& table);

// Where the prompt window goes for a placement code (1..9: the corners, the
// edges' middles and the centre of the screen); other codes leave it.
struct PromptPosition {
    int left = 0;
    int top = 0;
};
PromptPosition PlacePrompt(int code, int screenWidth, int screenHeight, int width, int height, PromptPosition current);

} // namespace okulon
