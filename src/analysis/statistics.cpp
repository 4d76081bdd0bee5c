#include "analysis/statistics.h"

#include <algorithm>
#include <array>

namespace corvane {

DifferenceStats ComputeDifferenceStats(std::span<const std::uint8_t> samples) {
    DifferenceStats stats;
    // Four sets of counters taken in turn: runs of equal differences (silence)
    // would otherwise wait on the previous increment of the same counter.
    std::array<DifferenceHistogram, 4> partial{};
    const std::size_t n = samples.size();
    int reference = n > 0 ? samples[0] : 0;
    auto count = [&](DifferenceHistogram& counts, std::size_t i) {
        const int d = samples[i] - reference;
        // A jump too wide to show counts as no change and keeps the reference.
        const bool shown = d >= -128 && d <= 127;
        reference = shown ? samples[i] : reference;
        ++counts[static_cast<std::size_t>(shown ? d + 128 : 128)];
    };
    std::size_t i = 1;
    for (; i + 4 <= n; i += 4) {
        count(partial[0], i);
        count(partial[1], i + 1);
        count(partial[2], i + 2);
        count(partial[3], i + 3);
    }
    for (; i < n; ++i) count(partial[0], i);
    for (std::size_t k = 0; k < 256; ++k) {
        stats.histogram[k] = partial[0][k] + partial[1][k] + partial[2][k] + partial[3][k];
    }
    stats.peak = *std::max_element(stats.histogram.begin(), stats.histogram.end());

    int low = 255;
    for (int k = 0; k < 256; ++k) {
        if (stats.histogram[static_cast<std::size_t>(k)] >= 2) {
            low = k;
            break;
        }
    }
    int high = 0;
    for (int k = 255; k >= 0; --k) {
        if (stats.histogram[static_cast<std::size_t>(k)] >= 2) {
            high = k;
            break;
        }
    }
    stats.gainSpanLow = static_cast<std::int16_t>(low - 128);
    stats.gainSpanHigh = static_cast<std::int16_t>(high - 128);
    return stats;
}

}  // namespace corvane
