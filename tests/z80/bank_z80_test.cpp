// Banks loaded by README's example program with the loader Corvane writes, assembled by pasmo
// and run on the emulated 128K machine beside a card that behaves as its firmware does: every
// sample, handle, period it will play at and loop; a card that does not answer; the loader
// Corvane wrote before, which the firmware's card hangs; names that assemble alike everywhere.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <numeric>
#include <sstream>

#include "card/asm_names.h"
#include "card/bank.h"
#include "card/bank_loader.h"
#include "card/bank_tape.h"
#include "card/z80_assembler.h"
#include "codec/decoder.h"
#include "support/wav.h"
#include "support/z80_machine.h"

namespace corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint16_t kOrigin = 32768, kStackTop = 0xBF00;

Bytes ReadInput(const std::string& path) {
    std::ifstream in(std::string(CORVANE_TEST_DATA) + "/" + path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// README's example: the fenced block after "<!-- bank example -->" (or another marker).
std::string ReadmeExample(const std::string& marker = "<!-- bank example -->") {
    const std::string readme = z80::ReadText(CORVANE_README);
    const std::size_t at = readme.find(marker);
    const std::size_t from = readme.find('\n', readme.find("```asm", at)) + 1;
    return readme.substr(from, readme.find("```", from) - from);
}

// A 16-bit mono sine of `hertz` at `rate`, 0.4 s or as long as asked.
Bytes Sine(double hertz, std::uint32_t rate, double seconds = 0.4) {
    std::vector<int> values;
    for (std::uint32_t i = 0; i < rate * seconds; ++i) {
        values.push_back(
            static_cast<int>(9000 * std::sin(2 * std::numbers::pi * hertz * i / rate)));
    }
    return test::Wav({1, 1, rate, 16}, test::Pcm16(values));
}

// The machine after README's program ran with `bank`: its pages in the memory banks README's
// BASIC loader puts them in.
struct Loaded {
    z80::Machine m;
    z80::Assembled program;
};
Loaded RunReadme(const Bank& bank, z80::GsCard card) {
    Loaded run;
    run.program =
        z80::Assemble("bank", ReadmeExample(), kOrigin, {{bank.name + ".asm", BankListing(bank)}});
    run.m.card = std::move(card);
    const auto pages = PageImages(bank);
    const std::uint16_t pageTable = run.program.symbols.at("PAGES");
    for (std::size_t page = 0; page < pages.size(); ++page) {
        const std::size_t memoryBank = run.program.code[pageTable - kOrigin + page];
        std::copy(pages[page].begin(), pages[page].end(), run.m.banks[memoryBank].begin());
    }
    z80::Run(run.m, run.program, run.program.symbols.at("START"), kStackTop, 60'000'000);
    return run;
}

// The card holds each of the bank's samples as the packed file stands for it, playing at the
// period of its note and finetune, with its loop, and the program's handle table is 1, 2 ...
void ExpectLoaded(const z80::Machine& m, const Bank& bank, std::uint16_t handles, Rom rom) {
    ASSERT_EQ(m.fault + m.card.fault(), "");
    ASSERT_EQ(m.card.effects().size(), bank.samples.size());
    for (std::size_t i = 0; i < bank.samples.size(); ++i) {
        const BankSample& sample = bank.samples[i];
        const auto view = ParsePackedFile(sample.file);
        const Bytes decoded = DecodeSamples(view->data, view->table);
        const z80::Effect& effect = m.card.effects()[i];
        EXPECT_EQ(effect.samples, Bytes(decoded.begin() + 1, decoded.end())) << i;
        EXPECT_EQ(effect.period, PeriodOf(rom, sample.pitch.note)) << i;
        EXPECT_EQ(effect.loopBegin, sample.loop ? sample.loop->begin : 0xFFFFFFu) << i;
        EXPECT_EQ(effect.loopEnd, sample.loop ? sample.loop->end : effect.samples.size()) << i;
        EXPECT_EQ(m.low[handles + i], i + 1);
    }
}

// T-states README's SELECT_PAGE takes, CALL excluded: the loader's own time leaves it out.
std::uint64_t SelectPageTStates(const z80::Assembled& program) {
    z80::Machine m;
    z80::Assembled call = program;
    const std::uint16_t at = static_cast<std::uint16_t>(program.code.size() + kOrigin);
    const std::uint16_t target = program.symbols.at("SELECT_PAGE");
    call.code.insert(call.code.end(),
                     {0x3E, 0x00, 0xCD, static_cast<std::uint8_t>(target & 0xFF),
                      static_cast<std::uint8_t>(target >> 8), 0xC9});  // LD A,0 CALL RET
    m.cardFitted = false;
    z80::Run(m, call, at, kStackTop, 1000);
    return m.clock - 7 - 17 - 10 - 4;  // and the HALT
}

TEST(Z80Bank, EverySampleLoadsAndPlaysAtItsNoteAndFinetuneOnBothRoms) {
    for (const Rom rom : {Rom::V104, Rom::V105}) {
        SCOPED_TRACE(RomName(rom));
        // Sources whose nearest note needs a finetune at note 60, another note, both, or
        // neither (converted to note 60's or note 48's own rate), and a loop.
        const struct {
            const char* name;
            Bytes wav;
            std::uint32_t rate;
        } sources[] = {
            {"kick.wav", ReadInput("inputs/espeak-speech.wav"), HertzOf(rom, {60, 0})},
            {"tone-17000.wav", Sine(1000, 17000), 0},
            {"speech-11025.wav", ReadInput("inputs/ffmpeg-11025-u8-mono.wav"), 0},
            {"speech-22050.wav", ReadInput("inputs/sox-22050-s16-mono.wav"), 0},
            {"tone-8500.wav", Sine(500, 8500), 0},
            {"low.wav", ReadInput("inputs/espeak-speech.wav"), HertzOf(rom, {48, 0})},
            {"loop.wav", ReadInput("inputs/libsndfile-loop.wav"), HertzOf(rom, {55, 0})},
        };
        std::vector<BankSample> samples;
        for (const auto& [name, wav, rate] : sources) {
            const LoadedSource loaded = LoadSourceBytes(wav, {rate});
            ASSERT_EQ(BankRefusal(loaded), Refusal::None) << name;
            samples.push_back(PackForBank(name, loaded, Encoder::Greedy, rom));
        }
        const Bank bank = LayOutBank(std::move(samples), CardMemory::Basic, "DRUMS");
        ASSERT_GE(bank.budget.pages, 2u);
        int kinds[4] = {};  // parameters a sample needs: none, note, finetune, both
        for (const BankSample& s : bank.samples) {
            ++kinds[(s.pitch.note.note != 60) + 2 * (s.pitch.note.finetune != 0)];
        }
        EXPECT_TRUE(kinds[0] && kinds[1] && kinds[2] && kinds[3]);

        // At the firmware's pace, and on a card fifty times slower.
        for (const z80::CardPace pace : {z80::CardPace{}, z80::CardPace{3000, 300, 1000}}) {
            const Loaded run = RunReadme(bank, z80::GsCard(rom, pace));
            ExpectLoaded(run.m, bank, run.program.symbols.at("DRUMS_HANDLES"), rom);
            const std::size_t kick =
                std::find_if(bank.samples.begin(), bank.samples.end(),
                             [](const BankSample& s) { return s.name == "kick.wav"; }) -
                bank.samples.begin();
            EXPECT_EQ(run.m.card.played(), std::vector<int>{static_cast<int>(kick + 1)});
            if (pace.command == z80::CardPace{}.command) {
                std::printf(
                    "ROM %s, %zu card bytes, %zu pages: %llu T-states at the firmware's "
                    "pace, %.1f a card byte\n",
                    RomName(rom).c_str(), bank.budget.sampleBytes, bank.budget.pages,
                    static_cast<unsigned long long>(run.m.clock),
                    static_cast<double>(run.m.clock) /
                        static_cast<double>(bank.budget.sampleBytes));
            }
        }
        // The budget's load time is the loader's own, to the T-state, with a card that answers
        // at once: the whole program less its call and play, and SELECT_PAGE's time a page.
        const Loaded quick = RunReadme(bank, z80::GsCard(rom, z80::kAtOnce));
        ASSERT_EQ(quick.m.fault + quick.m.card.fault(), "");
        const std::uint64_t program = 17 + 5 + 13 + 11 + 7 + 11 + 11 + 4 + 7 + 10 + 4;  // and HALT
        EXPECT_EQ(quick.m.clock - program - bank.budget.pages * SelectPageTStates(quick.program),
                  bank.budget.loadTStates);
    }
}

// A kit for the card's memory extension, of mixed rates, with two 6 s samples: more pages than
// a 128K holds at once. README's tape program loads it a page at a time, each page served from
// tape when SELECT_PAGE asks for it; every sample, period, loop and handle is right.
TEST(Z80Bank, AKitBiggerThanTheHostsMemoryLoadsPageByPageFromTape) {
    const struct {
        Bytes wav;
        std::uint32_t rate;
    } sources[] = {{Sine(220, 16725, 6), 0}, {Sine(330, 44100, 6), HertzOf(Rom::V104, {60, 0})},
                   {Sine(110, 22050, 5), 0}, {Sine(880, 11025, 4), 0},
                   {Sine(60, 8000, 8), 0},   {ReadInput("inputs/libsndfile-loop.wav"), 12000}};
    std::vector<BankSample> samples;
    for (const auto& [wav, rate] : sources) {
        const LoadedSource loaded = LoadSourceBytes(wav, {rate});
        ASSERT_EQ(BankRefusal(loaded), Refusal::None);
        samples.push_back(PackForBank("s.wav", loaded, Encoder::Greedy, Rom::V104));
    }
    const Bank bank = LayOutBank(std::move(samples), CardMemory::Extended, "DRUMS");
    ASSERT_TRUE(bank.budget.LoadsInStages());
    ASSERT_TRUE(bank.budget.FitsCard());
    const z80::Assembled program =
        z80::Assemble("tape", ReadmeExample("<!-- bank tape example -->"), kOrigin,
                      {{"DRUMS.asm", BankListing(bank)}});
    z80::Machine m;
    m.card = z80::GsCard(Rom::V104, {}, CardCapacity(CardMemory::Extended));
    for (Bytes page : PageImages(bank)) {
        page.insert(page.begin(), 0xFF);  // a data block's flag
        m.tape.push_back(page);
    }
    z80::Run(m, program, program.symbols.at("START"), kStackTop, 200'000'000);
    ExpectLoaded(m, bank, program.symbols.at("DRUMS_HANDLES"), Rom::V104);
    EXPECT_EQ(m.tapeRead, bank.budget.pages);
    std::printf("A kit of %zu samples, %zu card bytes, %zu pages from tape: %llu T-states\n",
                bank.samples.size(), bank.budget.sampleBytes, bank.budget.pages,
                static_cast<unsigned long long>(m.clock));
}

// A bank of two samples (11 025 Hz: note 52 finetune +6, and 96 000 Hz: out of range, note 71
// finetune +7) as Corvane's earlier loader wrote it.
TEST(Z80Bank, TheEarlierLoaderFailsOnTheFirmwaresCard) {
    const std::string listing = z80::ReadText(CORVANE_TEST_DATA "/z80/OLD.asm");
    const Bytes page = ReadInput("z80/OLD.0.bin");
    const auto run = [&](const std::string& include) {
        const std::string main =
            " ORG 32768\nSTART CALL OLD_LOAD\n RET\nSELECT_PAGE RET\n INCLUDE \"OLD.asm\"\n";
        const z80::Assembled program = z80::Assemble("old", main, kOrigin, {{"OLD.asm", include}});
        z80::Machine m;
        std::copy(page.begin(), page.end(), m.banks[0].begin());
        z80::Run(m, program, kOrigin, kStackTop, 20'000'000);
        return m;
    };
    // It waits for a handle the card wrote, and flagged read, before it took #38.
    const z80::Machine hung = run(listing);
    EXPECT_NE(hung.card.fault().find("a wait that never ends"), std::string::npos)
        << hung.card.fault();
    // Without that wait it loads, but sends #40 before #42: the finetune is stored, not heard.
    const std::size_t wait = listing.find("OLD_WN\n");
    const std::string unhung =
        listing.substr(0, wait) + listing.substr(listing.find("JR NC,OLD_WN\n") + 13);
    const z80::Machine loaded = run(unhung);
    ASSERT_EQ(loaded.fault + loaded.card.fault(), "");
    const z80::Effect& first = loaded.card.effects()[0];
    EXPECT_EQ(first.note, 52);
    EXPECT_EQ(first.finetune, 12);  // +6, twice
    EXPECT_EQ(first.period, PeriodOf(Rom::V104, {52, 0}));
    EXPECT_NE(first.period, PeriodOf(Rom::V104, {52, 6}));
}

// A card that never answers, or one that takes no more effects: the loader returns with carry
// set and A = the sample it was loading, within a second, the handles before it kept.
TEST(Z80Bank, ACardThatDoesNotAnswerOrIsFullEndsTheLoadWithCarry) {
    std::vector<BankSample> samples;
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
        const LoadedSource loaded = LoadSourceBytes(ReadInput("inputs/sox-8000-u8-mono.wav"));
        samples.push_back(PackForBank(name, loaded, Encoder::Greedy, Rom::V104));
    }
    const Bank bank = LayOutBank(std::move(samples), CardMemory::Basic, "KIT");
    const std::string main =
        " ORG 32768\nSTART CALL KIT_LOAD\n PUSH AF\n POP BC\n LD (RESULT),BC\n RET\n"
        "RESULT DW 0FFFFh\nSELECT_PAGE RET\n INCLUDE \"KIT.asm\"\n";
    const z80::Assembled program =
        z80::Assemble("full", main, kOrigin, {{"KIT.asm", BankListing(bank)}});
    const Bytes page = PageImages(bank)[0];
    const struct {
        const char* what;
        bool fitted;
        z80::CardPace pace;
        std::size_t loaded, failsAt;
    } cases[] = {
        {"no card", false, {}, 0, 0},
        {"a card that never takes a command", true, {60, 6, 20, false}, 0, 0},
        {"58 effects loaded", true, {}, 58, 2},
        {"none loaded", true, {}, 0, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        z80::Machine m;
        m.cardFitted = c.fitted;
        m.card = z80::GsCard(Rom::V104, c.pace);
        m.card.AddLoaded(c.loaded);
        std::copy(page.begin(), page.end(), m.banks[0].begin());
        z80::Run(m, program, kOrigin, kStackTop, 30'000'000);
        if (c.fitted && c.pace.answers) {
            EXPECT_EQ(m.fault + m.card.fault(), "");
        }
        const std::uint16_t result = program.symbols.at("RESULT");
        const int flags = m.low[result], a = m.low[result + 1u];
        EXPECT_EQ(flags & 1, c.failsAt < 3);
        if (c.failsAt < 3) {
            EXPECT_EQ(a, static_cast<int>(c.failsAt));
        }
        EXPECT_LT(m.clock, 3'500'000u);
        const std::uint16_t handles = program.symbols.at("KIT_HANDLES");
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(m.low[handles + i], i < c.failsAt ? c.loaded + i + 1 : 0) << i;
        }
    }
}

// Files named as the include's own labels (in any letter case), as the program's SELECT_PAGE,
// in Cyrillic, or far too long: the include assembles, to the same bytes, in pasmo, in pasmo
// ignoring case and in z80asm, and no label passes 64 characters.
TEST(Z80Bank, EveryNameAssemblesAlikeInPasmoAndZ80asm) {
    const LoadedSource loaded = LoadSourceBytes(ReadInput("inputs/example.wav"));
    std::vector<BankSample> samples;
    for (const std::string& name : std::vector<std::string>{
             "LOAD.wav", "load.WAV", "COUNT.wav", "Loop.wav", "DONE.wav", "NEXT_PAGE.wav",
             "D10PU.wav", "d10pu.wav", "PAGE.wav", "голос.wav", "Голос.wav",
             std::string(100, 'x') + ".wav", std::string(100, 'x') + "y.wav"}) {
        samples.push_back(PackForBank(name, loaded, Encoder::Greedy, Rom::V104));
    }
    for (const std::string& bankName :
         std::vector<std::string>{"SELECT", "барабаны " + std::string(60, 'b')}) {
        const Bank bank = LayOutBank(samples, CardMemory::Basic, bankName);
        const std::string listing = BankListing(bank);
        const std::string main = " ORG 32768\n CALL " + bank.label +
                                 "_LOAD\n RET\nSELECT_PAGE:\n RET\n INCLUDE \"bank.asm\"\n";
        std::vector<Bytes> builds;
        for (const std::string& assembler : {z80::kPasmo, z80::kPasmoNoCase, z80::kZ80asm}) {
            const z80::Assembled made =
                z80::Assemble("names", main, kOrigin, {{"bank.asm", listing}}, assembler);
            ASSERT_EQ(made.error, "") << bankName;
            builds.push_back(made.code);
        }
        EXPECT_GT(builds[0].size(), 4000u);
        EXPECT_EQ(builds[1], builds[0]);
        EXPECT_EQ(builds[2], builds[0]);
        std::istringstream lines(listing);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line[0] != ' ' && line[0] != ';') {  // a label
                EXPECT_LE(line.find(':'), 64u) << line;
            }
        }
        EXPECT_NE(listing.find(bank.label + "_golos:"), std::string::npos);
    }
}

// Banks of assorted names, first pages, pages and samples (more than the keys): the tape's
// player with the include, assembled by Corvane, is pasmo's, to the byte and the symbol.
TEST(Z80Tape, ThePlayerAndIncludeAssembleAsPasmoAssemblesThem) {
    const struct {
        std::string name, file;
        std::size_t firstPage, copies;
    } banks[] = {{"DRUMS", "libsndfile-loop.wav", 0, 1},
                 {"барабаны", "example.wav", 3, 40},
                 {"SELECT", "espeak-speech.wav", 250, 3},
                 {"1kit", "libsndfile-loop.wav", 7, 2}};
    for (const auto& [name, file, firstPage, copies] : banks) {
        const LoadedSource source = LoadSourceBytes(ReadInput("inputs/" + file));
        const std::vector<BankSample> samples(
            copies, PackForBank("s.wav", source, Encoder::Greedy, Rom::V105));
        const Bank bank = LayOutBank(samples, CardMemory::Basic, name, {firstPage});
        const std::string text = TapePlayerText(bank);
        const z80::Assembled pasmo = z80::Assemble("tape", " ORG 32768\n" + text, kTapePlayerAt);
        ASSERT_EQ(pasmo.error, "") << name;
        const Z80Program made = AssembleZ80(text, kTapePlayerAt);
        EXPECT_EQ(made.code, pasmo.code) << name;
        EXPECT_EQ(made.symbols, pasmo.symbols) << name;
    }
    const std::string forms = z80::ReadText(CORVANE_TEST_DATA "/z80/forms.asm");  // one of each
    EXPECT_EQ(AssembleZ80(forms, kTapePlayerAt).code,
              z80::Assemble("forms", " ORG 32768\n" + forms, kTapePlayerAt).code);
    EXPECT_NE(AssembleZ80(" JR FAR\n DS 200\nFAR: RET\n", 0).error, "");
}

// The tape's blocks: flag byte and data, each checksum checked.
std::vector<Bytes> TapeBlocks(const Bytes& tap) {
    std::vector<Bytes> blocks;
    for (std::size_t at = 0; at + 2 <= tap.size();) {
        const std::size_t length = tap[at] | tap[at + 1] << 8;
        Bytes block(tap.begin() + at + 2, tap.begin() + at + 2 + length);
        EXPECT_EQ(std::accumulate(block.begin(), block.end(), 0, std::bit_xor<>()), 0);
        block.pop_back();
        blocks.push_back(block);
        at += 2 + length;
    }
    return blocks;
}

// The tape's player, its code block loaded where its header says and started there, its
// pages served from the tape as it asks: every sample loads, each key plays its sample (a key
// with none plays nothing), SPACE stops all, BREAK goes back; with no card it says so and
// goes back.
TEST(Z80Tape, ThePlayerLoadsTheBankFromTapeAndPlaysEachSampleByItsKey) {
    std::vector<BankSample> samples;
    for (int i = 0; i < 11; ++i) {
        const LoadedSource loaded = LoadSourceBytes(Sine(200 + 50 * i, 16725, 0.5));
        samples.push_back(
            PackForBank("tone" + std::to_string(i) + ".wav", loaded, Encoder::Greedy, Rom::V104));
    }
    const Bank bank = LayOutBank(std::move(samples), CardMemory::Basic, "TONES");
    ASSERT_EQ(bank.budget.pages, 2u);
    const std::vector<Bytes> blocks = TapeBlocks(BankTape(bank));
    ASSERT_EQ(blocks.size(), 4 + 2 * bank.budget.pages);
    z80::Assembled player;
    player.origin = static_cast<std::uint16_t>(blocks[2][14] | blocks[2][15] << 8);
    player.code.assign(blocks[3].begin() + 1, blocks[3].end());
    const std::uint16_t handles =
        AssembleZ80(TapePlayerText(bank), kTapePlayerAt).symbols.at("TONES_HANDLES");
    for (const bool fitted : {true, false}) {
        z80::Machine m;
        m.cardFitted = fitted;
        m.rom48 = true;
        m.tape.assign(blocks.begin() + 4, blocks.end());
        m.keys = "123456789ABZ !";
        z80::Run(m, player, player.origin, kStackTop, 100'000'000);
        if (!fitted) {
            EXPECT_EQ(m.fault, "");
            EXPECT_NE(m.printed.find("No card answers (or it is full)"), std::string::npos);
            EXPECT_LT(m.clock, 3'500'000u);
            continue;
        }
        ExpectLoaded(m, bank, handles, Rom::V104);
        EXPECT_EQ(m.tapeRead, blocks.size() - 4);
        EXPECT_EQ(m.card.played(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0}));
        for (std::size_t i = 0; i < bank.samples.size(); ++i) {
            EXPECT_NE(m.printed.find(SampleKey(i) + (" " + bank.samples[i].equate)),
                      std::string::npos);
        }
        EXPECT_NE(m.printed.find("Ready: press a sample's key"), std::string::npos);
    }
}

}  // namespace
}  // namespace corvane
