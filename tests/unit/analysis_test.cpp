// The step table derived from the gain span, and the histogram's drawing.
#include <gtest/gtest.h>

#include "analysis/plots.h"
#include "analysis/step_table.h"

namespace corvane {
namespace {

TEST(StepTable, RowsAcrossTheReachableSpans) {
    const struct {
        std::int16_t low, high;
        StepTable table;
    } rows[] = {
        {-45, 52, {0, 0, 1, 2, 3, 4, 5, 7, 11, 20, 45}},       // mean span S 48, unit U 9
        {-128, -128, {0, 0, 1, 2, 3, 4, 7, 13, 25, 50, 125}},  // S 128, U 25
        {127, -128, {0, 0, 1, 2, 3, 4, 7, 13, 25, 49, 120}},   // no difference seen twice
        {-3, 3, {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 3}},            // S 3, U 0
        {0, 0, {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0}},             // S 0, U 0 (-3 / 5 truncates)
        {-20, 20, {0, 0, 1, 2, 3, 4, 5, 6, 7, 10, 15}},        // S 20, U 3
        {-85, 85, {0, 0, 1, 2, 3, 4, 6, 10, 18, 34, 80}},      // S 85, U 16
    };
    for (const auto& row : rows)
        EXPECT_EQ(DeriveStepTable(row.low, row.high), row.table) << row.low;
    for (int low = -128; low <= 127; ++low) {
        for (int high = -128; high <= 127; ++high) {
            const StepTable t =
                DeriveStepTable(static_cast<std::int16_t>(low), static_cast<std::int16_t>(high));
            for (int k = 6; k <= 9; ++k) ASSERT_GT(t[k], t[k - 1]) << low << " " << high;
        }
    }
}

// Blue bars on a log scale from the bottom row, grey lines XORed over them: the difference 0
// down the middle, the counts 10, 100, ... across. Nothing is drawn past the picture.
struct Histogram {
    std::vector<int> tops;   // each column's top row of blue, 192 for none
    std::vector<int> lines;  // rows marked across
    int zeroRows = 0;        // rows where the middle column is marked once
};

Histogram Draw(const std::vector<std::pair<int, int>>& bars, int peak) {
    DifferenceHistogram counts{};
    for (const auto& [k, count] : bars) counts[static_cast<std::size_t>(k)] = count;
    std::vector<std::uint8_t> memory(kHistogramBytes + 4096, 0x5A);
    const std::span<std::uint8_t, kHistogramBytes> pixels(memory.data(), kHistogramBytes);
    ClearPixels(pixels);
    DrawHistogram(counts, peak, pixels);
    EXPECT_TRUE(std::all_of(memory.begin() + kHistogramBytes, memory.end(),
                            [](std::uint8_t b) { return b == 0x5A; }));
    const auto blue = [&](int x, int y) {  // the blue channel: white 255, blue 215, XORed 239, 199
        return pixels[(static_cast<std::size_t>(y) * kHistogramWidth +
                       static_cast<std::size_t>(x)) *
                      4];
    };
    Histogram h;
    for (int x = 0; x < kHistogramWidth; ++x) {
        int y = 0;
        while (y < 192 && blue(x, y) != 215 && blue(x, y) != 199) ++y;
        h.tops.push_back(y);
    }
    for (int y = 0; y < kHistogramHeight; ++y) {
        if (blue(5, y) == 239) h.lines.push_back(y);
        h.zeroRows += blue(128, y) == 239 || blue(128, y) == 199;
    }
    return h;
}

TEST(Plots, HistogramLogBarsAndDecadeLines) {
    const Histogram h = Draw({{128, 1000}, {10, 2}, {20, 10}, {30, 100}, {40, 1}, {0, 10}}, 1000);
    EXPECT_EQ((std::vector<int>{h.tops[0], h.tops[10], h.tops[20], h.tops[30], h.tops[40],
                                h.tops[128], h.tops[1]}),
              (std::vector<int>{128, 172, 128, 65, 192, 2, 192}));
    EXPECT_EQ(h.lines, (std::vector<int>{65, 128}));
    EXPECT_EQ(h.zeroRows, 190);  // crossing a decade line it is XORed twice
    EXPECT_EQ(Draw({}, 100).lines, std::vector<int>{97});
    EXPECT_EQ(Draw({}, 5000).lines, (std::vector<int>{37, 89, 140}));
    EXPECT_TRUE(Draw({}, 10).lines.empty());
    EXPECT_EQ(Draw({}, 11).lines.size(), 1u);
    EXPECT_EQ(Draw({{3, 1}}, 1).tops[3], 2);  // a peak of 1 draws full bars
    EXPECT_EQ(Draw({{3, 1}}, 2).tops[3], 192);
}

}  // namespace
}  // namespace corvane
