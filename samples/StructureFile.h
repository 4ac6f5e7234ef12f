// The structure file: a hand-made list of key points read from a text file.
//
// Format: the number of points N on the first line (the rest of that line is
// free text), then dx, dy and tolerance of every point, separated by any white
// space; optionally one more number. Decimal integers with an optional "+" or
// "-" only.
#pragma once

#include "UnitGlobal_v.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace okulon {

struct StructurePoint {
    std::int32_t Dx = 0;
    std::int32_t Dy = 0;
    std::int32_t Tolerance = 0;
};

struct StructureFileContent {
    std::int16_t Count = 0;              // N as written
    std::vector<StructurePoint> Points;  // the first min(N, 100) points
};

// Files above this size are refused before they are read.
inline constexpr std::size_t MaxStructureFileBytes = 16 * 1024 * 1024;

// Parses the text of a structure file. Returns the error message when a number
// is not an integer or lies outside its range.
std::optional<std::string> ParseStructureText(const std::string& text, StructureFileContent& out);

// Reads path and, when the whole file is valid, makes it the structure: the
// points go into LivePoints, the tables are resized, filled cells are re-taken
// from their pictures and a new frame is captured. On an error nothing but the
// log line and parameter 12 has changed, and the message is returned.
std::optional<std::string> LoadStructureFile(EngineContext& ctx, const std::string& path);

// Loads the first existing of: program folder + parameter 12, parameter 12,
// program folder + "default_sko.dat". None existing is not an error.
std::optional<std::string> LocateStructureFile(EngineContext& ctx);

// The loader to put into EngineContext::LoadStructure.
ConfigurationLoader StructureFileLoader();

} // namespace okulon
