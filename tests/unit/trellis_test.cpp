// The trellis coder against every code sequence, its kernels against each other, the table
// search of the optimal coder, and the helper thread the two share their work with.
#include "codec/trellis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <thread>
#include <utility>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "codec/decoder.h"
#include "codec/encoder.h"
#include "codec/helper_thread.h"
#include "codec/table_search.h"
#include "support/example.h"
#include "support/wav.h"

namespace corvane {
namespace {

using namespace test;

std::uint64_t ErrorOfCodes(const Bytes& samples, const std::vector<std::uint8_t>& codes,
                           const StepTable& table) {
    DecoderState state;
    std::uint64_t total = 0;
    for (std::size_t c = 0; c < codes.size(); ++c) {
        const int d = int{samples[c + 1]} - ApplyCode(state, codes[c], table);
        total += static_cast<std::uint64_t>(d * d);
    }
    return total;
}

// The least error over all 4^M code sequences.
std::uint64_t BruteForceError(const Bytes& samples, const StepTable& table) {
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

// Tables the derivation gives, ones at the edges of a byte, and random ones.
std::vector<StepTable> TestTables(std::mt19937& random) {
    std::vector<StepTable> tables = {
        kExampleTable,
        DeriveStepTable(2, 2),
        DeriveStepTable(-128, 127),
        StepTable{},
        StepTable{255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255},
        StepTable{0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0},
        StepTable{200, 1, 2, 3, 4, 5, 6, 7, 8, 9, 254},
    };
    for (int n = 0; n < 6; ++n) {
        StepTable table;
        for (auto& entry : table) entry = static_cast<std::uint8_t>(random());
        tables.push_back(table);
    }
    return tables;
}

TEST(Trellis, EqualsBruteForce) {
    std::mt19937 random(6);
    const auto tables = TestTables(random);
    for (int round = 0; round < 8; ++round) {
        for (const auto& table : tables) {
            const Bytes samples = RandomSound(random, 6 + random() % 8);  // 4 or 8 codes
            const TrellisResult result = TrellisSearch(samples, table);
            ASSERT_EQ(result.codes.size(), 4 * PackedDataLength(samples.size()));
            EXPECT_EQ(result.squaredError, BruteForceError(samples, table));
            EXPECT_EQ(ErrorOfCodes(samples, result.codes, table), result.squaredError);
        }
    }
    EXPECT_EQ(TrellisError(Bytes(1000, 128), kExampleTable), 0u);
}

TEST(Trellis, EveryKernelGivesTheSameCodesAcrossSegments) {
    std::mt19937 random(666);
    const auto tables = TestTables(random);
    for (std::size_t n = 0; n < tables.size(); n += 4) {
        const Bytes samples = RandomSound(random, 4200 + n);  // three segments
        const TrellisResult reference = TrellisSearch(samples, tables[n], TrellisKernel::Wide);
        EXPECT_EQ(ErrorOfCodes(samples, reference.codes, tables[n]), reference.squaredError);
        EXPECT_EQ(TrellisError(samples, tables[n]), reference.squaredError);
        for (const TrellisKernel kernel :
             {TrellisKernel::Portable, TrellisKernel::Avx2, TrellisKernel::Avx512}) {
            if (!TrellisKernelAvailable(kernel)) continue;
            const TrellisResult result = TrellisSearch(samples, tables[n], kernel);
            EXPECT_EQ(result.codes, reference.codes) << static_cast<int>(kernel);
            EXPECT_EQ(result.squaredError, reference.squaredError) << static_cast<int>(kernel);
        }
        // A pass that may give up: the error below its bound, at least the bound otherwise.
        const std::uint64_t error = reference.squaredError;
        EXPECT_EQ(TrellisErrorBelow(samples, tables[n], error + 1), error);
        for (const std::uint64_t bound : {error, error / 2}) {
            EXPECT_GE(TrellisErrorBelow(samples, tables[n], bound), bound);
        }
    }
}

StepTable DerivedTable(const Bytes& samples) {
    const DifferenceStats stats = ComputeDifferenceStats(samples);
    return DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
}

// Start tables the search must improve on: derived ones, also for a long source that changes
// along its length (measured mostly on a probe of it), and poor ones no scaling mends (a quiet
// one for a square wave's large jumps, upper entries out of order for a source a table in
// order rebuilds exactly). From a poor start it must find a far better table and, with budget
// to spare, stop only where moving no entry by one lowers the error.
TEST(TableSearch, FindsBetterTablesDownToALocalBest) {
    Bytes square(1000), changing = Tone(4500, 200.0, 12, 1, 3);
    for (std::size_t i = 0; i < square.size(); ++i) square[i] = (i / 20) % 2 ? 228 : 28;
    const Bytes loud = Tone(4500, 37.0, 100, 5, 5);
    changing.insert(changing.end(), loud.begin(), loud.end());
    std::mt19937 random(7);
    Bytes codes(100);
    for (auto& byte : codes) byte = static_cast<std::uint8_t>(random());
    const Bytes walk = DecodeSamples(codes, StepTable{1, 2, 4, 6, 9, 13, 18, 24, 31, 39, 48});
    const struct Case {
        Bytes samples;
        StepTable start;
        bool poor;
    } cases[] = {{Tone(1500, 37.0, 90, 3, 1), DerivedTable(Tone(1500, 37.0, 90, 3, 1)), false},
                 {changing, DerivedTable(changing), false},
                 {square, DeriveStepTable(-3, 3), true},
                 {walk, StepTable{1, 2, 4, 6, 9, 20, 12, 30, 20, 50, 30}, true}};
    for (const Case& c : cases) {
        const StepTable found = OptimiseTable(c.samples, c.start, {2048, 600});
        const std::uint64_t error = TrellisError(c.samples, found);
        EXPECT_LT(error * (c.poor ? 4 : 1), TrellisError(c.samples, c.start));
        EXPECT_EQ(OptimiseTable(c.samples, c.start, {2048, 600}), found);  // the same every time
        if (!c.poor) continue;
        EXPECT_GT(TrellisError(c.samples, OptimiseTable(c.samples, c.start, {2048, 10})), error);
        for (std::size_t k = 0; k < found.size(); ++k) {
            for (const int move : {-1, 1}) {
                StepTable moved = found;
                moved[k] = static_cast<std::uint8_t>(std::clamp(found[k] + move, 0, 255));
                EXPECT_GE(TrellisError(c.samples, moved), error) << k << ' ' << move;
            }
        }
    }
    // No budget, or no codes: the start comes back.
    EXPECT_EQ(OptimiseTable(square, DeriveStepTable(-3, 3), {4096, 0}), DeriveStepTable(-3, 3));
    const StepTable odd = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 255};
    EXPECT_EQ(OptimiseTable(Bytes{1, 2, 3, 4, 5}, odd), odd);
}

// Both tasks run, the other one on a thread of its own, again and again; a
// failure on either side reaches the caller once both are done.
TEST(HelperThread, RunsBothAndPassesOnFailures) {
    HelperThread helper;
    for (int round = 0; round < 3; ++round) {
        std::thread::id other;
        bool own = false;
        helper.RunBoth([&] { other = std::this_thread::get_id(); }, [&] { own = true; });
        EXPECT_TRUE(own);
        EXPECT_NE(other, std::thread::id());
        EXPECT_NE(other, std::this_thread::get_id());
    }
    EXPECT_THROW(helper.RunBoth([] { throw std::runtime_error("other"); }, [] {}),
                 std::runtime_error);
    bool otherDone = false;
    EXPECT_THROW(helper.RunBoth([&] { otherDone = true; }, [] { throw std::runtime_error("own"); }),
                 std::runtime_error);
    EXPECT_TRUE(otherDone);
    helper.RunBoth([] {}, [] {});  // a failure is reported once
}

}  // namespace
}  // namespace corvane
