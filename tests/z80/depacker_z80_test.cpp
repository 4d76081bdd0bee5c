// The depacker listing, exactly as Corvane writes it, assembled with pasmo and run on an
// emulated Z80 against packed files made by Corvane's coders.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "codec/depacker_listing.h"
#include "codec/encoder.h"
#include "codec/encoder_choice.h"
#include "support/example.h"
#include "support/wav.h"
#include "support/z80_machine.h"

namespace corvane {
namespace {

using namespace test;

// The second keeps the table's 11 bytes at the very top of a 256-byte page.
constexpr std::uint16_t kLoadAddresses[] = {0x9000, 0xA0F3};

StepTable DerivedTable(const Bytes& samples) {
    const DifferenceStats stats = ComputeDifferenceStats(samples);
    return DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
}

// How often rebuilding `file` limits a step at 0 and at 255, by the rule itself.
std::pair<int, int> Clips(const Bytes& file) {
    const auto view = ParsePackedFile(file);
    std::pair<int, int> clips;
    DecoderState state;
    for (std::size_t c = 0; view && c < 4 * view->data.size(); ++c) {
        const unsigned code = view->data[c / 4] >> (6 - 2 * (c % 4)) & 3u;
        const int unclamped = state.amplitude + MoveOf(state.index, code, view->table).change;
        clips.first += unclamped < 0;
        clips.second += unclamped > 255;
        ApplyCode(state, code, view->table);
    }
    return clips;
}

TEST(Z80Depacker, WorkedExample) {
    for (const std::uint16_t at : kLoadAddresses) {
        EXPECT_TRUE(z80::DepackerSends(kExampleFile, std::span(kExampleDecoded).subspan(1), at));
    }
}

// Files of every coder and size, with tables that drive the amplitude past both limits and
// every data byte value, play through the routine as the decoder rebuilds them.
TEST(Z80Depacker, EveryKindOfPackedFile) {
    std::mt19937 random(20260);
    std::vector<Bytes> files = {
        PackSamples(Bytes{128, 100, 90, 140, 200, 7}, kExampleTable).file,
        PackSamples(Tone(2 + 4 * 6000, 90, 90, 4), DeriveStepTable(-30, 41)).file};
    std::vector<std::uint8_t> codes;  // every data byte value, in random order
    for (int round = 0; round < 4; ++round) {
        std::vector<int> bytes(256);
        std::iota(bytes.begin(), bytes.end(), 0);
        std::ranges::shuffle(bytes, random);
        for (const int b : bytes) {
            for (int shift = 6; shift >= 0; shift -= 2) codes.push_back((b >> shift) & 3);
        }
    }
    StepTable randomTable;
    for (auto& entry : randomTable) entry = static_cast<std::uint8_t>(random());
    files.push_back(PackCodes(codes, randomTable).file);
    bool searchedTable = false;
    for (int round = 0; round < 18; ++round) {
        const Bytes source = RandomSound(random, 2 + 4 * (1 + random() % 300));
        StepTable table = DerivedTable(source);
        if (round % 2) {
            for (auto& entry : table)
                entry = static_cast<std::uint8_t>(random() % (round % 4 == 1 ? 40 : 256));
        }
        const Encoder encoder = round < 12   ? Encoder::Greedy
                                : round < 15 ? Encoder::Trellis
                                             : Encoder::Optimal;
        files.push_back(PackWithEncoder(encoder, source, table).file);
        searchedTable = searchedTable || TableOf(files.back()) != table;
    }
    EXPECT_TRUE(searchedTable);
    std::pair<int, int> clips;
    for (const Bytes& file : files) {
        clips.first += Clips(file).first;
        clips.second += Clips(file).second;
        for (const std::uint16_t at : kLoadAddresses) {
            EXPECT_TRUE(z80::DepackerMatchesDecoder(file, at)) << file.size() << " bytes";
        }
    }
    EXPECT_GT(clips.first, 0);
    EXPECT_GT(clips.second, 0);
}

// What `corvane-cli info` prints as the least streaming time rests on this figure.
TEST(Z80Depacker, TStatesADataByteTakesWithAnIdleCard) {
    std::mt19937 random(5);
    Bytes everyValue(13 + 256 * 3);  // each byte value three times, in random order
    for (std::size_t k = 13; k < everyValue.size(); ++k)
        everyValue[k] = static_cast<std::uint8_t>(k);
    std::shuffle(everyValue.begin() + 13, everyValue.end(), random);
    everyValue[0] = 0;
    everyValue[1] = 3;
    std::copy(kExampleTable.begin(), kExampleTable.end(), everyValue.begin() + 2);
    const Bytes silence = PackSamples(Bytes(402, 128), kExampleTable).file;  // all codes 0
    for (const auto& [file, everyByteAlike] :
         {std::pair{silence, true}, std::pair{everyValue, false}}) {
        const z80::DepackerRun run = z80::RunDepacker(file, 0x9000, 0);
        ASSERT_TRUE(run.fault.empty()) << run.fault;
        std::vector<std::uint64_t> byteEnds;  // the clock at each data byte's last sample
        for (const z80::CardWrite& write : run.writes) {
            if (!write.command) byteEnds.push_back(write.clock);
        }
        ASSERT_EQ(byteEnds.size(), 4 * (file.size() - 13));
        std::vector<std::uint64_t> costs;
        for (std::size_t k = 7; k < byteEnds.size(); k += 4)
            costs.push_back(byteEnds[k] - byteEnds[k - 4]);
        // A silent file takes the shortest path with every code: the least any byte costs.
        const auto [least, most] = std::minmax_element(costs.begin(), costs.end());
        EXPECT_GE(*least, kDepackerTStatesPerByte);
        if (everyByteAlike) {
            EXPECT_EQ(*least, kDepackerTStatesPerByte);
            EXPECT_EQ(*most, kDepackerTStatesPerByte);
        } else {
            EXPECT_GT(*most, *least);  // the slower paths are timed too
        }
    }
}

}  // namespace
}  // namespace corvane
