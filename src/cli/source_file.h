#pragma once
#include <optional>
#include <string>
#include <vector>

#include "analysis/statistics.h"
#include "codec/packed_format.h"
#include "wave/source.h"

namespace corvane::cli {

// A source WAV loaded and analysed as the window does when it is selected.
struct AnalysedSource {
    LoadedSource loaded;
    DifferenceStats stats;
    StepTable table{};  // derived from `stats`
};

// The bytes of a file, or of standard input for "-"; nullopt with `error` set when they cannot
// be read.
std::optional<std::vector<std::uint8_t>> ReadInput(const std::string& path, std::string& error);

// Loads, checks and prepares a source ("-": standard input); on refusal prints why and returns
// nullopt, and `refused`, when given, receives what was loaded.
std::optional<AnalysedSource> LoadAnalysedSource(const std::string& path, const Preparation& how,
                                                 LoadedSource* refused = nullptr);
// The same from what ReadInput gave for `path`.
std::optional<AnalysedSource> AnalyseSource(const std::string& path,
                                            std::optional<std::vector<std::uint8_t>> bytes,
                                            std::string error, const Preparation& how,
                                            LoadedSource* refused = nullptr);

}  // namespace corvane::cli
