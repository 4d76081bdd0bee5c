// The texts people read: digit groups and the summary labels.
#include <gtest/gtest.h>

#include <limits>

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

}  // namespace
}  // namespace corvane
