// Reading WAV files: the chunk walk, the format checks and facts, normalisation.
#include <gtest/gtest.h>

#include "support/wav.h"
#include "text/facts.h"
#include "wave/source.h"

namespace corvane {
namespace {

using namespace test;

std::string Joined(const FileFacts& facts) {
    std::string text;
    for (const std::string& line : facts) text += line + "|";
    return text;
}

Bytes WithU32(Bytes file, std::size_t at, std::uint32_t value) {
    for (int k = 0; k < 4; ++k) file[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
    return file;
}

TEST(ChunkWalk, LayoutsTheWalkMeets) {
    const Bytes fmt8 = FmtPayload({1, 1, 8000, 8});
    Bytes fmt18 = FmtPayload({1, 2, 11025, 16});
    fmt18.resize(18, 0);
    const Bytes streamed = Riff({{"fmt ", fmt8}, {"data", {1, 2, 3, 4}, 0xFFFFFFFF}});
    // Kept: the file's own 44 bytes head the image. Composed: the walk builds a header from
    // the fmt and data chunks. Fixed: no walk, the file is its own image (padded to 44).
    enum Kind { Kept, Composed, Fixed };
    const struct Case {
        const char* name;
        Bytes file;
        Kind kind;
        std::size_t size;  // of the image
        std::uint16_t channels;
        std::uint32_t dataSize;
        int sample44;  // the image's first sample byte
    } cases[] = {
        {"canonical, a chunk after the data, a wrong RIFF size",
         WithU32(Riff({{"fmt ", fmt8}, {"data", {10, 20, 30}}, {"LIST", {'I', 'N'}}}), 4, 99), Kept,
         47, 1, 3, 10},
        {"a pipe writer's unknown size", streamed, Kept, 48, 1, 0xFFFFFFFF, 1},
        {"sizes left 0 by a writer that could not seek back",
         WithU32(WithU32(streamed, 4, 0), 40, 0), Kept, 48, 1, 0, 1},
        {"an empty data chunk in a file that knows its size", WithU32(streamed, 40, 0), Kept, 44, 1,
         0, 0},
        {"an 18-byte fmt and an odd LIST before the data",
         Riff({{"fmt ", fmt18},
               {"LIST", {'I', 'N', 'F', 'O', 'x'}},
               {"data", Pcm16({100, -100, 32767, -32768})}}),
         Composed, 52, 2, 8, 100},
        {"an empty data chunk ending the file after a LIST",
         Riff({{"fmt ", fmt8}, {"LIST", {'I', 'N', 'F', 'O'}}, {"data", {}}}), Composed, 44, 1, 0,
         0},
        {"data before fmt", Riff({{"data", {1, 2, 3, 4, 5, 6}}, {"fmt ", fmt8}}), Composed, 50, 1,
         6, 1},
        {"a fmt cut by the end of the file", Riff({{"data", {7, 8}}, {"fmt ", {1, 0}, 16}}),
         Composed, 46, 0, 2, 7},
        {"a data size running over the fmt",
         Riff({{"data", {1, 2, 3, 4, 5, 6}, 100}, {"fmt ", fmt8}}), Fixed, 50, 0, 0, 0},
        {"no data chunk", Riff({{"fmt ", fmt8}, {"junk", Bytes(10, 9)}}), Fixed, 54, 0, 0, 9},
        {"tiny", {1, 2, 3}, Fixed, 44, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes image = CanonicalWaveImage(c.file);
        ASSERT_EQ(image.size(), c.size);
        EXPECT_EQ(CanonicalWaveImageInPlace(c.file), image);
        if (c.size > 44) {
            EXPECT_EQ(image[44], c.sample44);
        }
        if (c.kind == Fixed) {
            Bytes padded = c.file;
            padded.resize(std::max<std::size_t>(padded.size(), 44), 0);
            EXPECT_EQ(image, padded);
            continue;
        }
        const WaveHeader h = WaveHeader::From(image);
        EXPECT_EQ(h.Channels(), c.channels);
        EXPECT_EQ(h.DataSize(), c.dataSize);
        if (c.kind == Kept) {
            EXPECT_TRUE(std::equal(image.begin(), image.begin() + 44, c.file.begin()));
        } else {
            EXPECT_EQ(h.AudioFormat(), 1);
            EXPECT_EQ(std::string(image.begin() + 36, image.begin() + 40), "data");
            EXPECT_EQ(h.U32(16), 16u);
            EXPECT_EQ(h.RiffSize(), 36 + c.dataSize);
        }
    }
}

TEST(FileFacts, AcceptedAndRefusedFormats) {
    const struct Case {
        Bytes file;
        const char* facts;
        Refusal refusal;
    } cases[] = {
        {Wav({1, 2, 44100, 16}, Bytes(176400, 0)),
         "Audio Format: PCM \u2713|Channels: stereo \u2713|Bit Depth: 16 \u2713|"
         "Sample Rate: 44 100Hz|Data Size: 176 400bytes|Length: 1 sec.|",
         Refusal::None},
        {Wav({1, 1, 8000, 8}, Bytes(7200, 128)),  // 0.9 s truncates
         "Audio Format: PCM \u2713|Channels: mono \u2713|Bit Depth: 8 \u2713|"
         "Sample Rate: 8 000Hz|Data Size: 7 200bytes|Length: 0 sec.|",
         Refusal::None},
        {Wav({0xFFFE, 2, 44100, 16}, Bytes(400, 0)),  // extensible without its extension
         "Audio Format: NOT PCM \u2718|Channels: stereo \u2713|Bit Depth: 16 \u2713|"
         "Sample Rate: 44 100Hz|Data Size: 400bytes|Length: 0 sec.|",
         Refusal::NotPcm},
        {Wav({1, 258, 8000, 24}, Bytes(300, 1)),  // both bytes of a 16-bit field
         "Audio Format: PCM \u2713|Channels: 258 \u2718|Bit Depth: 24 \u2718|"
         "Sample Rate: 8 000Hz|Data Size: 300bytes|Length: 0 sec.|",
         Refusal::Channels},
        {Wav({1, 1, 0, 12}, {}),  // zero divisors: a length of 0
         "Audio Format: PCM \u2713|Channels: mono \u2713|Bit Depth: 12 \u2718|Sample Rate: 0Hz|"
         "Data Size: 0bytes|Length: 0 sec.|",
         Refusal::BitDepth},
        {Riff({{"fmt ", FmtPayload({1, 1, 3000000000u, 8})}, {"data", {1, 2, 3, 4}, 0xFFFFFFFF}}),
         "Audio Format: PCM \u2713|Channels: mono \u2713|Bit Depth: 8 \u2713|"
         "Sample Rate: 3 000 000 000Hz|Data Size: 4 294 967 295bytes|Length: 1 sec.|",
         Refusal::None},
        {{},
         "Audio Format: unreadable file \u2718|Channels:|Bit Depth:|Sample Rate:|Data "
         "Size:|Length:|",
         Refusal::Unreadable},
    };
    for (const Case& c : cases) {
        const LoadedSource loaded = LoadSourceBytes(c.file);
        EXPECT_EQ(Joined(FactLinesOf(loaded)), c.facts);
        EXPECT_EQ(loaded.refusal, c.refusal) << c.facts;
        EXPECT_EQ(RefusalText(c.refusal).empty(), c.refusal == Refusal::None);
    }
    // What the packed format can hold is counted after normalisation: four bytes a sample here.
    EXPECT_EQ(StoreRefusal(LoadSourceBytes(Wav({1, 2, 8000, 16}, Bytes(4 * 262145, 9)))),
              Refusal::None);
    EXPECT_EQ(StoreRefusal(LoadSourceBytes(Wav({1, 2, 8000, 16}, Bytes(4 * 262146, 9)))),
              Refusal::TooLong);
    EXPECT_EQ(StoreRefusal(LoadSourceBytes(Wav({1, 1, 8000, 12}, Bytes(900000, 9)))),
              Refusal::BitDepth);
}

// An extensible file whose extension says plain PCM is the PCM file it is; others stay refused.
TEST(FileFacts, ExtensibleFilesThatArePcm) {
    std::mt19937 random(3);
    const Bytes data = RandomSound(random, 600);
    Bytes cut = ExtensibleFmtPayload({1, 2, 96000, 16}, 16);
    cut.resize(30);  // an extension shorter than it should be
    const struct Case {
        Format format;
        Bytes fmt;
        bool accepted;
    } cases[] = {
        {{1, 1, 96000, 16}, ExtensibleFmtPayload({1, 1, 96000, 16}, 16), true},
        {{1, 2, 11025, 8}, ExtensibleFmtPayload({1, 2, 11025, 8}, 8), true},
        {{1, 2, 96000, 16}, ExtensibleFmtPayload({1, 2, 96000, 16}, 16, false), false},  // float
        {{1, 2, 96000, 16}, ExtensibleFmtPayload({1, 2, 96000, 16}, 12), false},  // 12 of 16 bits
        {{1, 1, 48000, 24}, ExtensibleFmtPayload({1, 1, 48000, 24}, 24), false},
        {{1, 3, 48000, 16}, ExtensibleFmtPayload({1, 3, 48000, 16}, 16), false},
        {{1, 2, 96000, 16}, cut, false},
    };
    for (const Case& c : cases) {
        const LoadedSource extensible = LoadSourceBytes(Riff({{"fmt ", c.fmt}, {"data", data}}));
        const LoadedSource plain = LoadSourceBytes(Wav(c.format, data));
        EXPECT_EQ(extensible.refusal, c.accepted ? Refusal::None : Refusal::NotPcm);
        if (c.accepted) {
            EXPECT_EQ(extensible.image, plain.image);
            EXPECT_EQ(Joined(FactLinesOf(extensible)), Joined(FactLinesOf(plain)));
        }
    }
}

Bytes SamplesIn(const Bytes& image) { return {image.begin() + 44, image.end()}; }

// Which samples come out is checked against a model in fast_paths_test.cpp; here, the header.
TEST(Normalise, HeaderTrueToTheNewContent) {
    // A second of 16-bit stereo: both passes, every size field halved twice.
    auto second = Wav({1, 2, 44100, 16}, Bytes(176400, 0));
    NormaliseSample(second, 2);
    ASSERT_EQ(second.size(), 44144u);
    const WaveHeader h = WaveHeader::From(second);
    EXPECT_EQ(std::vector<std::uint32_t>({h.RiffSize(), h.DataSize(), h.ByteRate(), h.BlockAlign(),
                                          h.BitsPerSample(), h.Channels(), h.SampleRate()}),
              std::vector<std::uint32_t>({44136, 44100, 44100, 1, 8, 1, 44100}));
    EXPECT_EQ(second[44], 128);

    // A refused 24-bit stereo file is still averaged as its fields say; an odd byte drops.
    auto deep = Wav({1, 2, 8000, 24}, {10, 20, 30, 40, 50});
    deep.resize(49);
    NormaliseSample(deep, 3);
    EXPECT_EQ(SamplesIn(deep), (Bytes{15, 35}));
    EXPECT_EQ(WaveHeader::From(deep).BitsPerSample(), 8);
}

}  // namespace
}  // namespace corvane
