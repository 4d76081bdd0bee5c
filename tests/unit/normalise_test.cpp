#include <gtest/gtest.h>

#include "wav_builder.h"
#include "wave/source.h"

namespace corvane {
namespace {

using test::CanonicalWav;

std::vector<std::uint8_t> Samples(const std::vector<std::uint8_t>& image) {
    const auto s = SamplesOf(image);
    return {s.begin(), s.end()};
}

TEST(Normalise, SixteenBitKeepsTheHighByteMovedToUnsigned) {
    auto image = CanonicalWav({1, 1, 8000, 16}, test::Pcm16({-32768, -1, 0, 32767, 256, -257}));
    NormaliseSample(image, 2);
    EXPECT_EQ(Samples(image), (std::vector<std::uint8_t>{0, 127, 128, 255, 129, 126}));
    const WaveHeader h = WaveHeader::From(image);
    EXPECT_EQ(h.Channels(), 1);  // mono: only the width pass ran
    EXPECT_EQ(h.BitsPerSample(), 8);
    EXPECT_EQ(h.DataSize(), 6u);
}

TEST(Normalise, StereoAveragesRoundingDown) {
    auto image = CanonicalWav({1, 2, 8000, 8}, {255, 0, 1, 2, 255, 255});
    NormaliseSample(image, 1);
    EXPECT_EQ(Samples(image), (std::vector<std::uint8_t>{127, 1, 255}));
    EXPECT_EQ(WaveHeader::From(image).Channels(), 1);
}

TEST(Normalise, SecondOfSixteenBitStereoBecomesEightBitMono) {
    auto image = CanonicalWav({1, 2, 44100, 16}, std::vector<std::uint8_t>(176400, 0));
    ASSERT_EQ(image.size(), 176444u);
    NormaliseSample(image, 2);
    ASSERT_EQ(image.size(), 44144u);
    const WaveHeader h = WaveHeader::From(image);
    EXPECT_EQ(h.RiffSize(), 44136u);
    EXPECT_EQ(h.DataSize(), 44100u);
    EXPECT_EQ(h.ByteRate(), 44100u);
    EXPECT_EQ(h.BlockAlign(), 1);
    EXPECT_EQ(h.BitsPerSample(), 8);
    EXPECT_EQ(h.Channels(), 1);
    EXPECT_EQ(h.SampleRate(), 44100u);
    EXPECT_EQ(image[44], 128);  // 16-bit zero, averaged, is silence
}

TEST(Normalise, RejectedFilesAreStillConvertedAsTheirFieldsSay) {
    // 24 bits is refused but its stereo pairs are still averaged byte by byte.
    auto image = CanonicalWaveImage(CanonicalWav({1, 2, 8000, 24}, {10, 20, 30, 40, 50}));
    NormaliseSample(image, 3);
    EXPECT_EQ(Samples(image), (std::vector<std::uint8_t>{15, 35}));  // odd byte dropped
    const WaveHeader h = WaveHeader::From(image);
    EXPECT_EQ(h.BitsPerSample(), 8);
    EXPECT_EQ(h.Channels(), 1);
}

TEST(Normalise, EmptySampleAreaStillRewritesTheHeader) {
    auto image = CanonicalWav({1, 2, 8000, 16}, {});
    NormaliseSample(image, 2);
    ASSERT_EQ(image.size(), 44u);
    const WaveHeader h = WaveHeader::From(image);
    EXPECT_EQ(h.Channels(), 1);
    EXPECT_EQ(h.BlockAlign(), 1);
    EXPECT_EQ(h.RiffSize(), 36u);
}

TEST(Normalise, OddSixteenBitAreaLosesItsLastByte) {
    auto image = CanonicalWaveImage(CanonicalWav({1, 1, 8000, 16}, {0x00, 0x7F, 0x00}));
    NormaliseSample(image, 2);
    EXPECT_EQ(Samples(image), (std::vector<std::uint8_t>{255}));
}

TEST(Normalise, EightBitMonoIsUntouched) {
    const auto original = CanonicalWav({1, 1, 8000, 8}, {1, 2, 3});
    auto image = original;
    NormaliseSample(image, 1);
    EXPECT_EQ(image, original);
}

}  // namespace
}  // namespace corvane
