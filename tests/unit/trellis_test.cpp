#include "codec/trellis.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "analysis/step_table.h"
#include "codec/decoder.h"
#include "codec/encoder.h"
#include "codec/packed_format.h"

namespace corvane {
namespace {

using Samples = std::vector<std::uint8_t>;

std::uint64_t ErrorOfCodes(const Samples& samples, const std::vector<std::uint8_t>& codes,
                           const StepTable& table) {
    DecoderState state;
    std::uint64_t total = 0;
    for (std::size_t c = 0; c < codes.size(); ++c) {
        const int d = int{samples[c + 1]} - ApplyCode(state, codes[c], table);
        total += static_cast<std::uint64_t>(d * d);
    }
    return total;
}

// Every one of the 4^M code sequences.
std::uint64_t BruteForceError(const Samples& samples, const StepTable& table) {
    const std::size_t codeCount = 4 * PackedDataLength(samples.size());
    std::uint64_t best = UINT64_MAX;
    const auto visit = [&](auto&& self, std::size_t c, DecoderState state,
                           std::uint64_t sofar) -> void {
        if (c == codeCount) {
            best = std::min(best, sofar);
            return;
        }
        for (std::uint8_t code = 0; code < 4; ++code) {
            DecoderState next = state;
            const int d = int{samples[c + 1]} - ApplyCode(next, code, table);
            self(self, c + 1, next, sofar + static_cast<std::uint64_t>(d * d));
        }
    };
    visit(visit, 0, DecoderState{}, 0);
    return best;
}

// Tables the derivation gives, random ones and ones at the edges of a byte.
std::vector<StepTable> TestTables(std::mt19937& random) {
    std::vector<StepTable> tables = {
        DeriveStepTable(-45, 52),
        DeriveStepTable(2, 2),
        DeriveStepTable(-128, 127),
        StepTable{},
        StepTable{255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255},
        StepTable{0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0},
        StepTable{200, 1, 2, 3, 4, 5, 6, 7, 8, 9, 254},
        StepTable{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
    };
    for (int n = 0; n < 8; ++n) {
        StepTable table;
        for (auto& entry : table) entry = static_cast<std::uint8_t>(random() & 0xFF);
        tables.push_back(table);
    }
    return tables;
}

// Noise, random walks and runs pinned at the ends of the range.
Samples TestSamples(std::mt19937& random, std::size_t count) {
    Samples samples(count);
    const int kind = static_cast<int>(random() % 3);
    int level = 128;
    for (auto& s : samples) {
        if (kind == 0) {
            s = static_cast<std::uint8_t>(random() & 0xFF);
        } else if (kind == 1) {
            level = std::clamp(level + static_cast<int>(random() % 41) - 20, 0, 255);
            s = static_cast<std::uint8_t>(level);
        } else {
            s = (random() % 8 < 4) ? 0 : 255;
        }
    }
    return samples;
}

TEST(TrellisTest, EqualsBruteForceOnShortInputs) {
    std::mt19937 random(6);
    const auto tables = TestTables(random);
    for (int round = 0; round < 10; ++round) {
        for (const auto& table : tables) {
            const Samples samples = TestSamples(random, 6 + random() % 8);  // 4 or 8 codes
            const TrellisResult result = TrellisSearch(samples, table);
            ASSERT_EQ(result.codes.size(), 4 * PackedDataLength(samples.size()));
            EXPECT_EQ(result.squaredError, BruteForceError(samples, table));
            EXPECT_EQ(ErrorOfCodes(samples, result.codes, table), result.squaredError);
        }
    }
}

TEST(TrellisTest, NeverWorseThanGreedyWithTheSameTable) {
    std::mt19937 random(66);
    const auto tables = TestTables(random);
    for (int round = 0; round < 4; ++round) {
        for (const auto& table : tables) {
            const Samples samples = TestSamples(random, random() % 1500);
            std::vector<std::uint8_t> greedyTracked;
            PackSamples(samples, table, &greedyTracked);
            const TrellisResult result = TrellisSearch(samples, table);
            EXPECT_LE(result.squaredError, CodedSquaredError(samples, greedyTracked));
            EXPECT_EQ(ErrorOfCodes(samples, result.codes, table), result.squaredError);
            EXPECT_EQ(TrellisError(samples, table), result.squaredError);
        }
    }
}

TEST(TrellisTest, EveryKernelGivesTheSameCodesAcrossSegments) {
    std::mt19937 random(666);
    const auto tables = TestTables(random);
    const TrellisKernel kernels[] = {TrellisKernel::Portable, TrellisKernel::Wide,
                                     TrellisKernel::Avx2, TrellisKernel::Avx512};
    for (std::size_t n = 0; n < tables.size(); n += 5) {
        const Samples samples = TestSamples(random, 4200 + n);  // three segments
        const TrellisResult reference = TrellisSearch(samples, tables[n], TrellisKernel::Wide);
        EXPECT_EQ(ErrorOfCodes(samples, reference.codes, tables[n]), reference.squaredError);
        for (const TrellisKernel kernel : kernels) {
            if (!TrellisKernelAvailable(kernel)) continue;
            const TrellisResult result = TrellisSearch(samples, tables[n], kernel);
            EXPECT_EQ(result.codes, reference.codes) << static_cast<int>(kernel);
            EXPECT_EQ(result.squaredError, reference.squaredError) << static_cast<int>(kernel);
        }
    }
}

TEST(TrellisTest, FileDecodesToTheTrackedSamples) {
    std::mt19937 random(6666);
    for (const std::size_t count : {0, 1, 5, 6, 14, 4099, 9001}) {
        const Samples samples = TestSamples(random, count);
        const StepTable table = DeriveStepTable(-30, 41);
        std::vector<std::uint8_t> tracked;
        const PackedSample packed = PackSamplesTrellis(samples, table, &tracked);
        ASSERT_EQ(packed.file.size(), PackedFileSize(count));
        EXPECT_TRUE(packed.storable);
        const auto view = ParsePackedFile(packed.file);
        ASSERT_TRUE(view.has_value());
        EXPECT_EQ(view->table, table);
        const auto decoded = DecodeSamples(view->data, view->table);
        ASSERT_EQ(decoded.size(), tracked.size() + 1);
        EXPECT_EQ(decoded[0], 128);
        EXPECT_TRUE(std::equal(tracked.begin(), tracked.end(), decoded.begin() + 1));
    }
}

TEST(TrellisTest, SilenceCostsNothingAndTheWorkedExampleBeatsGreedy) {
    const StepTable table{0, 0, 1, 2, 3, 4, 5, 7, 11, 20, 45};
    EXPECT_EQ(TrellisError(Samples(1000, 128), table), 0u);

    const Samples example = {128, 140, 160, 170, 165, 150, 120, 100, 90, 95, 110, 128, 128, 200};
    std::vector<std::uint8_t> greedy;
    PackSamples(example, table, &greedy);
    const std::uint64_t greedyError = CodedSquaredError(example, greedy);
    const std::uint64_t trellisError = TrellisError(example, table);
    EXPECT_EQ(trellisError, BruteForceError(example, table));
    EXPECT_LT(trellisError, greedyError);
}

}  // namespace
}  // namespace corvane
