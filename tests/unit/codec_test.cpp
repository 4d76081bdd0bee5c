// The packed format, the reconstruction rule and the three coders that follow it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "codec/decoder.h"
#include "codec/encoder.h"
#include "codec/encoder_choice.h"
#include "codec/packed_name.h"
#include "support/example.h"
#include "support/wav.h"

namespace corvane {
namespace {

using namespace test;

std::vector<unsigned> Codes(std::span<const std::uint8_t> data) {
    std::vector<unsigned> codes;
    for (const std::uint8_t byte : data) {
        for (int shift = 6; shift >= 0; shift -= 2) codes.push_back((byte >> shift) & 3u);
    }
    return codes;
}

TEST(PackedFormat, WorkedExample) {
    std::vector<std::uint8_t> tracked;
    const PackedSample packed = PackSamples(kExampleSource, kExampleTable, &tracked);
    EXPECT_EQ(packed.file, kExampleFile);
    EXPECT_TRUE(packed.storable);
    EXPECT_EQ(Codes(std::span(packed.file).subspan(13)),
              (std::vector<unsigned>{1, 1, 1, 1, 1, 3, 3, 3, 2, 1, 0, 0}));
    EXPECT_EQ(tracked, Bytes(kExampleDecoded.begin() + 1, kExampleDecoded.end()));
    EXPECT_EQ(DecodeSamples(std::span(kExampleFile).subspan(13), kExampleTable), kExampleDecoded);

    // Decoded over the source, as the repacked sample is heard: the last sample has no code.
    Bytes samples = kExampleSource;
    EXPECT_EQ(RepackInPlace(Encoder::Greedy, samples, kExampleTable).file, kExampleFile);
    Bytes expected = kExampleDecoded;
    expected.push_back(200);
    EXPECT_EQ(samples, expected);
}

TEST(PackedFormat, LengthsHeaderAndParsing) {
    for (const auto& [samples, dataLength] : {std::pair<std::size_t, std::size_t>{0, 0},
                                              {5, 0},
                                              {6, 1},
                                              {14, 3},
                                              {1202, 300},
                                              {262145, 65535}}) {
        EXPECT_EQ(PackedDataLength(samples), dataLength) << samples;
        const PackedSample packed = PackSamples(Bytes(samples, 200), kExampleTable);
        ASSERT_EQ(packed.file.size(), 13 + dataLength);
        EXPECT_EQ(packed.file[0] | packed.file[1] << 8, static_cast<int>(dataLength));  // LE
        EXPECT_TRUE(packed.storable);
        const auto view = ParsePackedFile(packed.file);
        ASSERT_TRUE(view);
        EXPECT_EQ(view->table, kExampleTable);
        EXPECT_EQ(view->data.size(), dataLength);
    }
    // One data byte more than the length field holds: every code kept, never to be stored.
    const PackedSample tooLong = PackSamples(Bytes(262146, 128), kExampleTable);
    EXPECT_FALSE(tooLong.storable);
    EXPECT_FALSE(PackedDataFits(262146));
    EXPECT_EQ(tooLong.file.size(), 13u + 65536u);
    EXPECT_EQ(TableOf(tooLong.file), kExampleTable);
    EXPECT_FALSE(ParsePackedFile(tooLong.file));

    Bytes longer = kExampleFile;
    longer.push_back(0);
    for (const Bytes& bad : {longer, Bytes(kExampleFile.begin(), kExampleFile.begin() + 15),
                             Bytes(kExampleFile.begin(), kExampleFile.begin() + 12), Bytes{}}) {
        EXPECT_FALSE(ParsePackedFile(bad)) << bad.size();
    }
}

TEST(ReconstructionRule, TieClampAndIndexPullBack) {
    // A = 129 at index 2 with T[1] = 0, T[3] = 2 and s = 130: both candidates are 1 away.
    const StepTable tie = {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::vector<std::uint8_t> tracked;
    const auto packed = PackSamples(Bytes{0, 129, 130, 0, 0, 0}, tie, &tracked);
    EXPECT_EQ(Codes(std::span(packed.file).subspan(13))[1], 1u);  // ties go up
    EXPECT_EQ(tracked[1], 131);

    const StepTable big = {0, 200, 200, 200, 200, 200, 200, 200, 200, 200, 250};
    DecoderState state;
    EXPECT_EQ(ApplyCode(state, 1, big), 255);  // 128 + 200 clamps
    EXPECT_EQ(ApplyCode(state, 3, big), 55);
    EXPECT_EQ(ApplyCode(state, 3, big), 0);  // 55 - 200 clamps
    state = {128, 9};
    EXPECT_EQ(ApplyCode(state, 3, big), 0);  // the step at index 10, then back to 9
    EXPECT_EQ(state.index, 9);
    state = {100, 1};
    EXPECT_EQ(ApplyCode(state, 0, big), 100);  // index 0 holds 0; then back to 1
    EXPECT_EQ(state.index, 1);
    state = {100, 5};
    EXPECT_EQ(ApplyCode(state, 2, big), 0);
    EXPECT_EQ(state.index, 4);
}

// Every coder's file, parsed back and decoded by the rule, gives the amplitudes the coder
// tracked; the file depends only on samples 1 .. 4n; better coders never sound worse.
class Coders : public ::testing::TestWithParam<Encoder> {};

TEST_P(Coders, FilesDecodeToTheTrackedSamples) {
    std::mt19937 random(9);
    const bool optimal = GetParam() == Encoder::Optimal;  // the search takes its time
    for (int round = 0; round < (optimal ? 3 : 12); ++round) {
        Bytes source = round % 3 ? RandomSound(random, 2 + random() % (optimal ? 300 : 700))
                                 : Tone(optimal ? 803 : 2003, 40, 70, 10);
        StepTable table;
        if (round % 2) {
            for (auto& entry : table) entry = static_cast<std::uint8_t>(random());
        } else {
            const DifferenceStats stats = ComputeDifferenceStats(source);
            table = DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
        }
        std::vector<std::uint8_t> tracked;
        const PackedSample packed = PackWithEncoder(GetParam(), source, table, &tracked);
        ASSERT_EQ(packed.file.size(), PackedFileSize(source.size()));
        const auto view = ParsePackedFile(packed.file);
        ASSERT_TRUE(view);
        if (GetParam() != Encoder::Optimal) {
            EXPECT_EQ(view->table, table);
        }
        const Bytes decoded = DecodeSamples(view->data, view->table);
        ASSERT_EQ(decoded.size(), tracked.size() + 1);
        EXPECT_TRUE(std::equal(tracked.begin(), tracked.end(), decoded.begin() + 1));

        Bytes changed = source;  // the first and last samples never reach the file
        changed.front() ^= 0xFF;
        changed.back() ^= 0xFF;
        EXPECT_EQ(PackWithEncoder(GetParam(), changed, table).file, packed.file);

        Bytes repacked = source;
        EXPECT_EQ(RepackInPlace(GetParam(), repacked, table).file, packed.file);
        EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), repacked.begin()));
        EXPECT_TRUE(std::equal(source.begin() + static_cast<std::ptrdiff_t>(decoded.size()),
                               source.end(),
                               repacked.begin() + static_cast<std::ptrdiff_t>(decoded.size())));
        if (GetParam() != Encoder::Greedy) {
            Bytes greedy = source;
            RepackInPlace(Encoder::Greedy, greedy, table);
            EXPECT_GE(RepackedSnrDb(source, repacked), RepackedSnrDb(source, greedy));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(All, Coders,
                         ::testing::Values(Encoder::Greedy, Encoder::Trellis, Encoder::Optimal));

// What a progress bar shows only moves forward, up to the end; a stop leaves no file.
TEST(Coders, SlowerCodersReportHowFarTheyGotAndStopWhenAsked) {
    const Bytes source = Tone(100000, 40, 90, 5);
    for (const Encoder encoder : {Encoder::Trellis, Encoder::Optimal}) {
        Progress running;
        std::vector<unsigned> shown{0};
        std::atomic<bool> done{false};
        std::thread bar([&] {
            for (; !done; std::this_thread::sleep_for(std::chrono::microseconds(50))) {
                if (running.permille != shown.back()) shown.push_back(running.permille);
            }
        });
        EXPECT_EQ(PackWithEncoder(encoder, source, kExampleTable, nullptr, &running).file.size(),
                  PackedFileSize(source.size()));
        done = true;
        bar.join();
        EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
        EXPECT_GE(running.permille, 900u);
        EXPECT_LE(running.permille, 1000u);
        Progress stopped;
        stopped.stop = true;
        EXPECT_TRUE(
            PackWithEncoder(encoder, source, kExampleTable, nullptr, &stopped).file.empty());
    }
}

TEST(Coders, SnrOverSamplesOneToTheEnd) {
    // Signal 20^2 + 20^2 + 0, noise 10^2 + 10^2: a ratio of 4. Sample 0 never counts.
    EXPECT_NEAR(RepackedSnrDb(Bytes{0, 148, 108, 128}, Bytes{99, 138, 118, 128}),
                10 * std::log10(4.0), 1e-9);
    EXPECT_TRUE(std::isinf(RepackedSnrDb(Bytes{0, 1, 2}, Bytes{7, 1, 2})));
    EXPECT_EQ(ParseEncoderName("trellis"), Encoder::Trellis);
    EXPECT_FALSE(ParseEncoderName("Greedy"));
}

TEST(PackedFileName, LastThreeCharactersBecomeC) {
    const std::pair<const char*, const char*> names[] = {
        {"drum.wav", "drum.C"},  {"x.wave", "x.wC"}, {"abc", "C"},
        {"ab", "ab.C"},          {"", ".C"},         {"звук.wav", "звук.C"},
        {"барабан", "бараC"},    {"ж", "ж.C"},       {"a\U0001F941.wav", "a\U0001F941.C"},
        {"x\U0001F941yz", "xC"}, {"жab", "C"}};
    for (const auto& [entry, packed] : names) EXPECT_EQ(PackedFileName(entry), packed) << entry;
}

}  // namespace
}  // namespace corvane
