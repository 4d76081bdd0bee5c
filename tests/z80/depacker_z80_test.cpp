// The depacker listing, exactly as Corvane writes it, assembled by pasmo and run on an emulated
// Z80 against packed files made by Corvane's coders.
#include <gtest/gtest.h>

#include <numeric>
#include <set>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "codec/decoder.h"
#include "codec/encoder_choice.h"
#include "support/example.h"
#include "support/wav.h"
#include "support/z80_machine.h"

namespace corvane {
namespace {

using namespace test;
using namespace z80;

// The second puts the table's 11 bytes at the very top of a 256-byte page.
constexpr std::uint16_t kLoadAddresses[] = {0x9000, 0xA0F3};

// A packed file holding each data byte value `times` times, in random order.
Bytes EveryByteValue(std::mt19937& random, int times, const StepTable& table) {
    Bytes file(13 + 256 * static_cast<std::size_t>(times));
    file[1] = static_cast<std::uint8_t>(times);
    std::copy(table.begin(), table.end(), file.begin() + 2);
    for (std::size_t k = 13; k < file.size(); ++k) file[k] = static_cast<std::uint8_t>(k - 13);
    std::shuffle(file.begin() + 13, file.end(), random);
    return file;
}

// Files of every coder and size, with tables that drive the amplitude past both limits, and
// every data byte value, play through the routine as the decoder rebuilds them: commands #38
// and #D1, the samples, then #D2.
TEST(Z80Depacker, PlaysEveryKindOfPackedFileAsTheDecoder) {
    std::mt19937 random(20260);
    StepTable randomTable;
    for (auto& entry : randomTable) entry = static_cast<std::uint8_t>(random());
    std::vector<Bytes> files = {kExampleFile, EveryByteValue(random, 4, randomTable)};
    for (int round = 0; round < 18; ++round) {
        const Bytes source = RandomSound(random, 2 + 4 * (1 + random() % 300));
        const DifferenceStats stats = ComputeDifferenceStats(source);
        StepTable table = DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
        for (auto& entry : table) {
            if (round % 2)
                entry = static_cast<std::uint8_t>(random() % (round % 4 == 1 ? 40 : 256));
        }
        const Encoder encoder = round < 12   ? Encoder::Greedy
                                : round < 15 ? Encoder::Trellis
                                             : Encoder::Optimal;
        files.push_back(PackWithEncoder(encoder, source, table).file);
    }
    std::set<int> limits;  // the amplitudes the rule clamps to, reached on the way
    for (const Bytes& file : files) {
        const auto view = ParsePackedFile(file);
        ASSERT_TRUE(view);
        const Bytes decoded = DecodeSamples(view->data, view->table);
        std::vector<CardWrite> expected = {{true, 0x38}, {true, 0xD1}};
        for (std::size_t k = 1; k < decoded.size(); ++k) {
            expected.push_back({false, decoded[k]});
            if (decoded[k] == 0 || decoded[k] == 255) limits.insert(decoded[k]);
        }
        expected.push_back({true, 0xD2});
        for (const std::uint16_t at : kLoadAddresses) {
            const Machine m = RunDepacker(file, at);
            EXPECT_EQ(m.fault + m.card.fault(), "") << file.size() << " bytes at " << at;
            EXPECT_TRUE(m.card.writes() == expected) << file.size() << " bytes at " << at;
            ASSERT_EQ(m.card.effects().size(), 1u);
            EXPECT_EQ(m.card.effects()[0].samples, Bytes(decoded.begin() + 1, decoded.end()));
        }
    }
    EXPECT_EQ(limits, (std::set<int>{0, 255}));
}

// What `corvane-cli info` prints as the least streaming time rests on this figure: a silent
// file takes the shortest path with every code, and no byte of any other takes less.
TEST(Z80Depacker, TStatesADataByteTakesWithAnIdleCard) {
    std::mt19937 random(5);
    const Bytes silence = PackSamples(Bytes(402, 128), kExampleTable).file;  // every code 0
    for (const Bytes& file : {silence, EveryByteValue(random, 3, kExampleTable)}) {
        const Machine m = RunDepacker(file, 0x9000, kAtOnce);
        ASSERT_EQ(m.fault + m.card.fault(), "");
        std::vector<std::uint64_t> ends;  // the clock at each data byte's last sample
        std::size_t samples = 0;
        for (const CardWrite& write : m.card.writes()) {
            if (!write.command && ++samples % 4 == 0) ends.push_back(write.clock);
        }
        ASSERT_EQ(ends.size(), file.size() - 13);
        std::adjacent_difference(ends.begin(), ends.end(), ends.begin());
        const auto [least, most] = std::minmax_element(ends.begin() + 1, ends.end());
        EXPECT_GE(*least, kDepackerTStatesPerByte);
        EXPECT_EQ(*most == kDepackerTStatesPerByte, file == silence);  // the slower paths timed too
        EXPECT_EQ(*least == kDepackerTStatesPerByte, file == silence);
    }
}

}  // namespace
}  // namespace corvane
