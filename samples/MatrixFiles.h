// The matrix of samples on disk: the matrix file (one picture of the whole
// matrix) and the sample folder (one picture per filled cell, in a subfolder
// per row). Only pictures are stored; the sampled vectors are re-taken from
// them after every load.
//
// Every operation either completes or, on bad input, returns an error text,
// writes it to the event log and leaves the matrix of samples as it was.
#pragma once

#include "UnitGlobal_v.h"

#include <functional>
#include <optional>
#include <string>

namespace okulon {

// Loads the matrix file path, or, when no such file exists, one of the two
// files named after the profile: "<profile less .ini>/CurrentUser.bmp", then
// "<profile less ini>bmp". None existing changes nothing and is not an error.
std::optional<std::string> LoadMatrixFile(EngineContext& ctx, const std::string& path,
                                          const std::string& profilePath);

// "load Matrix of Samples" once a file has been chosen: loads it and makes it
// the matrix file of the configuration (MatrixFilePath and parameter 51).
std::optional<std::string> LoadMatrixCommand(EngineContext& ctx, const std::string& chosen,
                                             const std::string& profilePath);

// "save Matrix of Samples" once a name has been chosen: writes the matrix
// picture to chosen + ".bmp" (appended always) and makes it the matrix file.
std::optional<std::string> SaveMatrixFile(EngineContext& ctx, const std::string& chosen);

// Writes every filled cell as folder/RR/CC.bmp (row and column as two digits).
std::optional<std::string> ExportSampleFolder(EngineContext& ctx, const std::string& folder);

// Replaces the matrix by the pictures of a sample folder.
std::optional<std::string> ImportSampleFolder(EngineContext& ctx, const std::string& folder);

// The loader to put into EngineContext::LoadMatrixFile: loads parameter 51
// with the fallbacks of the profile profilePath() names.
ConfigurationLoader MatrixFileLoader(std::function<std::string()> profilePath);

// Largest cell the sampling can hold: a cell must fit the target area (at
// most 200 x 200, the channel planes' size) and be at least one pixel.
bool CellSizeFits(const TrackerState& s, int width, int height);

} // namespace okulon
