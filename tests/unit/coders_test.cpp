// The three coders against the reconstruction rule, the trellis against every code sequence and
// its kernels against each other, the table search, progress and stopping. (What corvane-cli
// makes of them, byte for byte, is pinned by tests/cli.)
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "codec/decoder.h"
#include "codec/encoder_choice.h"
#include "codec/table_search.h"
#include "codec/trellis.h"
#include "support/example.h"
#include "support/wav.h"

namespace corvane {
namespace {

using namespace test;

StepTable DerivedTable(const Bytes& samples) {
    const DifferenceStats stats = ComputeDifferenceStats(samples);
    return DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
}

StepTable RandomTable(std::mt19937& random, unsigned limit = 256) {
    StepTable table;
    for (auto& entry : table) entry = static_cast<std::uint8_t>(random() % limit);
    return table;
}

// Every coder's file, decoded by the rule, gives the amplitudes the coder tracked and what
// repacking leaves in the image; samples 0 and N - 1 never reach it; better coders never
// sound worse.
class Coders : public ::testing::TestWithParam<Encoder> {};

TEST_P(Coders, FilesDecodeToTheTrackedSamples) {
    std::mt19937 random(9);
    const bool optimal = GetParam() == Encoder::Optimal;  // the search takes its time
    for (int round = 0; round < (optimal ? 3 : 12); ++round) {
        Bytes source = round % 3 ? RandomSound(random, 2 + random() % (optimal ? 300 : 700))
                                 : Tone(optimal ? 803 : 2003, 40, 70, 10);
        const StepTable table = round % 2 ? RandomTable(random) : DerivedTable(source);
        std::vector<std::uint8_t> tracked;
        const PackedSample packed = PackWithEncoder(GetParam(), source, table, &tracked);
        const auto view = ParsePackedFile(packed.file);
        ASSERT_TRUE(view && packed.file.size() == PackedFileSize(source.size()));
        EXPECT_TRUE(optimal || view->table == table);
        const Bytes decoded = DecodeSamples(view->data, view->table);
        EXPECT_EQ(Bytes(decoded.begin() + 1, decoded.end()), tracked);

        Bytes repacked = source;
        EXPECT_EQ(RepackInPlace(GetParam(), repacked, table).file, packed.file);
        EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), repacked.begin()));
        EXPECT_TRUE(std::equal(repacked.begin() + static_cast<std::ptrdiff_t>(decoded.size()),
                               repacked.end(),
                               source.begin() + static_cast<std::ptrdiff_t>(decoded.size())));
        Bytes greedy = source;
        RepackInPlace(Encoder::Greedy, greedy, table);
        EXPECT_GE(RepackedSnrDb(source, repacked), RepackedSnrDb(source, greedy));
        source.front() ^= 0xFF;
        source.back() ^= 0xFF;
        EXPECT_EQ(PackWithEncoder(GetParam(), source, table).file, packed.file);
    }
}

INSTANTIATE_TEST_SUITE_P(All, Coders,
                         ::testing::Values(Encoder::Greedy, Encoder::Trellis, Encoder::Optimal));

// What a progress bar shows only moves forward, up to the end; a stop leaves no file.
TEST(Coders, SlowerCodersReportHowFarTheyGotAndStopWhenAsked) {
    for (const Encoder encoder : {Encoder::Trellis, Encoder::Optimal}) {
        // Ten stretches of the trellis; the table search's steps on a shorter sound.
        const Bytes source = Tone(encoder == Encoder::Trellis ? 20000 : 5000, 40, 90, 5);
        Progress running;
        std::vector<unsigned> shown{0};
        std::atomic<bool> done{false};
        std::thread bar([&] {
            for (; !done; std::this_thread::sleep_for(std::chrono::microseconds(50))) {
                if (running.permille != shown.back()) shown.push_back(running.permille);
            }
        });
        EXPECT_FALSE(
            PackWithEncoder(encoder, source, kExampleTable, nullptr, &running).file.empty());
        done = true;
        bar.join();
        EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
        EXPECT_TRUE(running.permille >= 900 && running.permille <= 1000) << running.permille;
        Progress stopped;
        stopped.stop = true;
        EXPECT_TRUE(
            PackWithEncoder(encoder, source, kExampleTable, nullptr, &stopped).file.empty());
    }
}

// The error of a code sequence, and the least over all 4^M of them.
std::uint64_t ErrorOfCodes(const Bytes& samples, const Bytes& codes, const StepTable& table) {
    DecoderState state;
    std::uint64_t total = 0;
    for (std::size_t c = 0; c < codes.size(); ++c) {
        const int d = int{samples[c + 1]} - ApplyCode(state, codes[c], table);
        total += static_cast<std::uint64_t>(d * d);
    }
    return total;
}

std::uint64_t BruteForceError(const Bytes& samples, const StepTable& table, std::size_t c = 0,
                              DecoderState state = {}) {
    if (c == 4 * PackedDataLength(samples.size())) return 0;
    std::uint64_t best = UINT64_MAX;
    for (std::uint8_t code = 0; code < 4; ++code) {
        DecoderState next = state;
        const int d = int{samples[c + 1]} - ApplyCode(next, code, table);
        best = std::min(
            best, static_cast<std::uint64_t>(d * d) + BruteForceError(samples, table, c + 1, next));
    }
    return best;
}

// Tables the derivation gives, ones at the edges of a byte, and random ones; tiny sources
// against brute force, longer ones (three segments) through every kernel.
TEST(Trellis, EqualsBruteForceAndEveryKernelGivesTheSameCodes) {
    std::mt19937 random(6);
    std::vector<StepTable> tables = {kExampleTable, DeriveStepTable(-128, 127), StepTable{},
                                     StepTable{0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0},
                                     StepTable{200, 1, 2, 3, 4, 5, 6, 7, 8, 9, 254}};
    for (int n = 0; n < 5; ++n) tables.push_back(RandomTable(random));
    for (std::size_t n = 0; n < tables.size(); ++n) {
        const StepTable& table = tables[n];
        for (int round = 0; round < 6; ++round) {
            const Bytes samples = RandomSound(random, 6 + random() % 8);  // 4 or 8 codes
            const TrellisResult result = TrellisSearch(samples, table);
            EXPECT_EQ(result.squaredError, BruteForceError(samples, table));
            EXPECT_EQ(ErrorOfCodes(samples, result.codes, table), result.squaredError);
        }
        if (n % 2) continue;
        const Bytes samples = RandomSound(random, 4200);  // three segments
        const TrellisResult wide = TrellisSearch(samples, table, TrellisKernel::Wide);
        EXPECT_EQ(ErrorOfCodes(samples, wide.codes, table), wide.squaredError);
        EXPECT_EQ(TrellisError(samples, table), wide.squaredError);
        ASSERT_TRUE(TrellisKernelAvailable(TrellisKernel::Portable));  // on every processor
        for (const auto kernel :
             {TrellisKernel::Portable, TrellisKernel::Avx2, TrellisKernel::Avx512}) {
            if (TrellisKernelAvailable(kernel)) {
                EXPECT_EQ(TrellisSearch(samples, table, kernel).codes, wide.codes);
            }
        }
        // A pass that may give up: the error below its bound, at least the bound otherwise.
        EXPECT_EQ(TrellisErrorBelow(samples, table, wide.squaredError + 1), wide.squaredError);
        EXPECT_GE(TrellisErrorBelow(samples, table, wide.squaredError / 2), wide.squaredError / 2);
    }
}

// From a start no scaling mends (a quiet table for a square wave's large jumps) the search finds
// a far better table, and with budget to spare stops only where moving no entry by one helps;
// from a derived table it finds a better one, also for a source longer than its probe.
TEST(TableSearch, FindsBetterTablesDownToALocalBest) {
    Bytes square(1000), changing = Tone(4500, 200.0, 12, 1);
    for (std::size_t i = 0; i < square.size(); ++i) square[i] = (i / 20) % 2 ? 228 : 28;
    const Bytes loud = Tone(4500, 37.0, 100, 5);
    changing.insert(changing.end(), loud.begin(), loud.end());
    const struct {
        Bytes samples;
        StepTable start;
        bool poor;
    } cases[] = {{changing, DerivedTable(changing), false}, {square, DeriveStepTable(-3, 3), true}};
    for (const auto& c : cases) {
        const StepTable found = OptimiseTable(c.samples, c.start, {2048, 600});
        const std::uint64_t error = TrellisError(c.samples, found);
        EXPECT_LT(error * (c.poor ? 4 : 1), TrellisError(c.samples, c.start));
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
    EXPECT_EQ(OptimiseTable(square, kExampleTable, {4096, 0}), kExampleTable);  // no budget
}

}  // namespace
}  // namespace corvane
