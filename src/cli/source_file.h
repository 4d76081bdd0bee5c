#pragma once
#include <optional>
#include <string>

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

// Loads, checks and prepares a source ("-": standard input); on refusal prints why and returns
// nullopt, and `refused`, when given, receives what was loaded. With `warnLoop`, a loop the
// file has but that could not be cut after (malformed, out of range) is said on stderr.
std::optional<LoadedSource> LoadPreparedSource(const std::string& path, const Preparation& how,
                                               LoadedSource* refused = nullptr,
                                               bool warnLoop = true);
// The same, then analysed.
std::optional<AnalysedSource> LoadAnalysedSource(const std::string& path, const Preparation& how,
                                                 LoadedSource* refused = nullptr,
                                                 bool warnLoop = true);

}  // namespace corvane::cli
