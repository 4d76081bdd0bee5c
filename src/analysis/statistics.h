#pragma once
#include <array>
#include <cstdint>
#include <span>

namespace corvane {

// Histogram of sample-to-sample differences; counter k counts difference k - 128.
using DifferenceHistogram = std::array<std::int32_t, 256>;

struct DifferenceStats {
    DifferenceHistogram histogram{};
    std::int32_t peak = 0;
    std::int16_t gainSpanLow = 127;    // most negative difference seen at least twice
    std::int16_t gainSpanHigh = -128;  // most positive difference seen at least twice
};

// Jumps beyond -128..127 count as a zero difference and keep the reference.
DifferenceStats ComputeDifferenceStats(std::span<const std::uint8_t> samples);

}  // namespace corvane
