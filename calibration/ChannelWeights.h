// Channel weights: the nine-digit channel formula derived from the samples in
// the matrix. A channel that stays the same across the samples of one row is
// reliable and weighs much; one that varies within a row weighs little.
#pragma once

#include "UnitGlobal_v.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace okulon {

// Per matrix row r = 0..maxRow, the weights of channels 1..9 (slot 0 unused).
using RowChannelWeights = std::vector<std::array<std::int32_t, 10>>;

struct ChannelWeightsResult {
    bool Applied = false;         // ChannelWeights and parameter 16 were written
    std::string Formula;          // the nine digits, channel 1 first
    RowChannelWeights RowWeights; // the rows' own weights
    std::optional<std::string> Error; // why the command was refused
};

// "Set Channels Formula": computes the weights from the filled cells, logs
// them, puts them into ChannelWeights and parameter 16. Without a filled cell
// nothing happens; with no sampled points the command is refused with a log line.
ChannelWeightsResult SetChannelsFormula(EngineContext& ctx);

} // namespace okulon
