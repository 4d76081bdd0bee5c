// The texts people read: digit groups and the summary labels.
#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>

#include "text/digit_groups.h"
#include "text/summary.h"

namespace corvane {
namespace {

TEST(Texts, DigitGroupsFromTheRight) {
    const std::pair<long long, const char*> cases[] = {
        {0, "0"},
        {999, "999"},
        {1000, "1 000"},
        {44100, "44 100"},
        {176400, "176 400"},
        {1234567, "1 234 567"},
        {-1234, "-1 234"},
        {-123, "-123"},
        {4294967295LL, "4 294 967 295"},
        {std::numeric_limits<long long>::min(), "-9 223 372 036 854 775 808"}};
    for (const auto& [value, text] : cases) EXPECT_EQ(FormatDigitGroups(value), text) << value;
}

TEST(Texts, SummaryLabels) {
    EXPECT_EQ(FileSizeText(49380), "File Size: 12 357bytes");
    EXPECT_EQ(FileSizeText(0), "File Size: 13bytes");
    EXPECT_EQ(FileSizeText(262145), "File Size: 65 548bytes");  // the longest storable
    EXPECT_EQ(FileSizeText(262146), "File Size: 65 549bytes \u2718");
    EXPECT_EQ(GainSpanText(-45, 52), "Gain Span: -45 / +52");
    EXPECT_EQ(GainSpanText(127, -128), "Gain Span: 127 / +-128");
    EXPECT_EQ(PeakText(5000), "5000");
    EXPECT_EQ(TableText({0, 0, 1, 2, 3, 4, 5, 7, 11, 20, 255}), "0 0 1 2 3 4 5 7 11 20 255 ");
    EXPECT_EQ(SnrText(18.434), "SNR: 18.43 dB");
    EXPECT_EQ(SnrText(-3.0), "SNR: -3.00 dB");
}

TEST(Texts, WhatAPackedFileCostsTheHost) {
    using Lines = std::vector<std::string>;
    // 1000 bytes: 4000 samples, 1000 x 770 T-states at 3.5 MHz = 0.22 s.
    EXPECT_EQ(HostCostLines(1000),
              (Lines{"Card Receives: 4 000 samples", "Streaming Time: at least 0.2 s at 3.5 MHz",
                     "Host Memory: fits one 16 KB page", "Load Address: low byte at most #F3"}));
    EXPECT_EQ(HostCostLines(16371)[2], "Host Memory: fits one 16 KB page");  // 16 384 bytes
    EXPECT_EQ(HostCostLines(16372)[2], "Host Memory: over 16 KB");
    EXPECT_EQ(HostCostLines(65535)[1], "Streaming Time: at least 14.4 s at 3.5 MHz");
    // A lower bound never passes the least time, 770 T-states a byte, and is rounded down.
    for (std::size_t bytes = 1; bytes <= 65535; bytes += 97) {
        const std::string line = HostCostLines(bytes)[1];
        const double shown = std::stod(line.substr(line.find("least ") + 6));
        const double least = static_cast<double>(bytes) * 770 / 3.5e6;
        EXPECT_TRUE(shown <= least && least < shown + 0.1) << bytes << ": " << line;
    }
    // The routine counts down after a byte: no data runs it over 65 536 bytes.
    EXPECT_EQ(HostCostLines(0)[0],
              "Card Receives: 262 144 samples (a file without data runs "
              "the depacker over 65 536 bytes)");
}

// The window sets the C locale to Russian, whose printf writes a decimal comma.
TEST(Texts, NumbersIgnoreTheCLocale) {
    if (!std::setlocale(LC_ALL, "Russian") && !std::setlocale(LC_ALL, "ru_RU.UTF-8")) {
        GTEST_SKIP() << "no Russian locale here (the Windows build's run has one)";
    }
    EXPECT_EQ(SnrText(16.92), "SNR: 16.92 dB");
    EXPECT_EQ(HostCostLines(2100)[1], "Streaming Time: at least 0.4 s at 3.5 MHz");
    std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace corvane
