#include <gtest/gtest.h>

#include "wav_builder.h"
#include "wave/digit_groups.h"
#include "wave/source.h"

namespace corvane {
namespace {

using test::CanonicalWav;
using test::Format;

const std::wstring kOk = L" \u2713";
const std::wstring kBad = L" \u2718";

TEST(DigitGroups, GroupsOfThreeFromTheRight) {
    EXPECT_EQ(FormatDigitGroups(0), L"0");
    EXPECT_EQ(FormatDigitGroups(999), L"999");
    EXPECT_EQ(FormatDigitGroups(1000), L"1 000");
    EXPECT_EQ(FormatDigitGroups(44100), L"44 100");
    EXPECT_EQ(FormatDigitGroups(176400), L"176 400");
    EXPECT_EQ(FormatDigitGroups(1234567), L"1 234 567");
    EXPECT_EQ(FormatDigitGroups(2147483647), L"2 147 483 647");
    EXPECT_EQ(FormatDigitGroups(4294967295LL), L"4 294 967 295");
    EXPECT_EQ(FormatDigitGroups(-1234), L"-1 234");
    EXPECT_EQ(FormatDigitGroups(-123), L"-123");
}

TEST(FileFacts, SixteenBitStereoSecond) {
    const auto file = CanonicalWav({1, 2, 44100, 16}, std::vector<std::uint8_t>(176400, 0));
    const LoadedSource s = LoadSourceBytes(file);
    EXPECT_TRUE(s.valid);
    EXPECT_EQ(s.bytesPerSample, 2);
    const FileFacts expected = {L"Audio Format: PCM" + kOk, L"Channels: stereo" + kOk,
                                L"Bit Depth: 16" + kOk,     L"Sample Rate: 44 100Hz",
                                L"Data Size: 176 400bytes", L"Length: 1 sec."};
    EXPECT_EQ(s.facts, expected);
}

TEST(FileFacts, RefusedFormatsMarkTheFailingLines) {
    auto facts = [](Format f, std::uint32_t dataSize) {
        return LoadSourceBytes(CanonicalWav(f, std::vector<std::uint8_t>(dataSize, 128)));
    };
    const auto extensible = facts({0xFFFE, 2, 44100, 16}, 400);
    EXPECT_FALSE(extensible.valid);
    EXPECT_EQ(extensible.facts[0], L"Audio Format: NOT PCM" + kBad);
    EXPECT_EQ(extensible.facts[1], L"Channels: stereo" + kOk);

    const auto deep = facts({1, 1, 8000, 24}, 300);
    EXPECT_FALSE(deep.valid);
    EXPECT_EQ(deep.bytesPerSample, 3);
    EXPECT_EQ(deep.facts[2], L"Bit Depth: 24" + kBad);

    const auto three = facts({1, 3, 8000, 8}, 300);
    EXPECT_FALSE(three.valid);
    EXPECT_EQ(three.facts[1], L"Channels: 3" + kBad);

    const auto mono8 = facts({1, 1, 8000, 8}, 7200);  // 0.9 s truncates
    EXPECT_TRUE(mono8.valid);
    EXPECT_EQ(mono8.facts[1], L"Channels: mono" + kOk);
    EXPECT_EQ(mono8.facts[5], L"Length: 0 sec.");
}

TEST(FileFacts, ZeroDivisorsAndHugeFieldsStayUnsigned) {
    auto file = CanonicalWav({1, 0, 0, 4}, {});
    EXPECT_EQ(LoadSourceBytes(file).facts[5], L"Length: 0 sec.");

    // A streaming writer's data size of 0xFFFFFFFF: facts from the field, samples clipped.
    std::vector<std::uint8_t> chunks;
    test::PutChunk(chunks, "fmt ", test::FmtPayload({1, 1, 3000000000u, 8}));
    test::PutChunk(chunks, "data", {1, 2, 3, 4}, 0xFFFFFFFFu);
    const auto s = LoadSourceBytes(test::Riff(chunks));
    EXPECT_EQ(s.facts[3], L"Sample Rate: 3 000 000 000Hz");
    EXPECT_EQ(s.facts[4], L"Data Size: 4 294 967 295bytes");
    EXPECT_EQ(s.facts[5], L"Length: 1 sec.");
    EXPECT_EQ(SamplesOf(s.image).size(), 4u);
}

TEST(FileFacts, EmptyFileIsUnreadable) {
    const auto s = LoadSourceBytes({});
    EXPECT_FALSE(s.valid);
    const FileFacts expected = {L"Audio Format: unreadable file" + kBad,
                                L"Channels:",
                                L"Bit Depth:",
                                L"Sample Rate:",
                                L"Data Size:",
                                L"Length:"};
    EXPECT_EQ(s.facts, expected);
    EXPECT_EQ(UnreadableFileFacts(), expected);
}

TEST(ChunkWalk, CanonicalFileKeepsItsHeaderAndDropsTrailingChunks) {
    std::vector<std::uint8_t> chunks;
    test::PutChunk(chunks, "fmt ", test::FmtPayload({1, 1, 8000, 8}));
    test::PutChunk(chunks, "data", {10, 20, 30});
    test::PutChunk(chunks, "LIST", {'I', 'N', 'F', 'O'});
    auto file = test::Riff(chunks);
    file[4] = 0x99;  // an inconsistent RIFF size is kept as it stands
    const auto image = CanonicalWaveImage(file);
    ASSERT_EQ(image.size(), 47u);
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 44, file.begin()));
    EXPECT_EQ(image[46], 30);
}

TEST(ChunkWalk, ListBeforeDataAndLongFmtAreSkipped) {
    auto fmt = test::FmtPayload({1, 2, 11025, 16});
    fmt.push_back(0);
    fmt.push_back(0);  // an 18-byte fmt chunk
    std::vector<std::uint8_t> chunks;
    test::PutChunk(chunks, "fmt ", fmt);
    test::PutChunk(chunks, "LIST", {'I', 'N', 'F', 'O', 'x'});  // odd size: one pad byte
    test::PutChunk(chunks, "data", test::Pcm16({100, -100, 32767, -32768}));
    const auto image = CanonicalWaveImage(test::Riff(chunks));
    ASSERT_EQ(image.size(), 52u);
    const WaveHeader h = WaveHeader::From(image);
    EXPECT_EQ(std::string(image.begin() + 36, image.begin() + 40), "data");
    EXPECT_EQ(h.U32(16), 16u);
    EXPECT_EQ(h.Channels(), 2);
    EXPECT_EQ(h.SampleRate(), 11025u);
    EXPECT_EQ(h.DataSize(), 8u);
    EXPECT_EQ(h.RiffSize(), 44u);
    EXPECT_EQ(image[44], 100);

    const auto s = LoadSourceBytes(test::Riff(chunks));
    ASSERT_TRUE(s.valid);
    ASSERT_EQ(SamplesOf(s.image).size(), 2u);  // 16-bit stereo frames -> 8-bit mono
    EXPECT_EQ(SamplesOf(s.image)[0], (128 + 127) >> 1);
    EXPECT_EQ(SamplesOf(s.image)[1], (255 + 0) >> 1);
}

TEST(ChunkWalk, DataBeforeFmtAndCutShortPayloads) {
    std::vector<std::uint8_t> chunks;
    test::PutChunk(chunks, "data", {1, 2, 3, 4, 5, 6}, 100);  // declared longer than present
    const auto fmt = test::FmtPayload({1, 1, 8000, 8});
    test::PutChunk(chunks, "fmt ", {fmt.begin(), fmt.begin() + 16});
    // The declared size swallows the fmt chunk: the walk ends, so the fixed layout applies.
    const auto swallowed = test::Riff(chunks);
    EXPECT_EQ(CanonicalWaveImage(swallowed), swallowed);

    std::vector<std::uint8_t> ordered;
    test::PutChunk(ordered, "data", {1, 2, 3, 4, 5, 6});
    test::PutChunk(ordered, "fmt ", fmt);
    const auto image = CanonicalWaveImage(test::Riff(ordered));
    ASSERT_EQ(image.size(), 50u);
    EXPECT_EQ(WaveHeader::From(image).SampleRate(), 8000u);

    // A fmt payload cut by the end of the file reads as zeros.
    std::vector<std::uint8_t> cut;
    test::PutChunk(cut, "data", {7, 8});
    test::PutId(cut, "fmt ");
    test::PutU32(cut, 16);
    cut.push_back(1);
    cut.push_back(0);
    const auto cutImage = CanonicalWaveImage(test::Riff(cut));
    ASSERT_EQ(cutImage.size(), 46u);
    EXPECT_EQ(WaveHeader::From(cutImage).AudioFormat(), 1);
    EXPECT_EQ(WaveHeader::From(cutImage).Channels(), 0);
}

TEST(ChunkWalk, FallsBackToTheFixedLayout) {
    // No data chunk: the whole file is the image, samples from byte 44 on.
    std::vector<std::uint8_t> chunks;
    test::PutChunk(chunks, "fmt ", test::FmtPayload({1, 1, 8000, 8}));
    test::PutChunk(chunks, "junk", std::vector<std::uint8_t>(10, 9));
    const auto file = test::Riff(chunks);
    EXPECT_EQ(CanonicalWaveImage(file), file);

    // A short non-RIFF file is padded with zeros to a header and has no samples.
    const std::vector<std::uint8_t> tiny = {1, 2, 3};
    const auto image = CanonicalWaveImage(tiny);
    ASSERT_EQ(image.size(), 44u);
    EXPECT_EQ(image[2], 3);
    EXPECT_EQ(image[43], 0);
    EXPECT_FALSE(LoadSourceBytes(tiny).valid);
}

}  // namespace
}  // namespace corvane
