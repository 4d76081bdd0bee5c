#pragma once
#include <optional>
#include <string>

#include "analysis/statistics.h"
#include "codec/packed_format.h"
#include "text/facts.h"
#include "wave/source.h"

namespace corvane::cli {

// A source WAV loaded and analysed as the window does when it is selected.
struct AnalysedSource {
    LoadedSource loaded;
    DifferenceStats stats;
    StepTable table{};  // derived from `stats`
};

// Loads and checks a source; on refusal prints why and returns nullopt.
// `facts` receives the file facts even when the file is refused.
std::optional<AnalysedSource> LoadAnalysedSource(const std::string& path,
                                                 FileFacts* facts = nullptr);

}  // namespace corvane::cli
