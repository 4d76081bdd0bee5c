// Resampling: tones keep their frequency and level up to the edge of the new band, tones above
// the new Nyquist rate vanish, every bit of a wide source counts, lengths and bounds, progress
// and stopping, the same bytes in both builds.
#include "wave/resample.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "files/file_io.h"
#include "support/wav.h"

namespace corvane {
namespace {

using namespace test;

// `count` values value(i) in `coding`: signed integers (8 bits: unsigned) or floats.
Bytes Samples(std::size_t count, SampleCoding coding, auto value) {
    Bytes b;
    for (std::size_t i = 0; i < count; ++i) {
        const auto v = coding.floating
                           ? std::bit_cast<std::uint32_t>(static_cast<float>(value(i)))
                           : static_cast<std::uint32_t>(static_cast<std::int64_t>(value(i)));
        for (int k = 0; k < coding.bits; k += 8) b.push_back(static_cast<std::uint8_t>(v >> k));
    }
    return b;
}

double Sin(double hz, std::size_t i, std::uint32_t rate) {
    return std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate);
}

// One second of a 16-bit mono sine, `amplitude` in 8-bit units.
Bytes Sine(double hz, std::uint32_t rate, double amplitude) {
    return Samples(rate, {16, false}, [&](std::size_t i) {
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

// Sample k is the source at time k / target rate, as loud, to 90 % of the new band, and 3 dB at
// most down at 95 %; nothing is left of a tone the new rate cannot carry.
TEST(Resample, TonesKeepTimeAndLevelToTheBandEdgeAndNothingAboveNyquistRemains) {
    for (const auto& [from, to] : {std::pair{44100u, 16725u}, {8000u, 22050u}}) {
        const auto out = ResampleToEightBitMono(Sine(1000, from, 100), 1, {}, from, to);
        const double off =
            RmsOff(out.value(), [&](std::size_t i) { return 100 * Sin(1000, i, to); });
        EXPECT_LT(off, 0.35) << from << " -> " << to;  // the 8-bit rounding's own: 0.29
    }
    const std::uint32_t note48 = 8363;
    for (const auto& [share, least] : {std::pair{0.9, -1.0}, {0.95, -3.0}}) {
        const double hz = share * note48 / 2;
        const Bytes out =
            ResampleToEightBitMono(Sine(hz, 44100, 100), 1, {}, 44100, note48).value();
        const double rms = RmsOff(out, [](std::size_t) { return 0.0; });
        EXPECT_GT(20 * std::log10(rms / (100 / std::sqrt(2.0))), least) << share;
        EXPECT_LT(20 * std::log10(rms / (100 / std::sqrt(2.0))), 0.1) << share;
    }
    for (const double hz : {4300.0, 6000.0, 15000.0}) {  // Nyquist at note 48: 4 181.5 Hz
        const auto out = ResampleToEightBitMono(Sine(hz, 44100, 127.9), 1, {}, 44100, note48);
        EXPECT_LT(RmsOff(out.value(), [](std::size_t) { return 0.0; }), 128 / std::sqrt(2.0) / 100)
            << hz;  // -40 dBFS
    }
}

// A steady level, rounded to nearest from all its bits, clamped, channels averaged.
TEST(Resample, LevelsRoundFromEveryBitClampAndMixChannels) {
    const struct {
        SampleCoding coding;
        std::vector<double> frame;
        int expected;
    } cases[] = {
        {{16, false}, {200}, 129},  // 0.78: the high byte alone or a floor would say 128
        {{16, false}, {-200}, 127},
        {{16, false}, {90}, 128},
        {{16, false}, {32767}, 255},
        {{16, false}, {-32768}, 0},
        {{16, false}, {2560, 5120}, 143},
        {{16, false}, {-32768, 32767}, 128},
        {{8, false}, {200}, 200},
        {{8, false}, {100, 202}, 151},
        {{24, false}, {51200}, 129},  // 0.78 again, from the 24-bit value's low bytes
        {{24, false}, {-8388608, -8388608}, 0},
        {{32, false}, {-13107200}, 127},  // -0.78
        {{32, false}, {2147483647}, 255},
        {{32, true}, {0.25, -0.5}, 112},
        {{32, true}, {0.006}, 129},
        {{32, true}, {4.0}, 255},  // beyond full scale: clipped
        {{32, true}, {NAN}, 128},
    };
    for (const auto& c : cases) {
        const auto channels = static_cast<std::uint16_t>(c.frame.size());
        const Bytes in = Samples(2000 * channels, c.coding,
                                 [&](std::size_t i) { return c.frame[i % channels]; });
        for (const std::uint32_t to : {16725u, 22050u}) {
            const auto out = ResampleToEightBitMono(in, channels, c.coding, 22050, to).value();
            EXPECT_EQ(out[out.size() / 2], c.expected)
                << c.frame[0] << " in " << c.coding.bits << " bits to " << to;
        }
    }
}

// Every sample comes from the source: the last one of a steady level is not silence added to
// make up the count.
TEST(Resample, LengthsAndBounds) {
    EXPECT_EQ(ScaleToRate(10, 4, 3), 8u);  // 7.5, halves up
    EXPECT_EQ(ScaleToRate(5, 0, 7), 0u);
    EXPECT_EQ(ScaleToRate(0xFFFFFFFF, 1000, 100000), 429496729500u);
    EXPECT_TRUE(CanResample(1, 256) && CanResample(256, 1));  // the ratio 1/256 .. 256
    for (const auto& [from, to] : {std::pair{0u, 8000u}, {8000u, 0u}, {1u, 257u}, {257u, 1u}}) {
        EXPECT_FALSE(CanResample(from, to) ||
                     ResampleToEightBitMono(Bytes(8), 1, {8, false}, from, to));
    }
    for (const SampleCoding coding : {SampleCoding{12, false}, {16, true}, {64, true}}) {
        EXPECT_FALSE(ResampleToEightBitMono(Bytes(8), 1, coding, 8000, 8000)) << coding.bits;
    }
    EXPECT_FALSE(ResampleToEightBitMono(Bytes(8), 3, {8, false}, 8000, 8000));
    // Half a frame at the end is dropped; the rest makes ScaleToRate(frames) samples.
    const Bytes level = Samples(2 * 1001, {16, false}, [](std::size_t) { return 20000; });
    for (const std::uint32_t to : {8363u, 11025u, 16725u, 16609u, 44100u, 100000u}) {
        Bytes in = level;
        in.resize(in.size() + 3);
        const auto out = ResampleToEightBitMono(in, 2, {16, false}, 44100, to).value();
        ASSERT_EQ(out.size(), ScaleToRate(1001, 44100, to)) << to;
        EXPECT_GT(out.back(), 128 + 20) << to;  // the edge of a level of 78
    }
    // Progress reaches the end, with the same samples; asked to stop, it gives nothing.
    Progress progress;
    const Bytes source = Samples(44100, {16, false}, [](std::size_t k) { return int(k % 97) * 300; });
    EXPECT_EQ(ResampleToEightBitMono(source, 1, {16, false}, 44100, 16725, &progress),
              ResampleToEightBitMono(source, 1, {16, false}, 44100, 16725));
    EXPECT_EQ(progress.permille, 1000u);
    progress.stop = true;
    EXPECT_FALSE(ResampleToEightBitMono(source, 1, {16, false}, 44100, 16725, &progress));
}

// Both builds must resample alike: their outputs for integer-made sounds (a triangle wave and
// noise, so that no maths library shapes the input) against the native build's, written by
// CORVANE_WRITE_RESAMPLED=1 (tests/data/README.md).
TEST(Resample, SameBytesAsTheNativeBuild) {
    Bytes made;
    using Case = std::tuple<std::uint16_t, SampleCoding, std::uint32_t, std::uint32_t>;
    for (const auto& [channels, coding, from, to] : {Case{2, {16, false}, 44100, 16725},
                                                     {1, {8, false}, 8000, 16725},
                                                     {1, {16, false}, 22050, 8363},
                                                     {2, {8, false}, 11025, 11025},
                                                     {1, {16, false}, 44100, 100000},
                                                     {2, {24, false}, 48000, 16609},
                                                     {1, {32, true}, 96000, 8363}}) {
        std::uint32_t seed = 1;
        const Bytes in = Samples(3000u * channels, coding, [&](std::size_t i) {
            seed = seed * 1664525 + 1013904223;
            const int v = static_cast<int>(i % 64 < 32 ? i % 32 : 32 - i % 32) * 1800 - 28800 +
                          static_cast<int>(seed >> 20) - 2048;
            return coding.floating     ? v / 32768.0
                   : coding.bits == 8  ? 128 + v / 256
                   : coding.bits == 24 ? v * 256
                                       : v;
        });
        const auto out = ResampleToEightBitMono(in, channels, coding, from, to).value();
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
