#include "codec/encoder_choice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "analysis/statistics.h"
#include "codec/decoder.h"
#include "codec/packed_format.h"

namespace corvane {
namespace {

using Samples = std::vector<std::uint8_t>;

TEST(EncoderChoiceTest, ParsesTheThreeNamesOnly) {
    EXPECT_EQ(ParseEncoderName("greedy"), Encoder::Greedy);
    EXPECT_EQ(ParseEncoderName("trellis"), Encoder::Trellis);
    EXPECT_EQ(ParseEncoderName("optimal"), Encoder::Optimal);
    for (const char* name : {"", "Greedy", "trellis ", "best"}) {
        EXPECT_FALSE(ParseEncoderName(name).has_value()) << name;
    }
}

// Every encoder's file decodes to what it tracked, and the better encoders
// never sound worse.
TEST(EncoderChoiceTest, FilesDecodeToTheTrackedSamplesAndSnrRises) {
    std::mt19937 random(9);
    Samples source(2003);
    for (std::size_t i = 0; i < source.size(); ++i) {
        const double v = 128 + 70 * std::sin(static_cast<double>(i) * 0.05) +
                         static_cast<double>(random() % 21) - 10;
        source[i] = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
    }
    const DifferenceStats stats = ComputeDifferenceStats(source);
    const StepTable table = DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);

    EXPECT_EQ(PackWithEncoder(Encoder::Greedy, source, table).file,
              PackSamples(source, table).file);
    double previous = -1000;
    for (const Encoder encoder : {Encoder::Greedy, Encoder::Trellis, Encoder::Optimal}) {
        std::vector<std::uint8_t> tracked;
        const PackedSample packed = PackWithEncoder(encoder, source, table, &tracked);
        const auto view = ParsePackedFile(packed.file);
        ASSERT_TRUE(view.has_value());
        if (encoder != Encoder::Optimal) {
            EXPECT_EQ(view->table, table);
        }
        const auto decoded = DecodeSamples(view->data, view->table);
        ASSERT_EQ(decoded.size(), tracked.size() + 1);
        EXPECT_TRUE(std::equal(tracked.begin(), tracked.end(), decoded.begin() + 1));

        Samples repacked = source;
        std::copy(decoded.begin(), decoded.end(), repacked.begin());
        const double snr = RepackedSnrDb(source, repacked);
        EXPECT_GE(snr, previous) << static_cast<int>(encoder);
        previous = snr;
    }
}

TEST(EncoderChoiceTest, SnrOverSamplesOneToTheEnd) {
    // Signal 20^2 + 20^2 + 0, noise 10^2 + 10^2: a ratio of 4. Sample 0 never counts.
    EXPECT_NEAR(RepackedSnrDb(Samples{0, 148, 108, 128}, Samples{99, 138, 118, 128}),
                10 * std::log10(4.0), 1e-9);
    EXPECT_TRUE(std::isinf(RepackedSnrDb(Samples{0, 1, 2}, Samples{7, 1, 2})));
    const double silent = RepackedSnrDb(Samples{0, 128, 128}, Samples{0, 120, 128});
    EXPECT_TRUE(std::isinf(silent) && silent < 0);
}

}  // namespace
}  // namespace corvane
