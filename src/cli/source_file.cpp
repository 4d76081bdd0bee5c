#include "cli/source_file.h"

#include <utility>

#include "analysis/step_table.h"
#include "cli/commands.h"
#include "files/file_io.h"
#include "text/facts.h"

namespace corvane::cli {

std::optional<std::vector<std::uint8_t>> ReadInput(const std::string& path, std::string& error) {
    return IsStandardStream(path) ? ReadStandardInput(error) : ReadWholeFile(PathOf(path), error);
}

std::optional<AnalysedSource> LoadAnalysedSource(const std::string& path, const Preparation& how,
                                                 LoadedSource* refused) {
    std::string error;
    auto bytes = ReadInput(path, error);
    return AnalyseSource(path, std::move(bytes), std::move(error), how, refused);
}

std::optional<AnalysedSource> AnalyseSource(const std::string& path,
                                            std::optional<std::vector<std::uint8_t>> bytes,
                                            std::string error, const Preparation& how,
                                            LoadedSource* refused) {
    if (bytes && bytes->empty()) error = "it is empty";
    AnalysedSource source;
    if (bytes && !bytes->empty()) {
        source.loaded = LoadSourceInPlace(std::move(*bytes), how);  // no second copy of a long file
    }
    // A named file is packed as far as it goes; a pipe that ended early was cut off.
    if (IsStandardStream(path) && source.loaded.Valid() && source.loaded.endsEarly) {
        source.loaded.refusal = Refusal::EndsEarly;
    }
    if (!source.loaded.Valid()) {
        Refuse(path, RefusalText(source.loaded.refusal) + (error.empty() ? "" : ": " + error));
        if (refused) *refused = std::move(source.loaded);
        return std::nullopt;
    }
    source.stats = ComputeDifferenceStats(SamplesOf(source.loaded.image));
    source.table = DeriveStepTable(source.stats.gainSpanLow, source.stats.gainSpanHigh);
    return source;
}

}  // namespace corvane::cli
