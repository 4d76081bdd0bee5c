#include "cli/source_file.h"

#include <utility>

#include "analysis/step_table.h"
#include "cli/commands.h"
#include "files/file_io.h"
#include "text/card_text.h"
#include "text/facts.h"

namespace corvane::cli {
namespace {

AnalysedSource Analysed(LoadedSource loaded) {
    AnalysedSource source;
    source.loaded = std::move(loaded);
    source.stats = ComputeDifferenceStats(SamplesOf(source.loaded.image));
    source.table = DeriveStepTable(source.stats.gainSpanLow, source.stats.gainSpanHigh);
    return source;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadInput(const std::string& path, std::string& error) {
    return IsStandardStream(path) ? ReadStandardInput(error) : ReadWholeFile(PathOf(path), error);
}

std::optional<LoadedSource> PrepareInput(const std::string& path,
                                         std::optional<std::vector<std::uint8_t>> bytes,
                                         std::string error, const Preparation& how,
                                         LoadedSource* refused, bool warnLoop) {
    if (bytes && bytes->empty()) error = "it is empty";
    LoadedSource loaded;
    if (bytes && !bytes->empty()) {
        loaded = LoadSourceInPlace(std::move(*bytes), how);  // no second copy of a long file
    }
    // A named file is packed as far as it goes; a pipe that ended early was cut off.
    if (IsStandardStream(path) && loaded.Valid() && loaded.endsEarly) {
        loaded.refusal = Refusal::EndsEarly;
    }
    if (loaded.Valid() && warnLoop && how.loop == LoopChoice::Cut &&
        loaded.loopProblem != LoopProblem::None) {
        PrintError("corvane-cli: " + path + ": Loop: " + LoopProblemText(loaded.loopProblem) +
                   "; --loop=cut cut nothing\n");
    }
    if (loaded.Valid()) return loaded;
    Refuse(path, RefusalText(loaded) + (error.empty() ? "" : ": " + error));
    if (refused) *refused = std::move(loaded);
    return std::nullopt;
}

std::optional<LoadedSource> LoadPreparedSource(const std::string& path, const Preparation& how,
                                               LoadedSource* refused, bool warnLoop) {
    std::string error;
    auto bytes = ReadInput(path, error);
    return PrepareInput(path, std::move(bytes), std::move(error), how, refused, warnLoop);
}

std::optional<AnalysedSource> AnalyseSource(const std::string& path,
                                            std::optional<std::vector<std::uint8_t>> bytes,
                                            std::string error, const Preparation& how,
                                            LoadedSource* refused) {
    auto loaded = PrepareInput(path, std::move(bytes), std::move(error), how, refused);
    if (!loaded) return std::nullopt;
    return Analysed(std::move(*loaded));
}

std::optional<AnalysedSource> LoadAnalysedSource(const std::string& path, const Preparation& how,
                                                 LoadedSource* refused, bool warnLoop) {
    auto loaded = LoadPreparedSource(path, how, refused, warnLoop);
    if (!loaded) return std::nullopt;
    return Analysed(std::move(*loaded));
}

}  // namespace corvane::cli
