// The encoder, the decoder, the statistics, the waveform and the normalisation run on
// lookup tables and fused loops for speed. Each is checked here, on many random
// inputs, against a plain sample-by-sample model of the rules it implements.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "analysis/plots.h"
#include "analysis/statistics.h"
#include "codec/decoder.h"
#include "codec/encoder.h"
#include "codec/packed_format.h"
#include "support/wav.h"
#include "wave/source.h"

namespace corvane {
namespace {

using test::Bytes;
using test::RandomSound;

// Sample by sample, as the packed format describes the greedy coder.
Bytes ModelPack(const Bytes& samples, const StepTable& table, Bytes& tracked) {
    const std::size_t codeCount = 4 * PackedDataLength(samples.size());
    Bytes data(codeCount / 4, 0);
    tracked.assign(codeCount, 0);
    int amplitude = 128, index = 1;
    for (std::size_t c = 0; c < codeCount; ++c) {
        const int s = samples[c + 1];
        const bool minus = s < amplitude;
        const int sign = minus ? -1 : 1;
        const int up = amplitude + sign * table[static_cast<std::size_t>(index + 1)];
        const int down = amplitude + sign * table[static_cast<std::size_t>(index - 1)];
        const bool chooseUp = std::abs(s - up) <= std::abs(s - down);
        index += chooseUp ? 1 : -1;
        amplitude = std::clamp(chooseUp ? up : down, 0, 255);
        if (index == 0) index = 1;
        if (index == 10) index = 9;
        const int code = (minus ? 2 : 0) | (chooseUp ? 1 : 0);
        data[c / 4] = static_cast<std::uint8_t>(data[c / 4] | code << (6 - 2 * (c % 4)));
        tracked[c] = static_cast<std::uint8_t>(amplitude);
    }
    return data;
}

DifferenceStats ModelStats(const Bytes& samples) {
    DifferenceStats stats;
    int reference = samples.empty() ? 0 : samples[0];
    for (std::size_t i = 1; i < samples.size(); ++i) {
        int d = samples[i] - reference;
        if (d < -128 || d > 127) {
            d = 0;
        } else {
            reference = samples[i];
        }
        ++stats.histogram[static_cast<std::size_t>(d + 128)];
    }
    stats.peak = *std::max_element(stats.histogram.begin(), stats.histogram.end());
    int low = 255, high = 0;
    for (int k = 255; k >= 0; --k) {
        if (stats.histogram[static_cast<std::size_t>(k)] >= 2) low = k;
    }
    for (int k = 0; k < 256; ++k) {
        if (stats.histogram[static_cast<std::size_t>(k)] >= 2) high = k;
    }
    stats.gainSpanLow = static_cast<std::int16_t>(low - 128);
    stats.gainSpanHigh = static_cast<std::int16_t>(high - 128);
    return stats;
}

Bytes ModelWaveform(const Bytes& samples) {
    Bytes pixels(kWaveformBytes, 0);
    ClearPixels(pixels);
    const std::size_t n = samples.size();
    const std::size_t perColumn = std::max<std::size_t>(1, n / 776);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t x = i / perColumn;
        if (x >= 776) continue;
        const std::size_t at = ((127 - samples[i] / 2) * 776 + x) * 4;
        pixels[at] = 215;
        pixels[at + 1] = 120;
        pixels[at + 2] = 0;
    }
    for (std::size_t x = 0; x < 776; ++x) {
        for (std::size_t k = 0; k < 3; ++k) pixels[(64 * 776 + x) * 4 + k] ^= 16;
    }
    return pixels;
}

// Two in-place passes over the sample bytes, header fields left aside.
Bytes ModelNormalisedSamples(Bytes image, bool sixteenBits, bool stereo) {
    auto halve = [&image](auto combine) {
        const std::size_t n = image.size() - 44;
        for (std::size_t i = 0; i + 1 < n; i += 2) {
            image[44 + i / 2] = combine(image[44 + i], image[44 + i + 1]);
        }
        image.resize(44 + n / 2);
    };
    if (sixteenBits) halve([](int, int high) { return static_cast<std::uint8_t>(high ^ 0x80); });
    if (stereo) halve([](int l, int r) { return static_cast<std::uint8_t>((l + r) >> 1); });
    return Bytes(image.begin() + 44, image.end());
}

std::size_t RandomLength(std::mt19937& random) {
    const std::size_t limits[] = {12, 800, 3700, 61000};
    return random() % limits[random() % 4];
}

TEST(FastPaths, EncoderMatchesTheSampleBySampleCoder) {
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        const Bytes samples = RandomSound(random, RandomLength(random));
        StepTable table;
        // Derived-looking tables and arbitrary ones (unsorted, large, zero).
        for (std::size_t k = 0; k < table.size(); ++k) {
            table[k] =
                static_cast<std::uint8_t>(round % 2 ? random() % 256 : k * k * (random() % 3));
        }
        Bytes tracked, modelTracked;
        const PackedSample packed = PackSamples(samples, table, &tracked);
        const Bytes modelData = ModelPack(samples, table, modelTracked);
        ASSERT_EQ(Bytes(packed.file.begin() + kPackedHeaderSize, packed.file.end()), modelData)
            << "round " << round;
        ASSERT_EQ(tracked, modelTracked) << "round " << round;
        ASSERT_EQ(PackSamples(samples, table).file, packed.file) << "round " << round;
    }
}

// The reconstruction rule, code by code, into at most `room` samples.
Bytes ModelDecode(const Bytes& data, const StepTable& table, std::size_t room) {
    if (room == 0) return {};
    Bytes out = {128};
    int amplitude = 128, index = 1;
    for (std::size_t c = 0; c < 4 * data.size() && out.size() < room; ++c) {
        const int code = data[c / 4] >> (6 - 2 * (c % 4)) & 3;
        index += (code & 1) ? 1 : -1;
        const int step = table[static_cast<std::size_t>(index)];
        amplitude = std::clamp((code & 2) ? amplitude - step : amplitude + step, 0, 255);
        if (index == 0) index = 1;
        if (index == 10) index = 9;
        out.push_back(static_cast<std::uint8_t>(amplitude));
    }
    return out;
}

TEST(FastPaths, DecoderMatchesTheReconstructionRule) {
    std::mt19937 random(16);
    for (int round = 0; round < 300; ++round) {
        Bytes data(random() % 3 == 0 ? random() % 5 : random() % 5000);
        for (auto& b : data) b = static_cast<std::uint8_t>(random());
        StepTable table;
        for (auto& entry : table)
            entry = static_cast<std::uint8_t>(random() % (round % 2 ? 256 : 30));
        // Room for all samples, or fewer (decoding over a shorter image stops early).
        const std::size_t room =
            round % 3 == 0 ? random() % (4 * data.size() + 2) : 4 * data.size() + 1;
        Bytes out(room, 0xEE);
        const std::size_t written = DecodeInto(data, table, out);
        const Bytes model = ModelDecode(data, table, room);
        ASSERT_EQ(written, model.size()) << "round " << round;
        ASSERT_TRUE(std::equal(model.begin(), model.end(), out.begin())) << "round " << round;
        ASSERT_TRUE(std::all_of(out.begin() + static_cast<std::ptrdiff_t>(written), out.end(),
                                [](std::uint8_t b) { return b == 0xEE; }));
    }
}

TEST(FastPaths, StatisticsMatchTheSampleBySampleCount) {
    std::mt19937 random(12);
    for (int round = 0; round < 300; ++round) {
        const Bytes samples = RandomSound(random, RandomLength(random));
        const DifferenceStats fast = ComputeDifferenceStats(samples);
        const DifferenceStats model = ModelStats(samples);
        ASSERT_EQ(fast.histogram, model.histogram) << "round " << round;
        ASSERT_EQ(fast.peak, model.peak);
        ASSERT_EQ(fast.gainSpanLow, model.gainSpanLow);
        ASSERT_EQ(fast.gainSpanHigh, model.gainSpanHigh);
    }
}

TEST(FastPaths, WaveformMatchesTheDotPerSampleDrawing) {
    std::mt19937 random(13);
    const std::size_t lengths[] = {0, 1, 775, 776, 777, 1551, 1552, 2328, 5000, 100000};
    for (const std::size_t length : lengths) {
        const Bytes samples = RandomSound(random, length);
        Bytes pixels(kWaveformBytes, 0);
        ClearPixels(pixels);
        DrawWaveform(samples, std::span<std::uint8_t, kWaveformBytes>(pixels));
        ASSERT_EQ(pixels, ModelWaveform(samples)) << length << " samples";
    }
}

TEST(FastPaths, NormalisationMatchesTwoSeparatePasses) {
    std::mt19937 random(14);
    for (const unsigned bits : {8u, 16u}) {
        for (const unsigned channels : {1u, 2u}) {
            for (const std::size_t bytes :
                 {0, 1, 2, 3, 4, 5, 7, 8, 63, 64, 65, 67, 127, 128, 1001, 4096, 65537}) {
                Bytes image(44 + bytes);
                for (auto& b : image) b = static_cast<std::uint8_t>(random());
                WaveHeader header = MonoWaveHeader(8000, 0);
                header.SetChannels(static_cast<std::uint16_t>(channels));
                header.SetBitsPerSample(static_cast<std::uint16_t>(bits));
                header.WriteTo(image);
                const Bytes model = ModelNormalisedSamples(image, bits == 16, channels == 2);
                NormaliseSample(image, static_cast<std::uint8_t>(bits / 8));
                ASSERT_EQ(Bytes(image.begin() + 44, image.end()), model)
                    << bits << " bits, " << channels << " channels, " << bytes << " bytes";
            }
        }
    }
}

}  // namespace
}  // namespace corvane
