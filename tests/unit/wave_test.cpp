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

TEST(ChunkWalk, LayoutsTheWalkMeets) {
    Bytes trailing;  // a canonical file with a chunk after its data and a wrong RIFF size
    PutChunk(trailing, "fmt ", FmtPayload({1, 1, 8000, 8}));
    PutChunk(trailing, "data", {10, 20, 30});
    PutChunk(trailing, "LIST", {'I', 'N', 'F', 'O'});
    Bytes canonical = Riff(trailing);
    canonical[4] = 0x99;

    Bytes fmt18 = FmtPayload({1, 2, 11025, 16});
    fmt18.resize(18, 0);
    Bytes listFirst;  // an 18-byte fmt and an odd LIST chunk (one pad byte) before the data
    PutChunk(listFirst, "fmt ", fmt18);
    PutChunk(listFirst, "LIST", {'I', 'N', 'F', 'O', 'x'});
    PutChunk(listFirst, "data", Pcm16({100, -100, 32767, -32768}));

    Bytes dataFirst;
    PutChunk(dataFirst, "data", {1, 2, 3, 4, 5, 6});
    PutChunk(dataFirst, "fmt ", FmtPayload({1, 1, 8000, 8}));

    Bytes swallowed;  // the data's declared size runs over the fmt chunk: the walk ends
    PutChunk(swallowed, "data", {1, 2, 3, 4, 5, 6}, 100);
    PutChunk(swallowed, "fmt ", FmtPayload({1, 1, 8000, 8}));

    Bytes cutFmt;  // a fmt payload cut by the end of the file reads as zeros
    PutChunk(cutFmt, "data", {7, 8});
    PutId(cutFmt, "fmt ");
    PutU32(cutFmt, 16);
    PutU16(cutFmt, 1);

    Bytes noData;
    PutChunk(noData, "fmt ", FmtPayload({1, 1, 8000, 8}));
    PutChunk(noData, "junk", Bytes(10, 9));

    Bytes streamed;  // a pipe writer's unknown size: the samples end with the file
    PutChunk(streamed, "fmt ", FmtPayload({1, 1, 8000, 8}));
    PutChunk(streamed, "data", {1, 2, 3, 4}, 0xFFFFFFFF);
    Bytes unsized = Riff(streamed);  // sizes left 0 by a writer that could not seek back
    std::fill_n(unsized.begin() + 4, 4, 0);
    std::fill_n(unsized.begin() + 40, 4, 0);
    Bytes empty = Riff(streamed);  // an empty data chunk in a file that knows its size
    std::fill_n(empty.begin() + 40, 4, 0);

    // Kept: the file's own 44 bytes head the image. Composed: the walk builds a header from
    // the fmt and data chunks. Fixed: no walk, the file is its own image (padded to 44).
    enum Kind { Kept, Composed, Fixed };
    struct Case {
        const char* name;
        Bytes file;
        Kind kind;
        std::size_t size;  // of the image
        std::uint16_t channels;
        std::uint32_t dataSize;
        int sample44;  // the image's first sample byte
    } cases[] = {
        {"canonical", canonical, Kept, 47, 1, 3, 10},
        {"streamed", Riff(streamed), Kept, 48, 1, 0xFFFFFFFF, 1},
        {"unsized", unsized, Kept, 48, 1, 0, 1},
        {"empty data", empty, Kept, 44, 1, 0, 0},
        {"LIST before data", Riff(listFirst), Composed, 52, 2, 8, 100},
        {"data before fmt", Riff(dataFirst), Composed, 50, 1, 6, 1},
        {"cut fmt", Riff(cutFmt), Composed, 46, 0, 2, 7},
        {"swallowed fmt", Riff(swallowed), Fixed, 50, 0, 0, 0},
        {"no data chunk", Riff(noData), Fixed, 54, 0, 0, 9},
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
    const Bytes second(176400, 0);
    struct Case {
        Bytes file;
        const char* facts;
        Refusal refusal;
    } cases[] = {
        {Wav({1, 2, 44100, 16}, second),
         "Audio Format: PCM \u2713|Channels: stereo \u2713|Bit Depth: 16 \u2713|"
         "Sample Rate: 44 100Hz|Data Size: 176 400bytes|Length: 1 sec.|",
         Refusal::None},
        {Wav({1, 1, 8000, 8}, Bytes(7200, 128)),  // 0.9 s truncates
         "Audio Format: PCM \u2713|Channels: mono \u2713|Bit Depth: 8 \u2713|"
         "Sample Rate: 8 000Hz|Data Size: 7 200bytes|Length: 0 sec.|",
         Refusal::None},
        {Wav({0xFFFE, 2, 44100, 16}, Bytes(400, 0)),
         "Audio Format: NOT PCM \u2718|Channels: stereo \u2713|Bit Depth: 16 \u2713|"
         "Sample Rate: 44 100Hz|Data Size: 400bytes|Length: 0 sec.|",
         Refusal::NotPcm},
        {Wav({3, 3, 8000, 24}, Bytes(300, 1)),  // every check fails: the first one is named
         "Audio Format: NOT PCM \u2718|Channels: 3 \u2718|Bit Depth: 24 \u2718|"
         "Sample Rate: 8 000Hz|Data Size: 300bytes|Length: 0 sec.|",
         Refusal::NotPcm},
        {Wav({1, 3, 8000, 8}, {}), "Audio Format: PCM \u2713|Channels: 3 \u2718|",
         Refusal::Channels},
        {Wav({1, 1, 8000, 24}, {}),
         "Audio Format: PCM \u2713|Channels: mono \u2713|Bit Depth: 24 \u2718|", Refusal::BitDepth},
        {Wav({1, 0, 0, 4}, {}),  // zero divisors: a length of 0
         "Audio Format: PCM \u2713|Channels: 0 \u2718|Bit Depth: 4 \u2718|Sample Rate: 0Hz|"
         "Data Size: 0bytes|Length: 0 sec.|",
         Refusal::Channels},
        {{},
         "Audio Format: unreadable file \u2718|Channels:|Bit Depth:|Sample Rate:|Data "
         "Size:|Length:|",
         Refusal::Unreadable},
    };
    for (const Case& c : cases) {
        const LoadedSource loaded = LoadSourceBytes(c.file);
        const std::string facts = Joined(FactLinesOf(loaded));
        EXPECT_EQ(facts.substr(0, std::string(c.facts).size()), c.facts);
        EXPECT_EQ(loaded.refusal, c.refusal) << c.facts;
    }
    // Header fields are unsigned 32-bit numbers, however large.
    Bytes huge;
    PutChunk(huge, "fmt ", FmtPayload({1, 1, 3000000000u, 8}));
    PutChunk(huge, "data", {1, 2, 3, 4}, 0xFFFFFFFF);
    const FileFacts f = FactLinesOf(LoadSourceBytes(Riff(huge)));
    EXPECT_EQ(f[3] + "|" + f[4] + "|" + f[5],
              "Sample Rate: 3 000 000 000Hz|Data Size: 4 294 967 295bytes|Length: 1 sec.");
}

// An extensible file whose extension says plain PCM is the PCM file it is; others stay refused.
TEST(FileFacts, ExtensibleFilesThatArePcm) {
    std::mt19937 random(3);
    const Bytes data = RandomSound(random, 600);
    struct Case {
        Format format;
        unsigned valid;
        bool pcm, accepted;
    } cases[] = {
        {{1, 1, 96000, 16}, 16, true, true},   {{1, 2, 96000, 16}, 16, true, true},
        {{1, 1, 8000, 8}, 8, true, true},      {{1, 2, 11025, 8}, 8, true, true},
        {{1, 2, 96000, 16}, 16, false, false},  // a float sub-format
        {{1, 2, 96000, 16}, 12, true, false},   // fewer valid bits than the container
        {{1, 1, 48000, 24}, 24, true, false},  {{1, 3, 48000, 16}, 16, true, false},
    };
    for (const Case& c : cases) {
        Bytes chunks;
        PutChunk(chunks, "fmt ", ExtensibleFmtPayload(c.format, c.valid, c.pcm));
        PutChunk(chunks, "data", data);
        const LoadedSource extensible = LoadSourceBytes(Riff(chunks));
        const LoadedSource plain = LoadSourceBytes(Wav(c.format, data));
        EXPECT_EQ(extensible.Valid(), c.accepted) << c.format.channels << " " << c.valid;
        if (c.accepted) {
            EXPECT_EQ(extensible.image, plain.image);
            EXPECT_EQ(Joined(FactLinesOf(extensible)), Joined(FactLinesOf(plain)));
        } else {
            EXPECT_EQ(extensible.refusal, Refusal::NotPcm);
        }
    }
    Bytes cut;  // an extension shorter than it should be
    Bytes fmt = ExtensibleFmtPayload({1, 2, 96000, 16}, 16);
    fmt.resize(30);
    PutChunk(cut, "fmt ", fmt);
    PutChunk(cut, "data", data);
    EXPECT_EQ(LoadSourceBytes(Riff(cut)).refusal, Refusal::NotPcm);
}

TEST(FileFacts, OnlySourcesThatFitAPackedFileCanBeStored) {
    EXPECT_EQ(StoreRefusal(LoadSourceBytes(Wav({1, 1, 8000, 8}, Bytes(262145, 9)))), Refusal::None);
    EXPECT_EQ(StoreRefusal(LoadSourceBytes(Wav({1, 1, 8000, 8}, Bytes(262146, 9)))),
              Refusal::TooLong);
    // 16-bit stereo counts after normalisation: four bytes a sample.
    EXPECT_EQ(StoreRefusal(LoadSourceBytes(Wav({1, 2, 8000, 16}, Bytes(4 * 262146, 9)))),
              Refusal::TooLong);
    EXPECT_EQ(StoreRefusal(LoadSourceBytes(Wav({1, 1, 8000, 12}, Bytes(900000, 9)))),
              Refusal::BitDepth);
    for (const Refusal r : {Refusal::Unreadable, Refusal::NotPcm, Refusal::Channels,
                            Refusal::BitDepth, Refusal::TooLong, Refusal::OutOfMemory}) {
        EXPECT_FALSE(RefusalText(r).empty());
    }
}

Bytes SamplesIn(const Bytes& image) { return {image.begin() + 44, image.end()}; }

TEST(Normalise, SamplesAndHeader) {
    auto sixteen = Wav({1, 1, 8000, 16}, Pcm16({-32768, -1, 0, 32767, 256, -257}));
    NormaliseSample(sixteen, 2);
    EXPECT_EQ(SamplesIn(sixteen), (Bytes{0, 127, 128, 255, 129, 126}));
    EXPECT_EQ(WaveHeader::From(sixteen).Channels(), 1);  // mono: only the width pass ran

    auto stereo = Wav({1, 2, 8000, 8}, {255, 0, 1, 2, 255, 255});
    NormaliseSample(stereo, 1);
    EXPECT_EQ(SamplesIn(stereo), (Bytes{127, 1, 255}));

    // A second of 16-bit stereo: both passes, every size field halved twice.
    auto second = Wav({1, 2, 44100, 16}, Bytes(176400, 0));
    NormaliseSample(second, 2);
    ASSERT_EQ(second.size(), 44144u);
    const WaveHeader h = WaveHeader::From(second);
    EXPECT_EQ(h.RiffSize(), 44136u);
    EXPECT_EQ(h.DataSize(), 44100u);
    EXPECT_EQ(h.ByteRate(), 44100u);
    EXPECT_EQ(h.BlockAlign(), 1);
    EXPECT_EQ(h.BitsPerSample(), 8);
    EXPECT_EQ(h.Channels(), 1);
    EXPECT_EQ(h.SampleRate(), 44100u);
    EXPECT_EQ(second[44], 128);

    // A refused 24-bit stereo file is still averaged as its fields say; an odd byte drops.
    auto deep = Wav({1, 2, 8000, 24}, {10, 20, 30, 40, 50});
    deep.resize(49);
    NormaliseSample(deep, 3);
    EXPECT_EQ(SamplesIn(deep), (Bytes{15, 35}));
    EXPECT_EQ(WaveHeader::From(deep).BitsPerSample(), 8);

    auto empty = Wav({1, 2, 8000, 16}, {});  // no samples, the header still rewritten
    NormaliseSample(empty, 2);
    EXPECT_EQ(empty.size(), 44u);
    EXPECT_EQ(WaveHeader::From(empty).RiffSize(), 36u);
    EXPECT_EQ(WaveHeader::From(empty).Channels(), 1);

    const auto mono = Wav({1, 1, 8000, 8}, {1, 2, 3});
    auto untouched = mono;
    NormaliseSample(untouched, 1);
    EXPECT_EQ(untouched, mono);
}

// Handing the file's buffer over must give what loading a copy gives.
TEST(Normalise, LoadingInPlaceMatchesLoadingACopy) {
    std::mt19937 random(15);
    const Bytes tone = RandomSound(random, 1001);
    Bytes chunks;
    Bytes fmt18 = FmtPayload({1, 2, 22050, 16});
    fmt18.resize(18, 0);
    PutChunk(chunks, "fmt ", fmt18);
    PutChunk(chunks, "LIST", Bytes(27, 'x'));
    PutChunk(chunks, "data", tone);
    Bytes early;  // the samples lie before byte 44
    PutChunk(early, "data", Bytes(tone.begin(), tone.begin() + 40));
    PutChunk(early, "fmt ", FmtPayload({1, 1, 8000, 8}));
    Bytes cut = Wav({1, 1, 8000, 16}, tone);
    cut.resize(cut.size() - 100);
    for (const Bytes& file :
         {Wav({1, 2, 44100, 16}, tone), Wav({1, 2, 8000, 8}, {}), Wav({3, 1, 8000, 32}, tone),
          Bytes(tone.begin(), tone.begin() + 30), tone, Riff(chunks), Riff(early), cut}) {
        const LoadedSource copy = LoadSourceBytes(file);
        const LoadedSource inPlace = LoadSourceInPlace(file);
        EXPECT_EQ(inPlace.image, copy.image);
        EXPECT_EQ(inPlace.refusal, copy.refusal);
        EXPECT_EQ(Joined(FactLinesOf(inPlace)), Joined(FactLinesOf(copy)));
    }
}

}  // namespace
}  // namespace corvane
