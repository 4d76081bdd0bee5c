// The step table derived from the difference statistics, and the histogram's drawing (the
// statistics and the waveform are checked against their models in fast_paths_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "analysis/plots.h"
#include "analysis/statistics.h"
#include "analysis/step_table.h"

namespace corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(StepTable, RowsAcrossTheReachableSpans) {
    struct Row {
        std::int16_t low, high;
        StepTable table;
    } rows[] = {
        {-45, 52, {0, 0, 1, 2, 3, 4, 5, 7, 11, 20, 45}},       // S 48, U 9
        {-128, -128, {0, 0, 1, 2, 3, 4, 7, 13, 25, 50, 125}},  // S 128, U 25
        {127, -128, {0, 0, 1, 2, 3, 4, 7, 13, 25, 49, 120}},   // no repeated difference
        {-3, 3, {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 3}},            // S 3, U 0
        {0, 0, {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0}},             // S 0, U 0 (-3 / 5 truncates)
        {-15, 15, {0, 0, 1, 2, 3, 4, 5, 6, 7, 9, 10}},         // S 15, U 2
        {-20, 20, {0, 0, 1, 2, 3, 4, 5, 6, 7, 10, 15}},        // S 20, U 3
        {-85, 85, {0, 0, 1, 2, 3, 4, 6, 10, 18, 34, 80}},      // S 85, U 16
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DeriveStepTable(row.low, row.high), row.table) << row.low << " / " << row.high;
    }
    for (int low = -128; low <= 127; ++low) {
        for (int high = -128; high <= 127; ++high) {
            const StepTable t =
                DeriveStepTable(static_cast<std::int16_t>(low), static_cast<std::int16_t>(high));
            for (int k = 6; k <= 9; ++k) ASSERT_GT(t[k], t[k - 1]) << low << " " << high;
        }
    }
}

struct Rgb {
    int b, g, r;
    bool operator==(const Rgb&) const = default;
};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlue{215, 120, 0};
constexpr Rgb kGrey{239, 239, 239};          // white under a marking line
constexpr Rgb kBlueUnderLine{199, 104, 16};  // blue under a marking line

// A cleared buffer with a guard area after it, which drawing must leave alone.
template <int kWidth, std::size_t kBytes>
struct Picture {
    static constexpr std::size_t kGuard = 4 * 1024;
    std::vector<std::uint8_t> memory = std::vector<std::uint8_t>(kBytes + kGuard, 0x5A);
    std::span<std::uint8_t, kBytes> pixels{memory.data(), kBytes};
    Picture() { ClearPixels(pixels); }
    bool GuardIntact() const {
        return std::all_of(memory.begin() + kBytes, memory.end(), [](auto b) { return b == 0x5A; });
    }
    Rgb At(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * kWidth + x) * 4;
        return {pixels[i], pixels[i + 1], pixels[i + 2]};
    }
    int BarTop(int x) const {  // top row of a histogram bar, 192 for none
        for (int y = 0; y < kHistogramHeight; ++y)
            if (At(x, y) == kBlue || At(x, y) == kBlueUnderLine) return y;
        return 192;
    }
    std::vector<int> LineRows() const {  // rows marked across the whole width
        std::vector<int> rows;
        for (int y = 0; y < kHistogramHeight; ++y)
            if (At(5, y) == kGrey) rows.push_back(y);
        return rows;
    }
};

Picture<kHistogramWidth, kHistogramBytes> Histogram(const DifferenceHistogram& counts, int peak) {
    Picture<kHistogramWidth, kHistogramBytes> p;
    DrawHistogram(counts, peak, p.pixels);
    EXPECT_TRUE(p.GuardIntact()) << "peak " << peak;
    return p;
}

TEST(Plots, ClearKeepsTheFourthByte) {
    std::array<std::uint8_t, 8> pixels{1, 2, 3, 9, 4, 5, 6, 7};
    ClearPixels(pixels);
    EXPECT_EQ(pixels, (std::array<std::uint8_t, 8>{255, 255, 255, 9, 255, 255, 255, 7}));
}

TEST(Plots, HistogramLogBarsAndDecadeLines) {
    DifferenceHistogram counts{};
    counts[128] = 1000;
    counts[10] = 2;
    counts[20] = 10;
    counts[30] = 100;
    counts[40] = 1;
    counts[0] = 10;  // the lowest difference, -128, has a bar too
    const auto h = Histogram(counts, 1000);
    EXPECT_EQ(h.BarTop(10), 172);
    EXPECT_EQ(h.BarTop(20), 128);
    EXPECT_EQ(h.BarTop(0), 128);
    EXPECT_EQ(h.BarTop(30), 65);
    EXPECT_EQ(h.BarTop(40), 192);  // a single occurrence has no height
    EXPECT_EQ(h.BarTop(128), 2);
    EXPECT_EQ(h.LineRows(), (std::vector<int>{65, 128}));
    EXPECT_EQ(h.At(128, 0), kGrey);  // the zero line over white
    EXPECT_EQ(h.At(128, 100), kBlueUnderLine);
    EXPECT_EQ(h.At(128, 128), kBlue);  // the zero line crossing a decade line: XORed twice

    const DifferenceHistogram none{};
    EXPECT_EQ(Histogram(none, 100).LineRows(), (std::vector<int>{97}));
    EXPECT_EQ(Histogram(none, 5000).LineRows(), (std::vector<int>{37, 89, 140}));
    EXPECT_TRUE(Histogram(none, 10).LineRows().empty());
    EXPECT_EQ(Histogram(none, 11).LineRows().size(), 1u);

    DifferenceHistogram ones{};  // a peak of 1 draws full bars
    ones[3] = 1;
    EXPECT_EQ(Histogram(ones, 1).BarTop(3), 2);
    EXPECT_EQ(Histogram(ones, 1).BarTop(4), 192);
    EXPECT_EQ(Histogram(ones, 2).BarTop(3), 192);  // from a peak of 2 on, the log scale
}

}  // namespace
}  // namespace corvane
