#include "cli/source_file.h"

#include <utility>

#include "cli/commands.h"
#include "cli/file_io.h"

namespace corvane::cli {

std::optional<AnalysedSource> LoadAnalysedSource(const std::filesystem::path& path,
                                                 FileFacts* facts) {
    std::string error;
    auto bytes = ReadWholeFile(path, error);
    if (!bytes) {
        if (facts) *facts = UnreadableFileFacts();
        Refuse(path.string(), error);
        return std::nullopt;
    }
    const bool empty = bytes->empty();
    AnalysedSource source;
    source.loaded = LoadSourceInPlace(std::move(*bytes));  // no second copy of a long file
    if (facts) *facts = source.loaded.facts;
    if (empty) {
        Refuse(path.string(), "the file is empty");
        return std::nullopt;
    }
    if (!source.loaded.valid) {
        Refuse(path.string(), "not a PCM WAV file of 8 or 16 bits, mono or stereo");
        return std::nullopt;
    }
    source.stats = ComputeDifferenceStats(SamplesOf(source.loaded.image));
    source.table = DeriveStepTable(source.stats.gainSpanLow, source.stats.gainSpanHigh);
    return source;
}

}  // namespace corvane::cli
