// A bank of real samples over several host pages, loaded by README's example program with the
// loader Corvane writes, assembled by pasmo and run on the emulated 128K machine and card.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "card/bank.h"
#include "codec/decoder.h"
#include "support/z80_machine.h"

namespace corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadInput(const std::string& name) {
    std::ifstream in(std::string(CORVANE_TEST_DATA) + "/inputs/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// README's example: the fenced block after "<!-- bank example -->".
std::string ReadmeExample() {
    const std::string readme = z80::ReadText(CORVANE_README);
    const std::size_t marker = readme.find("<!-- bank example -->");
    const std::size_t from = readme.find('\n', readme.find("```asm", marker)) + 1;
    return readme.substr(from, readme.find("```", from) - from);
}

TEST(Z80Bank, ReadmesProgramLoadsEverySampleWithItsParameters) {
    // Each at a rate that makes it need a different set of parameter commands: none (note 60,
    // the card's own), a note and finetune, and those with a loop.
    const struct {
        const char* file;
        std::uint32_t rate;
    } sources[] = {{"espeak-speech.wav", 16725},       {"espeak-speech.wav", 0},
                   {"libsndfile-loop.wav", 0},         {"sox-22050-s16-mono.wav", 11025},
                   {"ffmpeg-32000-s16-stereo.wav", 0}, {"sox-8000-u8-mono.wav", 0}};
    std::vector<BankSample> samples;
    for (const auto& [file, rate] : sources) {
        const LoadedSource loaded = LoadSourceBytes(ReadInput(file), {rate});
        ASSERT_EQ(BankRefusal(loaded), Refusal::None) << file;
        samples.push_back(
            PackForBank(samples.empty() ? "kick.wav" : file, loaded, Encoder::Greedy, Rom::V104));
    }
    const Bank bank = LayOutBank(std::move(samples), CardMemory::Basic);
    ASSERT_GE(bank.budget.pages, 2u);
    const z80::Assembled program =
        z80::Assemble("bank", ReadmeExample(), 32768, {{"DRUMS.asm", BankListing(bank, "DRUMS")}});
    ASSERT_EQ(program.error, "");

    z80::Machine m;
    const auto pages = PageImages(bank);
    const std::uint16_t pageTable = program.symbols.at("PAGES");
    for (std::size_t page = 0; page < pages.size(); ++page) {  // as README's BASIC loader does
        const std::size_t memoryBank = program.code[pageTable - 32768 + page];
        std::copy(pages[page].begin(), pages[page].end(), m.banks[memoryBank].begin());
    }
    z80::Run(m, program, program.symbols.at("START"), 0xBF00, 40'000'000);
    ASSERT_EQ(m.fault + m.card.fault, "");

    ASSERT_EQ(m.card.effects.size(), bank.samples.size());
    const std::uint16_t handles = program.symbols.at("DRUMS_HANDLES");
    std::size_t commandsAfterLoads = 0;
    for (std::size_t i = 0; i < bank.samples.size(); ++i) {
        SCOPED_TRACE(bank.samples[i].name);
        const BankSample& sample = bank.samples[i];
        const auto view = ParsePackedFile(sample.file);
        const Bytes decoded = DecodeSamples(view->data, view->table);
        const z80::Effect& effect = m.card.effects[i];
        EXPECT_EQ(effect.samples, Bytes(decoded.begin() + 1, decoded.end()));
        EXPECT_EQ(effect.note, sample.pitch.note.note);
        EXPECT_EQ(effect.finetune, (sample.pitch.note.finetune & 15) << 1);
        EXPECT_EQ(effect.loopBegin, sample.loop ? sample.loop->begin : 0xFFFFFFu);
        EXPECT_EQ(effect.loopEnd, sample.loop ? sample.loop->end : 0u);
        EXPECT_EQ(m.At(static_cast<std::uint16_t>(handles + i)), i + 1);
        commandsAfterLoads += (sample.pitch.note.note != 60) + (sample.pitch.note.finetune != 0) +
                              2 * sample.loop.has_value();
    }
    EXPECT_TRUE(bank.samples[2].loop.has_value());
    EXPECT_EQ(bank.samples[0].pitch.note, (CardNote{60, 0}));
    // No parameter command a sample does not need: the loads' three each, the rest, and #39.
    const auto commands = std::count_if(m.card.writes.begin(), m.card.writes.end(),
                                        [](const z80::CardWrite& w) { return w.command; });
    EXPECT_EQ(commands, 3 * bank.samples.size() + commandsAfterLoads + 1);
    EXPECT_EQ(m.card.played, std::vector<int>{1});  // the kick

    std::size_t cardBytes = 0;
    for (const z80::Effect& effect : m.card.effects) cardBytes += effect.samples.size();
    std::printf(
        "The bank: %zu samples, %zu card bytes, %zu pages; loaded in %llu T-states, "
        "%.2f s at 3.5 MHz\n",
        bank.samples.size(), cardBytes, bank.budget.pages, static_cast<unsigned long long>(m.clock),
        static_cast<double>(m.clock) / 3.5e6);
}

}  // namespace
}  // namespace corvane
