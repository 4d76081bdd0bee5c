// The encoder, the decoder, the statistics, the waveform and the normalisation run on lookup
// tables and fused loops for speed. Each is checked, over many random inputs, against a plain
// sample-by-sample model of the rules it implements.
#include <gtest/gtest.h>

#include "analysis/plots.h"
#include "analysis/statistics.h"
#include "codec/decoder.h"
#include "codec/encoder.h"
#include "support/wav.h"
#include "wave/source.h"

namespace corvane {
namespace {

using namespace test;

// One code of the rule: the index moves up (bit 0) or down, the step there is added or
// (bit 1) subtracted, the amplitude is clamped, and index 0 or 10 is pulled back.
void ModelStep(int& amplitude, int& index, int code, const StepTable& table) {
    index += code & 1 ? 1 : -1;
    const int step = table[static_cast<std::size_t>(index)];
    amplitude = std::clamp(code & 2 ? amplitude - step : amplitude + step, 0, 255);
    index = std::clamp(index, 1, 9);
}

// The greedy coder: each sample gets the code, on its side of the amplitude, whose step lands
// nearer (ties go up).
Bytes ModelPack(const Bytes& samples, const StepTable& table, Bytes& tracked) {
    Bytes data(PackedDataLength(samples.size()), 0);
    tracked.clear();
    int amplitude = 128, index = 1;
    for (std::size_t c = 0; c < 4 * data.size(); ++c) {
        const int s = samples[c + 1], sign = s < amplitude ? -1 : 1;
        const int up = std::abs(s - amplitude - sign * table[static_cast<std::size_t>(index + 1)]);
        const int down =
            std::abs(s - amplitude - sign * table[static_cast<std::size_t>(index - 1)]);
        const int code = (sign < 0 ? 2 : 0) | (up <= down ? 1 : 0);
        ModelStep(amplitude, index, code, table);
        data[c / 4] = static_cast<std::uint8_t>(data[c / 4] | code << (6 - 2 * (c % 4)));
        tracked.push_back(static_cast<std::uint8_t>(amplitude));
    }
    return data;
}

StepTable RandomTable(std::mt19937& random, bool derivedLooking) {
    StepTable table;
    for (std::size_t k = 0; k < table.size(); ++k) {
        table[k] = static_cast<std::uint8_t>(derivedLooking ? k * k * (random() % 3) : random());
    }
    return table;
}

TEST(FastPaths, EncoderAndDecoderFollowTheRule) {
    std::mt19937 random(11);
    const std::size_t limits[] = {12, 800, 3700, 61000};
    for (int round = 0; round < 300; ++round) {
        const Bytes samples = RandomSound(random, random() % limits[round % 4]);
        const StepTable table = RandomTable(random, round % 2);
        Bytes tracked, modelTracked;
        const Bytes file = PackSamples(samples, table, &tracked).file;
        ASSERT_EQ(Bytes(file.begin() + kPackedHeaderSize, file.end()),
                  ModelPack(samples, table, modelTracked))
            << round;
        ASSERT_EQ(tracked, modelTracked) << round;

        // Arbitrary data, decoded into room for all its samples or fewer.
        Bytes data(random() % 3 ? random() % 5000 : random() % 5);
        for (auto& b : data) b = static_cast<std::uint8_t>(random());
        const std::size_t room = round % 3 ? 4 * data.size() + 1 : random() % (4 * data.size() + 2);
        Bytes out(room, 0xEE), model;
        int amplitude = 128, index = 1;
        for (std::size_t c = 0; c <= 4 * data.size() && model.size() < room; ++c) {
            if (c > 0)
                ModelStep(amplitude, index, (data[(c - 1) / 4] >> (6 - 2 * ((c - 1) % 4))) & 3,
                          table);
            model.push_back(static_cast<std::uint8_t>(amplitude));
        }
        ASSERT_EQ(DecodeInto(data, table, out), model.size()) << round;
        model.resize(room, 0xEE);
        ASSERT_EQ(out, model) << round;
    }
}

TEST(FastPaths, StatisticsCountEveryDifference) {
    std::mt19937 random(12);
    for (int round = 0; round < 300; ++round) {
        const Bytes samples = RandomSound(random, random() % (round % 2 ? 50 : 20000));
        DifferenceHistogram
            counts{};  // a jump too wide to show counts as none, keeping the reference
        for (std::size_t i = 1, reference = 0; i < samples.size(); ++i) {
            const int d = samples[i] - samples[reference];
            const bool shown = d >= -128 && d <= 127;
            ++counts[static_cast<std::size_t>(shown ? d + 128 : 128)];
            if (shown) reference = i;
        }
        std::vector<int> twice;  // differences seen at least twice
        for (int k = 0; k < 256; ++k) {
            if (counts[static_cast<std::size_t>(k)] >= 2) twice.push_back(k - 128);
        }
        const DifferenceStats stats = ComputeDifferenceStats(samples);
        ASSERT_EQ(stats.histogram, counts);
        EXPECT_EQ(stats.peak, *std::max_element(counts.begin(), counts.end()));
        EXPECT_EQ(stats.gainSpanLow, twice.empty() ? 127 : twice.front());
        EXPECT_EQ(stats.gainSpanHigh, twice.empty() ? -128 : twice.back());
    }
}

// A dot per sample, squeezed into 776 columns (those past the last whole column dropped), and
// the centre line XORed over them.
TEST(FastPaths, WaveformIsADotPerSample) {
    std::mt19937 random(13);
    for (const std::size_t length : {0, 1, 775, 776, 777, 1551, 1552, 2328, 5000, 100000}) {
        const Bytes samples = RandomSound(random, length);
        Bytes pixels(kWaveformBytes), model(kWaveformBytes);
        ClearPixels(pixels);
        ClearPixels(model);
        DrawWaveform(samples, std::span<std::uint8_t, kWaveformBytes>(pixels));
        const std::size_t perColumn = std::max<std::size_t>(1, length / 776);
        for (std::size_t i = 0; i < length && i / perColumn < 776; ++i) {
            const std::size_t at = ((127 - samples[i] / 2) * 776 + i / perColumn) * 4;
            std::copy_n(Bytes{215, 120, 0}.begin(), 3,
                        model.begin() + static_cast<std::ptrdiff_t>(at));
        }
        for (std::size_t k = 0; k < 776 * 4; ++k) {
            std::uint8_t& channel = model[64 * 776 * 4 + k];
            if (k % 4 < 3) channel = static_cast<std::uint8_t>(channel ^ 16);
        }
        ASSERT_EQ(pixels, model) << length << " samples";
    }
}

// 16 to 8 bits keeps each high byte, flipped to unsigned; stereo to mono averages each pair,
// rounding down; odd ends drop. Header fields aside, here.
TEST(FastPaths, NormalisationIsTwoSimplePasses) {
    std::mt19937 random(14);
    for (const unsigned bits : {8u, 16u}) {
        for (const unsigned channels : {1u, 2u}) {
            for (const std::size_t size : {0, 1, 3, 5, 7, 63, 64, 65, 67, 127, 1001, 65537}) {
                Bytes samples(size);
                for (auto& b : samples) b = static_cast<std::uint8_t>(random());
                Bytes image = Wav({1, channels, 8000, bits}, samples), model;
                if (bits == 16) {
                    for (std::size_t i = 1; i < samples.size(); i += 2)
                        model.push_back(static_cast<std::uint8_t>(samples[i] ^ 0x80));
                    samples = model;
                }
                if (channels == 2) {
                    model.clear();
                    for (std::size_t i = 1; i < samples.size(); i += 2) {
                        model.push_back(
                            static_cast<std::uint8_t>((samples[i - 1] + samples[i]) / 2));
                    }
                } else {
                    model = samples;
                }
                NormaliseSample(image, static_cast<std::uint8_t>(bits / 8));
                ASSERT_EQ(Bytes(image.begin() + 44, image.end()), model)
                    << bits << " bits, " << channels << " channels, " << size << " bytes";
            }
        }
    }
}

}  // namespace
}  // namespace corvane
