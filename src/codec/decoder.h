#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codec/packed_format.h"

namespace corvane {

// Rebuilds 4 * data.size() samples into out[1..], out[0] = 128, stopping at the
// end of `out`. Returns the number of samples written, the 128 included.
std::size_t DecodeInto(std::span<const std::uint8_t> data, const StepTable& table,
                       std::span<std::uint8_t> out);

// The 4n + 1 samples of the reconstruction rule.
std::vector<std::uint8_t> DecodeSamples(std::span<const std::uint8_t> data, const StepTable& table);

}  // namespace corvane
