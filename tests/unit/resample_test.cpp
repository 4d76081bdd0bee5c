// Resampling: tones keep their frequency and level, tones above the new Nyquist rate vanish,
// every bit of a 16-bit source counts, lengths and bounds, progress and stopping, the same bytes
// in both builds.
#include "wave/resample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "files/file_io.h"
#include "support/wav.h"

namespace corvane {
namespace {

using namespace test;

// `count` sample values value(i): 16-bit signed or 8-bit unsigned.
Bytes Samples(std::size_t count, std::uint16_t bits, auto value) {
    Bytes b;
    for (std::size_t i = 0; i < count; ++i) {
        const auto v = static_cast<unsigned>(value(i));
        b.push_back(static_cast<std::uint8_t>(v));
        if (bits == 16) b.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    return b;
}

double Sin(double hz, std::size_t i, std::uint32_t rate) {
    return std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate);
}

// One second of a 16-bit mono sine, `amplitude` in 8-bit units.
Bytes Sine(double hz, std::uint32_t rate, double amplitude) {
    return Samples(rate, 16, [&](std::size_t i) {
        return static_cast<int>(std::lround(amplitude * 256 * Sin(hz, i, rate)));
    });
}

// The RMS of s - 128 - expected(i) over the middle 80 %, in 8-bit units: the edges hold the
// splatter of a sound that starts and stops at once.
double RmsOff(const Bytes& s, auto expected) {
    const std::size_t from = s.size() / 10, to = s.size() - from;
    double energy = 0;
    for (std::size_t i = from; i < to; ++i) energy += std::pow(s[i] - 128.0 - expected(i), 2);
    return std::sqrt(energy / static_cast<double>(to - from));
}

// Sample k is the source at time k / target rate; nothing is left of a tone the new rate
// cannot carry.
TEST(Resample, TonesKeepTimeAndLevelAndNothingAboveNyquistRemains) {
    for (const auto& [from, to] : {std::pair{44100u, 16725u}, {8000u, 22050u}}) {
        const auto out = ResampleToEightBitMono(Sine(1000, from, 100), 1, 16, from, to);
        const double off =
            RmsOff(out.value(), [&](std::size_t i) { return 100 * Sin(1000, i, to); });
        EXPECT_LT(off, 0.35) << from << " -> " << to;  // the 8-bit rounding's own: 0.29
    }
    for (const double hz : {4500.0, 6000.0, 15000.0}) {  // note 48: 8 363 Hz, Nyquist 4 181 Hz
        const auto out = ResampleToEightBitMono(Sine(hz, 44100, 127.9), 1, 16, 44100, 8363);
        EXPECT_LT(RmsOff(out.value(), [](std::size_t) { return 0.0; }), 128 / std::sqrt(2.0) / 100)
            << hz;  // -40 dBFS
    }
}

// A steady level, rounded to nearest from all 16 bits, clamped, channels averaged.
TEST(Resample, LevelsRoundFromSixteenBitsClampAndMixChannels) {
    const struct {
        std::uint16_t bits;
        std::vector<int> frame;
        int expected;
    } cases[] = {
        {16, {200}, 129},  // 0.78: the high byte alone or a floor would say 128
        {16, {-200}, 127}, {16, {90}, 128},         {16, {32767}, 255},
        {16, {-32768}, 0}, {16, {2560, 5120}, 143}, {16, {-32768, 32767}, 128},
        {8, {200}, 200},   {8, {100, 201}, 151},
    };
    for (const auto& c : cases) {
        const auto channels = static_cast<std::uint16_t>(c.frame.size());
        const Bytes in =
            Samples(2000 * channels, c.bits, [&](std::size_t i) { return c.frame[i % channels]; });
        const auto out = ResampleToEightBitMono(in, channels, c.bits, 22050, 16725).value();
        EXPECT_EQ(out[out.size() / 2], c.expected) << c.frame[0] << " in " << c.bits << " bits";
    }
}

TEST(Resample, LengthsAndBounds) {
    EXPECT_EQ(ScaleToRate(10, 4, 3), 8u);  // 7.5, halves up
    EXPECT_EQ(ScaleToRate(5, 0, 7), 0u);
    EXPECT_EQ(ScaleToRate(0xFFFFFFFF, 1000, 100000), 429496729500u);
    EXPECT_TRUE(CanResample(1, 256) && CanResample(256, 1));  // the ratio 1/256 .. 256
    for (const auto& [from, to] : {std::pair{0u, 8000u}, {8000u, 0u}, {1u, 257u}, {257u, 1u}}) {
        EXPECT_FALSE(CanResample(from, to) || ResampleToEightBitMono(Bytes(8), 1, 8, from, to));
    }
    EXPECT_FALSE(ResampleToEightBitMono(Bytes(8), 3, 8, 8000, 8000) ||
                 ResampleToEightBitMono(Bytes(8), 1, 24, 8000, 8000));
    // Half a frame at the end is dropped; the rest makes ScaleToRate(frames) samples.
    for (const std::uint32_t to : {16725u, 44100u, 100000u}) {
        const auto out = ResampleToEightBitMono(Bytes(4 * 1001 + 3), 2, 16, 44100, to);
        EXPECT_EQ(out.value().size(), ScaleToRate(1001, 44100, to)) << to;
    }
    // Progress reaches the end, with the same samples; asked to stop, it gives nothing.
    Progress progress;
    const Bytes source = Sine(440, 44100, 50);
    EXPECT_EQ(ResampleToEightBitMono(source, 1, 16, 44100, 16725, &progress),
              ResampleToEightBitMono(source, 1, 16, 44100, 16725));
    EXPECT_EQ(progress.permille, 1000u);
    progress.stop = true;
    EXPECT_FALSE(ResampleToEightBitMono(source, 1, 16, 44100, 16725, &progress));
}

// Both builds must resample alike: their outputs for integer-made sounds (a triangle wave and
// noise, so that no maths library shapes the input) against the native build's, written by
// CORVANE_WRITE_RESAMPLED=1 (tests/data/README.md).
TEST(Resample, SameBytesAsTheNativeBuild) {
    Bytes made;
    using Case = std::tuple<std::uint16_t, std::uint16_t, std::uint32_t, std::uint32_t>;
    for (const auto& [channels, bits, from, to] : {Case{2, 16, 44100, 16725},
                                                   {1, 8, 8000, 16725},
                                                   {1, 16, 22050, 8363},
                                                   {2, 8, 11025, 11025},
                                                   {1, 16, 44100, 100000}}) {
        std::uint32_t seed = 1;
        const Bytes in = Samples(3000u * channels, bits, [&](std::size_t i) {
            seed = seed * 1664525 + 1013904223;
            const int v = static_cast<int>(i % 64 < 32 ? i % 32 : 32 - i % 32) * 1800 - 28800 +
                          static_cast<int>(seed >> 20) - 2048;
            return bits == 16 ? v : 128 + v / 256;
        });
        const auto out = ResampleToEightBitMono(in, channels, bits, from, to).value();
        made.insert(made.end(), out.begin(), out.end());
    }
    const std::filesystem::path file = CORVANE_TEST_DATA "/resampled.bin";
    std::string error;
    if (std::getenv("CORVANE_WRITE_RESAMPLED")) {
        ASSERT_TRUE(WriteFileReplacing(file, made, error)) << error;
    }
    EXPECT_EQ(ReadWholeFile(file, error), made) << error;
}

}  // namespace
}  // namespace corvane
