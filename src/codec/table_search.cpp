#include "codec/table_search.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "codec/helper_thread.h"
#include "codec/packed_format.h"
#include "codec/trellis.h"

namespace corvane {
namespace {

constexpr std::size_t kProbeChunks = 16;

// Evenly spaced stretches of the source, end to end: enough to tell tables apart
// at a fraction of the cost of the whole source.
std::vector<std::uint8_t> Probe(std::span<const std::uint8_t> samples, std::size_t size) {
    if (samples.size() <= size || size < kProbeChunks) {
        return {samples.begin(), samples.end()};
    }
    const std::size_t chunk = size / kProbeChunks;
    std::vector<std::uint8_t> probe;
    probe.reserve(chunk * kProbeChunks);
    for (std::size_t c = 0; c < kProbeChunks; ++c) {
        const std::size_t from = c * (samples.size() - chunk) / (kProbeChunks - 1);
        probe.insert(probe.end(), samples.begin() + static_cast<std::ptrdiff_t>(from),
                     samples.begin() + static_cast<std::ptrdiff_t>(from + chunk));
    }
    return probe;
}

// Trellis errors of several tables, two at a time, one on the helper. A pass
// gives up at `bound`, so an error of at least `bound` may stand for a larger one.
std::vector<std::uint64_t> Errors(HelperThread& helper, std::span<const std::uint8_t> samples,
                                  const std::vector<StepTable>& tables, std::uint64_t bound) {
    std::vector<std::uint64_t> errors(tables.size());
    const auto measure = [&](std::size_t first) {
        for (std::size_t n = first; n < tables.size(); n += 2) {
            errors[n] = TrellisErrorBelow(samples, tables[n], bound);
        }
    };
    if (tables.size() > 1) {
        helper.RunBoth([&] { measure(1); }, [&] { measure(0); });
    } else {
        measure(0);
    }
    return errors;
}

// A table and its error, improved by trying the neighbours of each entry.
struct Search {
    HelperThread& helper;
    std::span<const std::uint8_t> samples;
    Progress* progress;
    int total;   // evaluations allowed
    int budget;  // evaluations left
    StepTable table;
    std::uint64_t error;
    std::set<StepTable> measured;  // none of them beats the current table

    // Picks the best of `candidates` if it beats the current table; tables
    // measured before cannot, and only the error to beat matters of the rest.
    bool TryAll(std::vector<StepTable> candidates) {
        if (progress != nullptr) {
            progress->Report(static_cast<std::size_t>(total - budget),
                             static_cast<std::size_t>(total));
            if (progress->Stopped()) budget = 0;
        }
        measured.insert(table);
        std::erase_if(candidates, [&](const StepTable& c) { return measured.contains(c); });
        if (candidates.empty() || static_cast<int>(candidates.size()) > budget) return false;
        budget -= static_cast<int>(candidates.size());
        measured.insert(candidates.begin(), candidates.end());
        const auto errors = Errors(helper, samples, candidates, error);
        const auto best = std::min_element(errors.begin(), errors.end());
        if (*best >= error) return false;
        error = *best;
        table = candidates[static_cast<std::size_t>(best - errors.begin())];
        return true;
    }

    // Coordinate descent: each entry moved by +-delta, for each delta in turn,
    // until a whole sweep brings nothing or the budget is spent.
    void Descend(std::initializer_list<int> deltas) {
        for (const int delta : deltas) {
            bool improved = true;
            while (improved && budget > 0) {
                improved = false;
                for (std::size_t k = 0; k < table.size(); ++k) {
                    std::vector<StepTable> candidates;
                    for (const int move : {delta, -delta}) {
                        StepTable next = table;
                        next[k] = static_cast<std::uint8_t>(std::clamp(table[k] + move, 0, 255));
                        if (next != table) candidates.push_back(next);
                    }
                    improved |= TryAll(candidates);
                }
            }
        }
    }

    // The whole table scaled: a quick first move for sources whose jumps the
    // derived table over- or underestimates.
    void TryScales() {
        std::vector<StepTable> candidates;
        for (const double factor : {0.5, 0.7, 1.4, 2.0, 3.0}) {
            StepTable scaled;
            for (std::size_t k = 0; k < table.size(); ++k) {
                scaled[k] = static_cast<std::uint8_t>(
                    std::clamp(static_cast<int>(std::lround(table[k] * factor)), 0, 255));
            }
            if (scaled != table) candidates.push_back(scaled);
        }
        TryAll(candidates);
    }
};

}  // namespace

StepTable OptimiseTable(std::span<const std::uint8_t> samples, const StepTable& start,
                        const TableSearchLimits& limits, Progress* progress) {
    if (PackedDataLength(samples.size()) == 0) return start;

    // The search on the probe, with coarse moves first.
    const std::vector<std::uint8_t> probe = Probe(samples, limits.probeSamples);
    HelperThread helper;
    Search search{helper,
                  probe,
                  progress,
                  limits.probeEvaluations,
                  limits.probeEvaluations,
                  start,
                  TrellisError(probe, start),
                  {}};
    search.TryScales();
    search.Descend({16, 8, 4, 2, 1});
    if (probe.size() == samples.size() || search.table == start) return search.table;

    // The whole source has the last word.
    const auto errors = Errors(helper, samples, {start, search.table}, UINT64_MAX);
    return errors[1] < errors[0] ? search.table : start;
}

PackedSample PackSamplesOptimal(std::span<const std::uint8_t> samples, const StepTable& start,
                                std::vector<std::uint8_t>* tracked, Progress* progress) {
    if (progress == nullptr)
        return PackSamplesTrellis(samples, OptimiseTable(samples, start), tracked);
    // Most of the time goes into the search, the rest into the trellis with its table.
    const unsigned from = progress->stageFrom, to = progress->stageTo;
    progress->stageTo = from + (to - from) * 9 / 10;
    const StepTable table = OptimiseTable(samples, start, {}, progress);
    progress->stageFrom = progress->stageTo;
    progress->stageTo = to;
    PackedSample packed = PackSamplesTrellis(samples, table, tracked, progress);
    progress->stageFrom = from;
    return packed;
}

}  // namespace corvane
