#include <gtest/gtest.h>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "analysis/summary.h"

namespace corvane {
namespace {

DifferenceStats Stats(std::vector<std::uint8_t> samples) { return ComputeDifferenceStats(samples); }

TEST(DifferenceStats, OnlyRepeatedDifferencesWidenTheSpan) {
    const auto s = Stats({128, 130, 125, 130, 128, 130});
    EXPECT_EQ(s.gainSpanLow, 2);
    EXPECT_EQ(s.gainSpanHigh, 2);
    EXPECT_EQ(s.peak, 2);
    EXPECT_EQ(GainSpanText(s.gainSpanLow, s.gainSpanHigh), L"Gain Span: 2 / +2");
    EXPECT_EQ(TableText(DeriveStepTable(s.gainSpanLow, s.gainSpanHigh)), L"0 0 1 2 3 4 5 6 7 8 2 ");
}

TEST(DifferenceStats, WideJumpsCountAsZeroAndKeepTheReference) {
    const auto a = Stats({0, 200, 10});
    EXPECT_EQ(a.histogram[128], 1);
    EXPECT_EQ(a.histogram[138], 1);

    const auto b = Stats({0, 128, 0, 255, 0, 127, 255, 0});
    EXPECT_EQ(b.histogram[128], 5);
    EXPECT_EQ(b.histogram[255], 1);
    EXPECT_EQ(b.histogram[1], 1);
    EXPECT_EQ(b.peak, 5);
    EXPECT_EQ(GainSpanText(b.gainSpanLow, b.gainSpanHigh), L"Gain Span: 0 / +0");

    // -128 and +127 are differences of their own; -129 and +128 are not.
    const auto c = Stats({128, 0, 127, 255, 127, 255, 126});
    EXPECT_EQ(c.histogram[0], 1);    // 128 -> 0 is -128
    EXPECT_EQ(c.histogram[255], 1);  // 0 -> 127 is +127
    EXPECT_EQ(c.histogram[128], 3);  // +128 twice (127 -> 255) and one real 0
    EXPECT_EQ(c.histogram[127], 1);  // 127 -> 126: the reference stayed at 127
}

TEST(DifferenceStats, TooFewSamplesGiveAnInvertedSpan) {
    for (const auto& samples : {std::vector<std::uint8_t>{}, std::vector<std::uint8_t>{77}}) {
        const auto s = Stats(samples);
        EXPECT_EQ(s.peak, 0);
        EXPECT_EQ(GainSpanText(s.gainSpanLow, s.gainSpanHigh), L"Gain Span: 127 / +-128");
        EXPECT_EQ(TableText(DeriveStepTable(s.gainSpanLow, s.gainSpanHigh)),
                  L"0 0 1 2 3 4 7 13 25 49 120 ");
    }
}

TEST(StepTable, RowsAcrossTheReachableSpans) {
    struct Row {
        std::int16_t low, high;
        StepTable table;
    };
    const Row rows[] = {
        {-45, 52, {0, 0, 1, 2, 3, 4, 5, 7, 11, 20, 45}},       // S 48, U 9
        {-128, -128, {0, 0, 1, 2, 3, 4, 7, 13, 25, 50, 125}},  // S 128, U 25
        {-3, 3, {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 3}},            // S 3, U 0
        {0, 0, {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0}},             // S 0
        {-10, 10, {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 10}},         // S 10, U 1
        {-15, 15, {0, 0, 1, 2, 3, 4, 5, 6, 7, 9, 10}},         // S 15, U 2
        {-20, 20, {0, 0, 1, 2, 3, 4, 5, 6, 7, 10, 15}},        // S 20, U 3
        {-85, 85, {0, 0, 1, 2, 3, 4, 6, 10, 18, 34, 80}},      // S 85, U 16
        {-125, 125, {0, 0, 1, 2, 3, 4, 7, 13, 25, 49, 120}},   // S 125, U 24
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DeriveStepTable(row.low, row.high), row.table) << row.low << " / " << row.high;
    }
}

TEST(StepTable, UpperEntriesAlwaysRiseForEverySpan) {
    for (int low = -128; low <= 127; ++low) {
        for (int high = -128; high <= 127; ++high) {
            const StepTable t =
                DeriveStepTable(static_cast<std::int16_t>(low), static_cast<std::int16_t>(high));
            for (int k = 6; k <= 9; ++k) ASSERT_GT(t[k], t[k - 1]) << low << " " << high;
        }
    }
}

TEST(Summary, LabelTexts) {
    EXPECT_EQ(FileSizeText(49380), L"File Size: 12 357bytes");
    EXPECT_EQ(FileSizeText(14), L"File Size: 16bytes");
    EXPECT_EQ(FileSizeText(1), L"File Size: 13bytes");
    EXPECT_EQ(FileSizeText(0), L"File Size: 13bytes");
    EXPECT_EQ(FileSizeText(262145), L"File Size: 65 548bytes");  // the longest storable
    EXPECT_EQ(FileSizeText(262146), L"File Size: 65 549bytes \u2718");
    EXPECT_EQ(FileSizeText(300002), L"File Size: 75 013bytes \u2718");
    EXPECT_EQ(GainSpanText(-45, 52), L"Gain Span: -45 / +52");
    EXPECT_EQ(PeakText(5000), L"5000");
    EXPECT_EQ(TableText({0, 0, 1, 2, 3, 4, 5, 7, 11, 20, 45}), L"0 0 1 2 3 4 5 7 11 20 45 ");
}

}  // namespace
}  // namespace corvane
