#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codec/encoder.h"
#include "codec/packed_format.h"

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
StepTable OptimiseTable(std::span<const std::uint8_t> samples, const StepTable& start,
                        const TableSearchLimits& limits = {});

// The trellis codes with the optimised table; `tracked` as PackSamples.
PackedSample PackSamplesOptimal(std::span<const std::uint8_t> samples, const StepTable& start,
                                std::vector<std::uint8_t>* tracked = nullptr);

}  // namespace corvane
