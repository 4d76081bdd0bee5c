#include "analysis/statistics.h"

#include <algorithm>

namespace corvane {

DifferenceStats ComputeDifferenceStats(std::span<const std::uint8_t> samples) {
    DifferenceStats stats;
    if (!samples.empty()) {
        int reference = samples[0];
        for (std::size_t i = 1; i < samples.size(); ++i) {
            int d = samples[i] - reference;
            if (d < -128 || d > 127) {
                d = 0;  // a jump too wide to show counts as no change
            } else {
                reference = samples[i];
            }
            ++stats.histogram[static_cast<std::size_t>(d + 128)];
        }
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
