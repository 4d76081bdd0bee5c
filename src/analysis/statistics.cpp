#include "analysis/statistics.h"

#include <algorithm>
#include <array>

namespace corvane {

DifferenceStats ComputeDifferenceStats(std::span<const std::uint8_t> samples) {
    DifferenceStats stats;
    // Four interleaved sets of counters: runs of equal differences (silence)
    // would otherwise wait on the previous increment of the same counter.
    std::array<DifferenceHistogram, 4> partial{};
    if (!samples.empty()) {
        int reference = samples[0];
        for (std::size_t i = 1; i < samples.size(); ++i) {
            const int d = samples[i] - reference;
            // A jump too wide to show counts as no change and keeps the reference.
            const bool shown = d >= -128 && d <= 127;
            reference = shown ? samples[i] : reference;
            ++partial[i & 3][static_cast<std::size_t>(shown ? d + 128 : 128)];
        }
    }
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
