#include "codec/table_search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "codec/trellis.h"

namespace corvane {
namespace {

using Samples = std::vector<std::uint8_t>;

StepTable DerivedTable(const Samples& samples) {
    const DifferenceStats stats = ComputeDifferenceStats(samples);
    return DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
}

Samples Tone(std::size_t count, double period, double amplitude, int noise, unsigned seed) {
    std::mt19937 random(seed);
    Samples samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double v = 128 + amplitude * std::sin(6.2831853 * static_cast<double>(i) / period) +
                         (noise ? static_cast<int>(random() % (2 * noise + 1)) - noise : 0);
        samples[i] = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
    }
    return samples;
}

// Short sources are searched whole; long ones mostly on a probe of them.
TEST(TableSearchTest, NeverWorseThanTheStartAndTheSameEveryTime) {
    const TableSearchLimits small{2048, 30, 4};
    for (const Samples& samples :
         {Tone(1500, 37.0, 90, 3, 1), Tone(1500, 11.0, 40, 30, 2), Tone(9000, 200.0, 60, 1, 3)}) {
        const StepTable start = DerivedTable(samples);
        const StepTable found = OptimiseTable(samples, start, small);
        EXPECT_LE(TrellisError(samples, found), TrellisError(samples, start));
        EXPECT_EQ(OptimiseTable(samples, start, small), found);
    }
}

TEST(TableSearchTest, FindsLargeStepsForLargeJumps) {
    // A square wave of +-100 around 128: the derived table of a quiet source
    // cannot follow it; a searched one can.
    Samples square(2000);
    for (std::size_t i = 0; i < square.size(); ++i) square[i] = (i / 20) % 2 ? 228 : 28;
    const StepTable quiet = DeriveStepTable(-3, 3);
    const StepTable found = OptimiseTable(square, quiet, TableSearchLimits{4096, 80, 4});
    EXPECT_LT(TrellisError(square, found) * 4, TrellisError(square, quiet));
}

TEST(TableSearchTest, NoBudgetOrNoCodesKeepsTheStart) {
    const Samples samples = Tone(3000, 50.0, 80, 5, 4);
    const StepTable start = DerivedTable(samples);
    EXPECT_EQ(OptimiseTable(samples, start, TableSearchLimits{4096, 0, 0}), start);
    const StepTable odd = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 255};
    EXPECT_EQ(OptimiseTable(Samples{1, 2, 3, 4, 5}, odd), odd);
}

}  // namespace
}  // namespace corvane
