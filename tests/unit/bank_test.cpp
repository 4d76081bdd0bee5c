// A bank's layout and budget: pages filled without a file crossing one or a table crossing a
// 256-byte page, names for the assembler, and what the card's memory takes.
#include "card/bank.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "card/asm_names.h"
#include "card/bank_list.h"
#include "card/bank_loader.h"
#include "text/bank_text.h"

namespace corvane {
namespace {

// Files lie one after another in the order given, a file going on from a page's end into the
// next page; each starts at a low byte of at most #F3, with no more padding than that takes.
TEST(Bank, FilesFollowOneAnotherAcrossPages) {
    std::mt19937 random(19);
    for (int round = 0; round < 40; ++round) {
        std::vector<std::size_t> sizes(1 + random() % 30);
        for (auto& size : sizes) size = 14 + random() % (round % 2 ? 60000 : 3000);
        const std::vector<Placement> placements = PlaceInPages(sizes);
        ASSERT_EQ(placements.size(), sizes.size());
        std::size_t end = 0;  // of the file before, from the first page's start
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            const Placement p = placements[i];
            const std::size_t at = p.page * 16384 + p.address - kPageAddress;
            EXPECT_LE(p.address & 0xFF, 0xF3u);
            EXPECT_GE(p.address, kPageAddress);
            EXPECT_GE(at, end);
            EXPECT_LE(at, end + 12);
            end = at + sizes[i];
        }
    }
    EXPECT_EQ(PlaceInPages({0xF4, 20})[1], (Placement{0, 0xC100}));  // #C0F4 would split a table
    EXPECT_EQ(PlaceInPages({16383, 20})[1], (Placement{1, 0xC000}));
    EXPECT_EQ(PlaceInPages({16371, 20})[1], (Placement{0, 0xFFF3}));  // its data: the next page
}

// Every label of the include is a name of its own, even to an assembler that ignores case, and
// at most 64 characters long; names in other scripts keep their letters.
TEST(Bank, NamesNeverClashAndKeepTheirLetters) {
    EXPECT_EQ(EquatesOf({"Kick drum.wav", "dir/kick_drum.wav", "kick drum.WAV", "808.wav", ".wav",
                         "Звук.wav", "hat~2.wav", "LOAD.wav", "load.wav", "Loop.WAV", "голос.wav",
                         "Ärger ß.wav", "日本.wav", "♪.wav"},
                        "KIT"),
              (std::vector<std::string>{"Kick_drum", "kick_drum_2", "kick_drum_3", "808", "_wav",
                                        "Zvuk", "hat_2", "LOAD_2", "load_3", "Loop_2", "golos",
                                        "Arger_ss", "u65E5u672C", "_"}));
    EXPECT_EQ(EquatesOf({"PAGE.wav"}, "select"), std::vector<std::string>{"PAGE_2"});
    EXPECT_EQ(BankLabelOf("808 kit"), "_808_kit");
    EXPECT_EQ(BankLabelOf(std::string(40, 'b')), std::string(32, 'b'));
    EXPECT_EQ(BankLabelOf("Барабаны"), "Barabany");

    std::mt19937 random(7);
    const std::vector<std::string> pieces = {"a",    "A",  "_",     " ",   "load",
                                             "LOOP", "d1", "D10PU", "я",   "Я",
                                             "x",    "2",  ".",     "wav", std::string(30, 'z')};
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) {
        std::string name;
        for (int k = 0; k < 1 + static_cast<int>(random() % 6); ++k)
            name += pieces[random() % pieces.size()];
        names.push_back(name + ".wav");
    }
    const std::string bank = BankLabelOf(std::string(35, 'B'));
    std::set<std::string> seen(LoaderLabelNames().begin(), LoaderLabelNames().end());
    seen.insert({"COUNT", "FIRST", "PAGES", "SIZES", "HANDLES", "DIR"});
    for (const std::string& equate : EquatesOf(names, bank)) {
        std::string upper = equate;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_TRUE(seen.insert(upper).second) << equate;
        EXPECT_LE(bank.size() + 1 + equate.size(), 64u) << equate;
        EXPECT_EQ(LabelOf(equate), equate);
    }
}

// A list as written for a bank reads back as the same entries, every choice in its line, not
// left to the defaults of the command that reads it.
TEST(Bank, ListReadsBackAsWritten) {
    using Kind = RateChoice::Kind;
    const std::vector<BankEntry> entries = {
        // each with the line it is read from
        {"kick.wav", {Kind::Nearest}, LoopChoice::Keep, Encoder::Greedy, "", 3},
        {"../warm pad #2.wav", {Kind::Note, 48}, LoopChoice::Cut, Encoder::Optimal, "pad", 4},
        {"C:\\s\\hat.wav", {Kind::Hertz, 0, 11025}, LoopChoice::Ignore, Encoder::Trellis, "", 5}};
    const auto read = ParseBankList(BankListText(entries, {"a bank", "# of 3"}),
                                    {"", {Kind::Source}, LoopChoice::Cut, Encoder::Optimal, "", 0});
    ASSERT_TRUE(std::holds_alternative<std::vector<BankEntry>>(read));
    EXPECT_EQ(std::get<std::vector<BankEntry>>(read), entries);
}

}  // namespace
}  // namespace corvane
