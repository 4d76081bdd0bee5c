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

// A sampler chunk with `loops` declared and the first loop's start, end and type, `size` bytes.
Bytes Smpl(std::uint32_t loops, std::uint32_t start, std::uint32_t end, std::size_t size = 60,
           std::uint32_t type = 0) {
    Bytes b(28, 0);
    PutU32(b, loops);
    PutU32(b, 0);  // sampler data
    for (const std::uint32_t field : {0u, type, start, end, 0u, 0u}) PutU32(b, field);
    b.resize(size, 0);
    return b;
}

// 1000 frames of 16-bit stereo, a slow ramp, the "smpl" chunk after the data or before it.
LoadedSource Load(const Bytes& smpl, bool smplFirst = false, const Preparation& how = {}) {
    std::vector<int> ramp;
    for (int i = 0; i < 2000; ++i) ramp.push_back(i / 2 * 60 - 30000);
    const Bytes data = Pcm16(ramp);
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
        {Smpl(2, 1, 999, 84), SampleLoop{1, 999}, LoopProblem::None},  // the last frame
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
            EXPECT_EQ(SamplesOf(loaded.image).size(), c.loop && c.loop->end == 999 ? 1002u : 1000u);
        }
    }
    EXPECT_EQ(Load(Smpl(1, 1, 2, 60, 1)).loopKind, LoopKind::PingPong);
    EXPECT_EQ(Load(Smpl(1, 1, 2, 60, 2), true).loopKind, LoopKind::Backward);
    EXPECT_EQ(Load(Smpl(1, 1, 2, 60, 32)).loopKind, LoopKind::Other);
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
    EXPECT_EQ(SamplesOf(cut.image).size(), 902u);  // the loop's first two again: a whole byte
    EXPECT_EQ(WaveHeader::From(cut.image).DataSize(), 902u);
    EXPECT_EQ(WaveHeader::From(cut.image).RiffSize(), 36u + 902u);
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
    EXPECT_EQ(SamplesOf(thirdCut.image).size(), 302u);
    EXPECT_EQ(Load(smpl, false, {8000 * 300, LoopChoice::Keep}).refusal,
              Refusal::RateUnconvertible);
}

// Whatever the loop and the file's length, kept or cut, at the file's rate or another: the card's
// loop (offsets into the 4n samples it stores, which stand for samples 1 to 4n) is the whole
// loop, the samples it repeats are the loop's own, and a cut keeps nothing after it but the
// loop's own start again, to the end of a byte.
TEST(SampleLoop, TheCardLoopsTheWholeLoop) {
    std::mt19937 random(23);  // 32-bit results
    for (int round = 0; round < 300; ++round) {
        const auto frames = static_cast<std::uint32_t>(8 + random() % 3000);
        const auto start = static_cast<std::uint32_t>(round % 5 == 0 ? 0 : random() % frames);
        const auto end = static_cast<std::uint32_t>(
            round % 3 == 0 ? frames - 1 : start + random() % (frames - start));
        Bytes samples(frames);
        for (auto& sample : samples) sample = static_cast<std::uint8_t>(random());
        const Bytes file = Riff({{"fmt ", FmtPayload({1, 1, 8000, 8})},
                                 {"data", samples},
                                 {"smpl", Smpl(1, start, end)}});
        const LoopChoice choice = round % 2 ? LoopChoice::Cut : LoopChoice::Keep;
        const std::uint32_t rate = round % 7 == 0 ? 12000 : 0;
        SCOPED_TRACE(std::to_string(frames) + " " + std::to_string(start) + " " +
                     std::to_string(end) + " " + std::to_string(rate));
        const LoadedSource loaded = LoadSourceBytes(file, {rate, choice});
        ASSERT_TRUE(loaded.loop);
        const SampleLoop loop = *loaded.loop;
        const auto image = SamplesOf(loaded.image);
        const auto card = CardLoopOf(loop, image.size());
        ASSERT_TRUE(card);
        EXPECT_EQ(card->end - card->begin, loop.Length());
        EXPECT_LE(card->end, 4 * PackedDataLength(image.size()));
        if (rate == 0) {  // the card's loop holds exactly the file's loop
            EXPECT_EQ(loop.Length(), end - start + 1);
            EXPECT_TRUE(std::equal(image.begin() + card->begin + 1, image.begin() + card->end + 1,
                                   samples.begin() + start));
        } else {
            EXPECT_NEAR(loop.Length(), (end - start + 1) * 1.5, 2);
        }
        if (choice == LoopChoice::Cut) {
            EXPECT_EQ(image.size(), 4 * ((loop.end + 3) / 4) + 2);
            for (std::size_t k = loop.end + 1; k < image.size(); ++k) {
                EXPECT_EQ(image[k], image[loop.start + k - loop.end - 1]);
            }
        }
    }
}

// Too long to pack at the new rate (60 000 samples at five times the rate): refused before it
// is converted, when asked, unless a cut loop brings it within reach, to the last sample.
TEST(SampleLoop, TooLongToPackRefusedBeforeConvertingUnlessCutShorter) {
    const Bytes file = Riff({{"fmt ", FmtPayload({1, 1, 8000, 8})},
                             {"data", Bytes(60000, 128)},
                             {"smpl", Smpl(1, 10, 52427)}});
    Preparation how{40000, LoopChoice::Keep};
    EXPECT_EQ(SamplesOf(LoadSourceBytes(file, how).image).size(), 300000u);
    how.refuseTooLong = true;
    const LoadedSource refused = LoadSourceBytes(file, how);
    EXPECT_EQ(refused.refusal, Refusal::TooLong);
    EXPECT_EQ(WaveHeader::From(refused.image).SampleRate(), 8000u);  // never converted
    how.loop = LoopChoice::Cut;
    const LoadedSource cut = LoadSourceBytes(file, how);
    ASSERT_TRUE(cut.Valid());
    EXPECT_EQ(SamplesOf(cut.image).size(), 262142u);  // the loop's end at 262 139, to a byte's end
    // A loop in a sample that converts to nothing is out of range.
    const LoadedSource none = LoadSourceBytes(
        Riff({{"fmt ", FmtPayload({1, 1, 44100, 8})}, {"data", {9}}, {"smpl", Smpl(1, 0, 0)}}),
        {8000});
    EXPECT_EQ(none.loopProblem, LoopProblem::OutOfRange);
    EXPECT_EQ(none.loop, std::nullopt);
}

}  // namespace
}  // namespace corvane
