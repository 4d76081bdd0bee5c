// The loop of a "smpl" chunk: read from hand-made chunks, checked against the samples, kept,
// cut after or ignored, and carried to another rate.
#include <gtest/gtest.h>

#include <fstream>

#include "card/card_loop.h"
#include "codec/packed_format.h"
#include "support/wav.h"
#include "wave/source.h"

namespace corvane {
namespace {

using namespace test;

// A sampler chunk with `loops` declared and the first loop's start and end, `size` bytes long.
Bytes Smpl(std::uint32_t loops, std::uint32_t start, std::uint32_t end, std::size_t size = 60) {
    Bytes b(28, 0);
    PutU32(b, loops);
    PutU32(b, 0);  // sampler data
    for (const std::uint32_t field : {0u, 0u, start, end, 0u, 0u}) PutU32(b, field);
    b.resize(size, 0);
    return b;
}

// 1000 frames of 16-bit stereo, the "smpl" chunk after the data or before it.
LoadedSource Load(const Bytes& smpl, bool smplFirst = false, const Preparation& how = {}) {
    const Bytes data = Pcm16(std::vector<int>(2000, 1000));
    const Bytes file =
        smplFirst ? Riff({{"fmt ", FmtPayload({1, 2, 8000, 16})}, {"smpl", smpl}, {"data", data}})
                  : Riff({{"fmt ", FmtPayload({1, 2, 8000, 16})},
                          {"data", data},
                          {"LIST", Bytes(5, 1)},
                          {"smpl", smpl}});
    return LoadSourceBytes(file, how);
}

TEST(SampleLoop, ReadAndCheckedAgainstTheSamples) {
    const struct {
        Bytes smpl;
        std::optional<SampleLoop> loop;
        LoopProblem problem;
    } cases[] = {
        {Smpl(1, 100, 899), SampleLoop{100, 899}, LoopProblem::None},
        {Smpl(2, 0, 999, 84), SampleLoop{0, 999}, LoopProblem::None},  // the last frame
        {Smpl(0, 100, 899), std::nullopt, LoopProblem::None},          // no loop
        {Smpl(1, 100, 899, 59), std::nullopt, LoopProblem::Malformed},
        {Smpl(1, 100, 899, 35), std::nullopt, LoopProblem::Malformed},
        {Smpl(1, 100, 1000), std::nullopt, LoopProblem::OutOfRange},
        {Smpl(1, 900, 899), std::nullopt, LoopProblem::OutOfRange},
    };
    for (const auto& c : cases) {
        for (const bool first : {false, true}) {
            const LoadedSource loaded = Load(c.smpl, first);
            ASSERT_TRUE(loaded.Valid());
            EXPECT_EQ(loaded.loop, c.loop) << c.smpl.size() << " " << first;
            EXPECT_EQ(loaded.loopProblem, c.problem) << c.smpl.size() << " " << first;
            EXPECT_EQ(SamplesOf(loaded.image).size(), 1000u);
        }
    }
    // libsndfile's loop end is one past the last frame; the chunk's is the last frame.
    std::ifstream in(CORVANE_TEST_DATA "/inputs/libsndfile-loop.wav", std::ios::binary);
    const Bytes written{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(LoadSourceBytes(written).loop, (SampleLoop{200, 799}));
    // Samples that run to the end of a stream: whatever follows is sound, not chunks.
    Bytes streamed = Riff({{"fmt ", FmtPayload({1, 1, 8000, 8})},
                           {"data", Bytes(4, 128), 0},
                           {"smpl", Smpl(1, 0, 3)}});
    std::fill_n(streamed.begin() + 4, 4, 0);
    EXPECT_EQ(LoadSourceBytes(streamed).loop, std::nullopt);
}

TEST(SampleLoop, KeptCutIgnoredAndConverted) {
    const Bytes smpl = Smpl(1, 100, 899);
    const LoadedSource cut = Load(smpl, false, {0, LoopChoice::Cut});
    EXPECT_EQ(cut.loop, (SampleLoop{100, 899}));
    EXPECT_EQ(SamplesOf(cut.image).size(), 900u);
    EXPECT_EQ(WaveHeader::From(cut.image).DataSize(), 900u);
    EXPECT_EQ(WaveHeader::From(cut.image).RiffSize(), 36u + 900u);
    const LoadedSource ignored = Load(smpl, false, {0, LoopChoice::Ignore});
    EXPECT_EQ(ignored.loop, std::nullopt);
    EXPECT_EQ(ignored.image, Load(smpl).image);

    // At twice the rate the loop covers the same stretch of sound: frames 200 to 1799.
    const LoadedSource doubled = Load(smpl, false, {16000, LoopChoice::Keep});
    EXPECT_EQ(SamplesOf(doubled.image).size(), 2000u);
    EXPECT_EQ(doubled.loop, (SampleLoop{200, 1799}));
    EXPECT_EQ(WaveHeader::From(doubled.image).SampleRate(), 16000u);
    EXPECT_EQ(doubled.format.sampleRate, 8000u);  // the facts stay the file's
    const LoadedSource thirdCut = Load(smpl, false, {2667, LoopChoice::Cut});
    EXPECT_EQ(thirdCut.loop, (SampleLoop{33, 299}));  // 100 / 3, 900 / 3 - 1
    EXPECT_EQ(SamplesOf(thirdCut.image).size(), 300u);
    EXPECT_EQ(Load(smpl, false, {8000 * 300, LoopChoice::Keep}).refusal,
              Refusal::RateUnconvertible);
}

// Too long to pack at the new rate (60 000 samples at five times the rate): refused before it
// is converted, when asked, unless a cut loop brings it within reach, to the last sample.
TEST(SampleLoop, TooLongToPackRefusedBeforeConvertingUnlessCutShorter) {
    const Bytes file = Riff({{"fmt ", FmtPayload({1, 1, 8000, 8})},
                             {"data", Bytes(60000, 128)},
                             {"smpl", Smpl(1, 10, 52428)}});
    Preparation how{40000, LoopChoice::Keep};
    EXPECT_EQ(SamplesOf(LoadSourceBytes(file, how).image).size(), 300000u);
    how.refuseTooLong = true;
    const LoadedSource refused = LoadSourceBytes(file, how);
    EXPECT_EQ(refused.refusal, Refusal::TooLong);
    EXPECT_EQ(WaveHeader::From(refused.image).SampleRate(), 8000u);  // never converted
    how.loop = LoopChoice::Cut;
    const LoadedSource cut = LoadSourceBytes(file, how);
    ASSERT_TRUE(cut.Valid());
    EXPECT_EQ(SamplesOf(cut.image).size(), 262145u);  // the most a packed file holds
    // A loop in a sample that converts to nothing is out of range.
    const LoadedSource none = LoadSourceBytes(
        Riff({{"fmt ", FmtPayload({1, 1, 44100, 8})}, {"data", {9}}, {"smpl", Smpl(1, 0, 0)}}),
        {8000});
    EXPECT_EQ(none.loopProblem, LoopProblem::OutOfRange);
    EXPECT_EQ(none.loop, std::nullopt);
}

// The card stores source samples 1 to 4n at offsets 0 to 4n - 1 and repeats [begin, end).
TEST(SampleLoop, AsTheCardTakesIt) {
    const auto stored = static_cast<std::uint32_t>(4 * PackedDataLength(1000));
    EXPECT_EQ(CardLoopOf({100, 899}, 1000), (CardLoop{99, 899}));
    EXPECT_EQ(CardLoopOf({0, 999}, 1000), (CardLoop{0, stored}));
    EXPECT_EQ(CardLoopOf({stored, 999}, 1000), (CardLoop{stored - 1, stored}));  // one sample
    EXPECT_EQ(CardLoopOf({stored + 1, 999}, 1000), std::nullopt);  // after the last one stored
}

}  // namespace
}  // namespace corvane
