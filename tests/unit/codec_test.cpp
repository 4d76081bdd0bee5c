#include <gtest/gtest.h>

#include <random>

#include "codec/decoder.h"
#include "codec/encoder.h"
#include "codec/packed_format.h"
#include "codec/packed_name.h"

namespace corvane {
namespace {

const StepTable kExampleTable = {0, 0, 1, 2, 3, 4, 5, 7, 11, 20, 45};
const std::vector<std::uint8_t> kExampleSource = {128, 140, 160, 170, 165, 150, 120,
                                                  100, 90,  95,  110, 128, 128, 200};

std::vector<std::uint8_t> Codes(const std::vector<std::uint8_t>& file) {
    BitReader reader{std::span(file).subspan(kPackedHeaderSize)};
    std::vector<std::uint8_t> codes;
    while (!reader.AtEnd()) codes.push_back(reader.ReadBits(2));
    return codes;
}

TEST(Encoder, WorkedExample) {
    std::vector<std::uint8_t> tracked;
    const PackedSample packed = PackSamples(kExampleSource, kExampleTable, &tracked);
    const std::vector<std::uint8_t> expected = {0x03, 0x00, 0,  0,  1,  2,    3,    4,
                                                5,    7,    11, 20, 45, 0x55, 0x7F, 0x90};
    EXPECT_EQ(packed.file, expected);
    EXPECT_TRUE(packed.storable);
    EXPECT_EQ(Codes(packed.file), (std::vector<std::uint8_t>{1, 1, 1, 1, 1, 3, 3, 3, 2, 1, 0, 0}));
    EXPECT_EQ(tracked, (std::vector<std::uint8_t>{129, 131, 134, 138, 143, 136, 125, 105, 94, 114,
                                                  125, 132}));
}

TEST(Decoder, WorkedExampleIntoTheSourceLeavesTheLastSample) {
    const PackedSample packed = PackSamples(kExampleSource, kExampleTable);
    auto samples = kExampleSource;
    const std::size_t written =
        DecodeInto(std::span(packed.file).subspan(kPackedHeaderSize), kExampleTable, samples);
    EXPECT_EQ(written, 13u);
    EXPECT_EQ(samples, (std::vector<std::uint8_t>{128, 129, 131, 134, 138, 143, 136, 125, 105, 94,
                                                  114, 125, 132, 200}));
}

TEST(Decoder, ReadBitsTakesCodesFromTheTop) {
    const std::vector<std::uint8_t> byte = {0x90};
    BitReader reader{byte};
    EXPECT_EQ(reader.ReadBits(2), 2);
    EXPECT_EQ(reader.ReadBits(2), 1);
    EXPECT_EQ(reader.ReadBits(2), 0);
    EXPECT_FALSE(reader.AtEnd());
    EXPECT_EQ(reader.ReadBits(2), 0);
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(reader.ReadBits(8), 0);  // past the end: zeros, no read outside
    EXPECT_EQ(reader.ReadBits(0), 0);
}

TEST(Decoder, OutputShorterThanTheCodesStaysInBounds) {
    const std::vector<std::uint8_t> data = {0x55, 0x55, 0x55};
    std::vector<std::uint8_t> out(5, 7);
    EXPECT_EQ(DecodeInto(data, kExampleTable, out), 5u);
    EXPECT_EQ(DecodeSamples(data, kExampleTable).size(), 13u);
    EXPECT_EQ(DecodeInto(data, kExampleTable, {}), 0u);
}

TEST(PackedFormat, DataLengthCountsCompleteBytesOnly) {
    EXPECT_EQ(PackedDataLength(14), 3u);
    EXPECT_EQ(PackedDataLength(6), 1u);
    for (std::size_t n = 0; n <= 5; ++n) {
        EXPECT_EQ(PackedDataLength(n), 0u);
        const std::vector<std::uint8_t> source(n, 200);
        const auto packed = PackSamples(source, kExampleTable);
        EXPECT_EQ(packed.file.size(), 13u);
        EXPECT_EQ(packed.file[0], 0);
    }
    const std::vector<std::uint8_t> source(1202, 128);
    const auto packed = PackSamples(source, kExampleTable);
    EXPECT_EQ(packed.file[0], 0x2C);  // 300 data bytes, low byte first
    EXPECT_EQ(packed.file[1], 0x01);
}

TEST(PackedFormat, SilenceCodesAsZerosAndRebuildsAsSilence) {
    const std::vector<std::uint8_t> silence(402, 128);
    const auto packed = PackSamples(silence, kExampleTable);
    ASSERT_EQ(packed.file.size(), 13u + 100u);
    for (std::size_t i = 13; i < packed.file.size(); ++i) ASSERT_EQ(packed.file[i], 0);
    const auto rebuilt = DecodeSamples(std::span(packed.file).subspan(13), kExampleTable);
    EXPECT_EQ(rebuilt, std::vector<std::uint8_t>(401, 128));
}

TEST(PackedFormat, TooLongSourcesAreFlaggedAndKeepEveryCode) {
    EXPECT_TRUE(PackedDataFits(262145));
    EXPECT_FALSE(PackedDataFits(262146));
    const std::vector<std::uint8_t> source(262146, 128);
    const auto packed = PackSamples(source, kExampleTable);
    EXPECT_FALSE(packed.storable);
    EXPECT_EQ(packed.file.size(), 13u + 65536u);
    EXPECT_EQ(packed.file[0], 0);  // the length field wraps: such a file is never written
    EXPECT_EQ(packed.file[1], 0);
    EXPECT_TRUE(PackSamples(std::vector<std::uint8_t>(262145, 128), kExampleTable).storable);
}

TEST(ReconstructionRule, TieClampAndIndexPullBack) {
    // A = 129 at index 2 with T[1] = 0, T[3] = 2 and s = 130: both candidates are 1 away.
    const StepTable tie = {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    const std::vector<std::uint8_t> source = {0, 129, 130, 0, 0, 0};
    std::vector<std::uint8_t> tracked;
    const auto packed = PackSamples(source, tie, &tracked);  // 128 -> 129 takes index 2
    EXPECT_EQ(Codes(packed.file)[1], 1);
    EXPECT_EQ(tracked[1], 131);

    DecoderState state;
    const StepTable big = {0, 200, 200, 200, 200, 200, 200, 200, 200, 200, 250};
    EXPECT_EQ(ApplyCode(state, 1, big), 255);  // 128 + 200 clamps
    EXPECT_EQ(ApplyCode(state, 3, big), 55);
    EXPECT_EQ(ApplyCode(state, 3, big), 0);  // 55 - 200 clamps
    state = {128, 9};
    EXPECT_EQ(ApplyCode(state, 3, big), 0);  // step at index 10 applied before pull-back
    EXPECT_EQ(state.index, 9);
    state = {100, 1};
    EXPECT_EQ(ApplyCode(state, 0, big), 100);  // index 0 holds 0; then back to 1
    EXPECT_EQ(state.index, 1);
}

TEST(ReconstructionRule, DecoderRebuildsWhatTheEncoderTracked) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        StepTable table;
        for (auto& entry : table) entry = static_cast<std::uint8_t>(random() % 256);
        std::vector<std::uint8_t> source(2 + random() % 400);
        for (auto& s : source) s = static_cast<std::uint8_t>(random());
        std::vector<std::uint8_t> tracked;
        const auto packed = PackSamples(source, table, &tracked);
        const auto again = PackSamples(source, table);
        ASSERT_EQ(packed.file, again.file);  // deterministic
        const auto rebuilt = DecodeSamples(std::span(packed.file).subspan(13), table);
        ASSERT_EQ(rebuilt.size(), tracked.size() + 1);
        ASSERT_EQ(rebuilt[0], 128);
        ASSERT_TRUE(std::equal(tracked.begin(), tracked.end(), rebuilt.begin() + 1));
        // The first and last source samples never influence the file.
        auto changed = source;
        changed.front() ^= 0xFF;
        changed.back() ^= 0xFF;
        ASSERT_EQ(PackSamples(changed, table).file, packed.file);
    }
}

TEST(PackedFormat, ParseRefusesInconsistentFiles) {
    const auto packed = PackSamples(kExampleSource, kExampleTable);
    const auto view = ParsePackedFile(packed.file);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->table, kExampleTable);
    EXPECT_EQ(view->data.size(), 3u);
    auto longer = packed.file;
    longer.push_back(0);
    EXPECT_FALSE(ParsePackedFile(longer));
    EXPECT_FALSE(ParsePackedFile(std::span(packed.file).first(15)));
    EXPECT_FALSE(ParsePackedFile(std::span(packed.file).first(12)));
    EXPECT_TRUE(ParsePackedFile(std::span(packed.file).first(13)) == std::nullopt);
}

TEST(PackedFileName, LastThreeCharactersBecomeC) {
    EXPECT_EQ(PackedFileName(L"drum.wav"), L"drum.C");
    EXPECT_EQ(PackedFileName(L"DRUM.WAV"), L"DRUM.C");
    EXPECT_EQ(PackedFileName(L"x.wave"), L"x.wC");
    EXPECT_EQ(PackedFileName(L"abc"), L"C");
    EXPECT_EQ(PackedFileName(L"ab"), L"ab.C");
    EXPECT_EQ(PackedFileName(L""), L".C");
    EXPECT_EQ(PackedFileName(L"звук.wav"), L"звук.C");
}

}  // namespace
}  // namespace corvane
