#include "cli/source_file.h"

#include <utility>

#include "analysis/step_table.h"
#include "cli/commands.h"
#include "files/file_io.h"
#include "text/card_text.h"
#include "text/facts.h"

namespace corvane::cli {

std::optional<AnalysedSource> LoadAnalysedSource(const std::string& path, const Preparation& how,
                                                 LoadedSource* refused, bool warnLoop) {
    std::string error;
    auto bytes =
        IsStandardStream(path) ? ReadStandardInput(error) : ReadWholeFile(PathOf(path), error);
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
    if (warnLoop && how.loop == LoopChoice::Cut && source.loaded.loopProblem != LoopProblem::None) {
        PrintError("corvane-cli: " + path + ": Loop: " +
                   LoopProblemText(source.loaded.loopProblem) + "; --loop=cut cut nothing\n");
    }
    source.stats = ComputeDifferenceStats(SamplesOf(source.loaded.image));
    source.table = DeriveStepTable(source.stats.gainSpanLow, source.stats.gainSpanHigh);
    return source;
}

}  // namespace corvane::cli
