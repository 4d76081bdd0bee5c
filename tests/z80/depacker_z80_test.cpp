// The depacker listing, exactly as Corvane writes it, assembled with pasmo and
// run on an emulated Z80 against packed files made by Corvane's encoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "codec/decoder.h"
#include "codec/encoder.h"
#include "codec/encoder_choice.h"
#include "codec/packed_format.h"
#include "z80_depacker.h"

namespace corvane {
namespace {

using z80::DepackerMatchesDecoder;
using z80::DepackerSends;

// The second keeps the table's 11 bytes at the very top of a 256-byte page.
constexpr std::uint16_t kLoadAddresses[] = {0x9000, 0xA0F3};

StepTable DerivedTable(const std::vector<std::uint8_t>& samples) {
    const DifferenceStats stats = ComputeDifferenceStats(samples);
    return DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
}

TEST(Z80Depacker, WorkedExample) {
    const StepTable table = {0, 0, 1, 2, 3, 4, 5, 7, 11, 20, 45};
    const std::vector<std::uint8_t> source = {128, 140, 160, 170, 165, 150, 120,
                                              100, 90,  95,  110, 128, 128, 200};
    const PackedSample packed = PackSamples(source, table);
    const std::vector<std::uint8_t> file = {0x03, 0x00, 0,    0,    1,    2,    3,    4,
                                            5,    7,    0x0B, 0x14, 0x2D, 0x55, 0x7F, 0x90};
    ASSERT_EQ(packed.file, file);
    const std::vector<std::uint8_t> samples = {129, 131, 134, 138, 143, 136,
                                               125, 105, 94,  114, 125, 132};
    for (const std::uint16_t at : kLoadAddresses) EXPECT_TRUE(DepackerSends(file, samples, at));
}

TEST(Z80Depacker, OneDataByte) {
    const std::vector<std::uint8_t> source = {128, 100, 90, 140, 200, 7};
    const PackedSample packed = PackSamples(source, DerivedTable(source));
    ASSERT_EQ(packed.file.size(), 14u);
    for (const std::uint16_t at : kLoadAddresses) {
        EXPECT_TRUE(DepackerMatchesDecoder(packed.file, at));
    }
}

struct Clips {
    int low = 0, high = 0;
};

// How often rebuilding `file` limits a step at 0 and at 255, by the rule itself.
Clips CountClips(const std::vector<std::uint8_t>& file) {
    const auto view = ParsePackedFile(file);
    Clips clips;
    int amplitude = 128, index = 1;
    for (std::size_t c = 0; view && c < 4 * view->data.size(); ++c) {
        const int code = view->data[c / 4] >> (6 - 2 * (c % 4)) & 3;
        index += (code & 1) ? 1 : -1;
        const int step = view->table[static_cast<std::size_t>(index)];
        amplitude = (code & 2) ? amplitude - step : amplitude + step;
        if (amplitude < 0) ++clips.low;
        if (amplitude > 255) ++clips.high;
        amplitude = std::clamp(amplitude, 0, 255);
        index = std::clamp(index, 1, 9);
    }
    return clips;
}

// Random tables with large entries drive the amplitude past both limits.
TEST(Z80Depacker, RandomSourcesAndTablesClipAtBothEnds) {
    std::mt19937 random(20260);
    Clips clips;
    for (int round = 0; round < 24; ++round) {
        StepTable table;
        for (auto& entry : table) {
            entry = static_cast<std::uint8_t>(round % 2 ? random() % 256 : random() % 40);
        }
        std::vector<std::uint8_t> source(2 + 4 * (1 + random() % 300));
        int level = 128;
        for (auto& s : source) {
            level = random() % 16 == 0
                        ? static_cast<int>(random() % 256)
                        : std::clamp(level + static_cast<int>(random() % 61) - 30, 0, 255);
            s = static_cast<std::uint8_t>(level);
        }
        std::vector<std::uint8_t> tracked;
        const PackedSample packed = PackSamples(source, table, &tracked);
        clips.low += CountClips(packed.file).low;
        clips.high += CountClips(packed.file).high;
        for (const std::uint16_t at : kLoadAddresses) {
            EXPECT_TRUE(DepackerSends(packed.file, tracked, at)) << "round " << round;
        }
    }
    EXPECT_GT(clips.low, 0);
    EXPECT_GT(clips.high, 0);
}

// Every data byte value, in random order, so every code in every position
// occurs and the table pointer is pulled back from both ends.
TEST(Z80Depacker, EveryDataByteValue) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> codes;
    for (int round = 0; round < 4; ++round) {
        std::vector<int> bytes(256);
        for (int b = 0; b < 256; ++b) bytes[b] = b;
        std::ranges::shuffle(bytes, random);
        for (const int b : bytes) {
            for (int shift = 6; shift >= 0; shift -= 2) {
                codes.push_back(static_cast<std::uint8_t>((b >> shift) & 3));
            }
        }
    }
    StepTable table;
    for (auto& entry : table) entry = static_cast<std::uint8_t>(random() % 256);
    const PackedSample packed = PackCodes(codes, table);
    ASSERT_EQ(packed.file.size(), 13u + 1024u);
    for (const std::uint16_t at : kLoadAddresses) {
        EXPECT_TRUE(DepackerMatchesDecoder(packed.file, at));
    }
}

TEST(Z80Depacker, LongFiles) {
    // A tone with a slow sweep and some noise: 6000 data bytes.
    std::mt19937 random(3);
    std::vector<std::uint8_t> tone(2 + 4 * 6000);
    for (std::size_t i = 0; i < tone.size(); ++i) {
        const double t = static_cast<double>(i);
        const double v =
            128 + 90 * std::sin(t * (0.02 + t * 1e-6)) + static_cast<double>(random() % 9) - 4;
        tone[i] = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
    }
    const PackedSample packed = PackSamples(tone, DerivedTable(tone));
    ASSERT_EQ(packed.file.size(), 13u + 6000u);
    for (const std::uint16_t at : kLoadAddresses) {
        EXPECT_TRUE(DepackerMatchesDecoder(packed.file, at));
    }
}

// Files of the trellis and optimal encoders play through the same routine:
// with the derived table, with a searched one, and with large random tables
// that drive the amplitude into its limits.
TEST(Z80Depacker, TrellisAndOptimalFiles) {
    std::mt19937 random(6);
    bool searchedTable = false;
    for (int round = 0; round < 6; ++round) {
        std::vector<std::uint8_t> source(2 + 4 * (200 + random() % 300));
        int level = 128;
        for (std::size_t i = 0; i < source.size(); ++i) {
            const double tone = 60 * std::sin(static_cast<double>(i) * 0.09);
            level = round % 2 ? std::clamp(level + static_cast<int>(random() % 81) - 40, 0, 255)
                              : static_cast<int>(128 + tone) + static_cast<int>(random() % 9) - 4;
            source[i] = static_cast<std::uint8_t>(std::clamp(level, 0, 255));
        }
        StepTable table = DerivedTable(source);
        if (round >= 4) {
            for (auto& entry : table) entry = static_cast<std::uint8_t>(random() % 256);
        }
        for (const Encoder encoder : {Encoder::Trellis, Encoder::Optimal}) {
            std::vector<std::uint8_t> tracked;
            const PackedSample packed = PackWithEncoder(encoder, source, table, &tracked);
            searchedTable =
                searchedTable || !std::equal(table.begin(), table.end(), packed.file.begin() + 2);
            for (const std::uint16_t at : kLoadAddresses) {
                EXPECT_TRUE(DepackerSends(packed.file, tracked, at))
                    << "round " << round << " encoder " << static_cast<int>(encoder);
            }
        }
    }
    EXPECT_TRUE(searchedTable);
}

}  // namespace
}  // namespace corvane
