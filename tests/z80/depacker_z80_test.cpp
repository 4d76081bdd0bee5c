// The depacker listing, exactly as Corvane writes it, assembled with pasmo and run on an
// emulated Z80 against packed files made by Corvane's coders.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "codec/depacker_listing.h"
#include "codec/encoder_choice.h"
#include "support/example.h"
#include "support/wav.h"
#include "support/z80_machine.h"

namespace corvane {
namespace {

using namespace test;

// The second keeps the table's 11 bytes at the very top of a 256-byte page.
constexpr std::uint16_t kLoadAddresses[] = {0x9000, 0xA0F3};

// A packed file holding each data byte value `times` times, in random order.
Bytes EveryByteValue(std::mt19937& random, int times, const StepTable& table) {
    Bytes file = {static_cast<std::uint8_t>(256 * times), static_cast<std::uint8_t>(times)};
    for (const std::uint8_t entry : table) file.push_back(entry);
    for (int k = 0; k < 256 * times; ++k) file.push_back(static_cast<std::uint8_t>(k));
    std::shuffle(file.begin() + 13, file.end(), random);
    return file;
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
    StepTable randomTable;
    for (auto& entry : randomTable) entry = static_cast<std::uint8_t>(random());
    std::vector<Bytes> files = {
        PackSamples(Bytes{128, 100, 90, 140, 200, 7}, kExampleTable).file,
        PackSamples(Tone(2 + 4 * 6000, 90, 90, 4), DeriveStepTable(-30, 41)).file,
        EveryByteValue(random, 4, randomTable)};
    int clipsLow = 0, clipsHigh = 0;  // steps the rule limits at 0 and at 255
    for (int round = 0; round < 18; ++round) {
        const Bytes source = RandomSound(random, 2 + 4 * (1 + random() % 300));
        const DifferenceStats stats = ComputeDifferenceStats(source);
        StepTable table = DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
        if (round % 2) {
            for (auto& entry : table)
                entry = static_cast<std::uint8_t>(random() % (round % 4 == 1 ? 40 : 256));
        }
        const Encoder encoder = round < 12   ? Encoder::Greedy
                                : round < 15 ? Encoder::Trellis
                                             : Encoder::Optimal;
        std::vector<std::uint8_t> tracked;
        files.push_back(PackWithEncoder(encoder, source, table, &tracked).file);
        DecoderState state;
        for (std::size_t c = 0; c < tracked.size(); ++c) {
            const unsigned code = files.back()[13 + c / 4] >> (6 - 2 * (c % 4)) & 3u;
            const int unclamped =
                state.amplitude + MoveOf(state.index, code, TableOf(files.back())).change;
            clipsLow += unclamped < 0;
            clipsHigh += unclamped > 255;
            ApplyCode(state, code, TableOf(files.back()));
        }
    }
    EXPECT_GT(clipsLow, 0);
    EXPECT_GT(clipsHigh, 0);
    for (const Bytes& file : files) {
        for (const std::uint16_t at : kLoadAddresses) {
            EXPECT_TRUE(z80::DepackerMatchesDecoder(file, at)) << file.size() << " bytes";
        }
    }
}

// What `corvane-cli info` prints as the least streaming time rests on this figure: a silent
// file takes the shortest path with every code, and no byte of any other takes less.
TEST(Z80Depacker, TStatesADataByteTakesWithAnIdleCard) {
    std::mt19937 random(5);
    const Bytes silence = PackSamples(Bytes(402, 128), kExampleTable).file;  // all codes 0
    for (const Bytes& file : {silence, EveryByteValue(random, 3, kExampleTable)}) {
        const z80::DepackerRun run = z80::RunDepacker(file, 0x9000, 0);
        ASSERT_TRUE(run.fault.empty()) << run.fault;
        std::vector<std::uint64_t> ends;  // the clock at each data byte's last sample
        std::size_t samples = 0;
        for (const z80::CardWrite& write : run.writes) {
            if (!write.command && ++samples % 4 == 0) ends.push_back(write.clock);
        }
        ASSERT_EQ(ends.size(), file.size() - 13);
        std::vector<std::uint64_t> costs(ends.size());
        std::adjacent_difference(ends.begin(), ends.end(), costs.begin());
        const auto [least, most] = std::minmax_element(costs.begin() + 1, costs.end());
        EXPECT_GE(*least, kDepackerTStatesPerByte);
        if (file == silence) {
            EXPECT_EQ(*least, kDepackerTStatesPerByte);
            EXPECT_EQ(*most, kDepackerTStatesPerByte);
        } else {
            EXPECT_GT(*most, kDepackerTStatesPerByte);  // the slower paths are timed too
        }
    }
}

}  // namespace
}  // namespace corvane
