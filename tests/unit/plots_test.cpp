#include "analysis/plots.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace corvane {
namespace {

struct Rgb {
    int b, g, r;
    bool operator==(const Rgb&) const = default;
};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlue{215, 120, 0};
constexpr Rgb kGrey{239, 239, 239};          // white under a marking line
constexpr Rgb kBlueUnderLine{199, 104, 16};  // blue under a marking line

Rgb PixelAt(std::span<const std::uint8_t> pixels, int width, int x, int y) {
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 4;
    return {pixels[i], pixels[i + 1], pixels[i + 2]};
}

struct Waveform {
    std::unique_ptr<std::array<std::uint8_t, kWaveformBytes>> pixels =
        std::make_unique<std::array<std::uint8_t, kWaveformBytes>>();
    explicit Waveform(const std::vector<std::uint8_t>& samples) {
        ClearPixels(*pixels);
        DrawWaveform(samples, *pixels);
    }
    Rgb At(int x, int y) const { return PixelAt(*pixels, kWaveformWidth, x, y); }
    bool ColumnHasDots(int x) const {
        for (int y = 0; y < kWaveformHeight; ++y)
            if (y != 64 && At(x, y) == kBlue) return true;
        return false;
    }
};

struct Histogram {
    std::unique_ptr<std::array<std::uint8_t, kHistogramBytes>> pixels =
        std::make_unique<std::array<std::uint8_t, kHistogramBytes>>();
    Histogram(const DifferenceHistogram& counts, std::int32_t peak) {
        ClearPixels(*pixels);
        DrawHistogram(counts, peak, *pixels);
    }
    Rgb At(int x, int y) const { return PixelAt(*pixels, kHistogramWidth, x, y); }
    // Top row of the bar in column x, or 192 for none (ignoring line colours).
    int BarTop(int x) const {
        for (int y = 0; y < kHistogramHeight; ++y) {
            const Rgb c = At(x, y);
            if (c == kBlue || c == kBlueUnderLine) return y;
        }
        return 192;
    }
    std::vector<int> LineRows() const {  // rows marked across the whole width
        std::vector<int> rows;
        for (int y = 0; y < kHistogramHeight; ++y)
            if (At(5, y) == kGrey) rows.push_back(y);
        return rows;
    }
};

TEST(Plots, ClearSetsColourBytesAndKeepsTheFourth) {
    std::array<std::uint8_t, 16> pixels{};
    pixels[3] = 9;
    ClearPixels(pixels);
    const std::array<std::uint8_t, 16> expected = {255, 255, 255, 9, 255, 255, 255, 0,
                                                   255, 255, 255, 0, 255, 255, 255, 0};
    EXPECT_EQ(pixels, expected);
}

TEST(Waveform, ColumnsPerSampleCount) {
    const Waveform few(std::vector<std::uint8_t>(100, 0));
    EXPECT_TRUE(few.ColumnHasDots(99));
    EXPECT_FALSE(few.ColumnHasDots(100));
    EXPECT_EQ(few.At(0, 127), kBlue);

    const Waveform three(std::vector<std::uint8_t>(3 * 776, 200));
    for (int x = 0; x < kWaveformWidth; ++x) ASSERT_TRUE(three.ColumnHasDots(x)) << x;

    // 1000 samples: one a column; samples 776 to 999 fall outside the picture.
    std::vector<std::uint8_t> samples(1000, 0);
    std::fill(samples.begin() + 776, samples.end(), 255);
    const Waveform cut(samples);
    for (int x = 0; x < kWaveformWidth; ++x) ASSERT_EQ(cut.At(x, 0), kWhite);
}

TEST(Waveform, RowsAndCentreLine) {
    const Waveform w({255, 254, 1, 0, 128, 127, 126});
    EXPECT_EQ(w.At(0, 0), kBlue);
    EXPECT_EQ(w.At(1, 0), kBlue);
    EXPECT_EQ(w.At(2, 127), kBlue);
    EXPECT_EQ(w.At(4, 63), kBlue);
    EXPECT_EQ(w.At(5, 64), kBlueUnderLine);  // 127 and 126 land on the centre line
    EXPECT_EQ(w.At(6, 64), kBlueUnderLine);
    EXPECT_EQ(w.At(700, 64), kGrey);
    EXPECT_EQ(w.At(700, 63), kWhite);

    const Waveform empty({});
    EXPECT_EQ(empty.At(0, 64), kGrey);
    EXPECT_FALSE(empty.ColumnHasDots(0));
}

TEST(Histogram, LogBarsAndDecadeLinesForPeak1000) {
    DifferenceHistogram counts{};
    counts[128] = 1000;
    counts[10] = 2;
    counts[20] = 10;
    counts[30] = 100;
    counts[40] = 1;
    const Histogram h(counts, 1000);
    EXPECT_EQ(h.BarTop(10), 172);
    EXPECT_EQ(h.BarTop(20), 128);
    EXPECT_EQ(h.BarTop(30), 65);
    EXPECT_EQ(h.BarTop(40), 192);  // a single occurrence has no height
    EXPECT_EQ(h.BarTop(128), 2);
    EXPECT_EQ(h.LineRows(), (std::vector<int>{65, 128}));
    EXPECT_EQ(h.At(128, 0), kGrey);  // zero line over white
    EXPECT_EQ(h.At(128, 100), kBlueUnderLine);
    EXPECT_EQ(h.At(100, 128), kGrey);  // decade line over white
    EXPECT_EQ(h.At(30, 128), kBlueUnderLine);
    EXPECT_EQ(h.At(128, 128), kBlue);  // zero line crossing a decade line: XORed twice
}

TEST(Histogram, DecadeLinesBelowThePeakOnly) {
    DifferenceHistogram counts{};
    EXPECT_EQ(Histogram(counts, 100).LineRows(), (std::vector<int>{97}));
    EXPECT_EQ(Histogram(counts, 5000).LineRows(), (std::vector<int>{37, 89, 140}));
    EXPECT_TRUE(Histogram(counts, 10).LineRows().empty());
    const Histogram none(counts, 0);
    EXPECT_TRUE(none.LineRows().empty());
    EXPECT_EQ(none.At(128, 50), kGrey);
    EXPECT_EQ(none.BarTop(128), 192);
}

TEST(Histogram, OnlyRepeatedCountsShowBarsAndPeakOneDrawsFullBars) {
    DifferenceHistogram counts{};
    counts.fill(1);
    counts[77] = 5;
    const Histogram h(counts, 5);
    for (int x = 0; x < 256; ++x) ASSERT_EQ(h.BarTop(x), x == 77 ? 2 : 192) << x;

    DifferenceHistogram ones{};
    ones[3] = ones[200] = 1;
    const Histogram flat(ones, 1);
    EXPECT_EQ(flat.BarTop(3), 2);
    EXPECT_EQ(flat.BarTop(200), 2);
    EXPECT_EQ(flat.BarTop(4), 192);
}

}  // namespace
}  // namespace corvane
