#pragma once
#include <cstdint>
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

// The bytes of a named file or of standard input ("-"); nothing, with `error` set, when they
// cannot be read.
std::optional<std::vector<std::uint8_t>> ReadInput(const std::string& path, std::string& error);

// Checks and prepares what ReadInput gave for `path`; on refusal prints why and returns
// nullopt, and `refused`, when given, receives what was loaded. With `warnLoop`, a loop the
// file has but that could not be cut after (malformed, out of range) is said on stderr.
std::optional<LoadedSource> PrepareInput(const std::string& path,
                                         std::optional<std::vector<std::uint8_t>> bytes,
                                         std::string error, const Preparation& how,
                                         LoadedSource* refused = nullptr, bool warnLoop = true);
// The same, the file read first.
std::optional<LoadedSource> LoadPreparedSource(const std::string& path, const Preparation& how,
                                               LoadedSource* refused = nullptr,
                                               bool warnLoop = true);
// Each of those, then analysed.
std::optional<AnalysedSource> AnalyseSource(const std::string& path,
                                            std::optional<std::vector<std::uint8_t>> bytes,
                                            std::string error, const Preparation& how,
                                            LoadedSource* refused = nullptr);
std::optional<AnalysedSource> LoadAnalysedSource(const std::string& path, const Preparation& how,
                                                 LoadedSource* refused = nullptr,
                                                 bool warnLoop = true);

}  // namespace corvane::cli
