#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codec/encoder.h"
#include "codec/packed_format.h"
#include "codec/progress.h"

namespace corvane {

// How much work the table search may do. Counting evaluations rather than
// seconds keeps its result the same on every machine.
struct TableSearchLimits {
    std::size_t probeSamples = 32768;  // samples of the source the search measures on
    int probeEvaluations = 600;        // trellis passes over the probe
};

// A step table for these samples: a local search over the 11 entries, starting
// from `start`, with the trellis error as its measure. Never returns a table
// whose trellis error over the whole source exceeds that of `start`.
// `progress`, when given, hears how far the search got, and may end it early (with the best
// table found so far).
StepTable OptimiseTable(std::span<const std::uint8_t> samples, const StepTable& start,
                        const TableSearchLimits& limits = {}, Progress* progress = nullptr);

// The trellis codes with the optimised table; `tracked` as PackSamples, `progress` as the
// trellis and the search take it.
PackedSample PackSamplesOptimal(std::span<const std::uint8_t> samples, const StepTable& start,
                                std::vector<std::uint8_t>* tracked = nullptr,
                                Progress* progress = nullptr);

}  // namespace corvane
