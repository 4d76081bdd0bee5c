#pragma once
// A set of samples the card loads in one call: their packed files placed in the host's 16 KB
// memory pages, how the card is to play each, and what the set costs the card's memory.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "card/card_loop.h"
#include "card/pitch.h"
#include "codec/encoder_choice.h"
#include "codec/progress.h"
#include "wave/source.h"

namespace corvane {

// One sample of a bank: its packed file and how the card is to play it.
struct BankSample {
    std::string name;    // the source's file name, as reports show it
    std::string equate;  // its handle's place's name after the bank's; given, or made by LayOutBank
    std::vector<std::uint8_t> file;  // the packed file
    PitchMatch pitch;                // the note and finetune that play it at its own pitch
    std::optional<CardLoop> loop;
    LoopKind loopKind = LoopKind::Forward;        // as the file has it; the card plays it forward
    LoopProblem loopProblem = LoopProblem::None;  // the file's loop, not taken
    std::string path;  // the source file, as its program names it; two alike: the same file
};

// A prepared source packed with `encoder` and its own table, with its card parameters on `rom`.
// A stopped encoding leaves the file empty.
BankSample PackForBank(std::string name, const LoadedSource& prepared, Encoder encoder, Rom rom,
                       Progress* progress = nullptr);

// A source of a bank: its file's bytes, and how it is prepared and packed.
struct BankSource {
    std::string name;                 // the file's name, as reports show it
    std::string path;                 // the file, as the program names it
    std::vector<std::uint8_t> bytes;  // the WAV file
    Preparation how;
    Encoder encoder = Encoder::Greedy;
    std::string equate;  // given, or empty
};
// A source packed for a bank, or why it could not be.
struct BankPacking {
    std::optional<BankSample> sample;
    Refusal refusal = Refusal::None;
    LoopProblem loopProblem = LoopProblem::None;  // a loop the file has but that was not taken
};
// Prepares and packs each source for `rom`, as many at once as the machine has cores; the
// results in the sources' order.
std::vector<BankPacking> PackBankSources(std::vector<BankSource> sources, Rom rom);

// Why a source cannot go into a bank: why it cannot be packed, or a packed file that holds no
// sample for the card (the card would get an empty effect).
Refusal BankRefusal(const LoadedSource& source);

// Where a packed file lies: the bank's page (loaded at #C000) and its address there.
struct Placement {
    std::size_t page = 0;
    std::uint16_t address = 0;
    bool operator==(const Placement&) const = default;
};
constexpr std::uint16_t kPageAddress = 0xC000;

// Places files of these sizes one after another in the host's 16 KB pages, a file going on
// from a page's end into the next page's start; each starts at an address whose low byte is at
// most #F3, so its table lies in one 256-byte page.
std::vector<Placement> PlaceInPages(const std::vector<std::size_t>& sizes);

// A 128K holds this many of a bank's pages at #C000 at once: its memory banks 0, 1, 3, 4, 6, 7
// (2 and 5 are at #8000 and #4000). A bank with more loads in stages.
constexpr std::size_t kPagesA128KHolds = 6;

enum class CardMemory { Basic, Extended };  // 112 KB for samples, or 466 KB with the extension
std::optional<CardMemory> ParseCardMemory(std::string_view text);  // "112k", "466k"
std::string CardMemoryName(CardMemory memory);
std::size_t CardCapacity(CardMemory memory);

// The card's guide asks for 80 bytes a sample and 2 KB kept free; it allows 32 samples, and
// ROM 1.04 takes no more than 60.
constexpr std::size_t kCardBytesPerSample = 80;
constexpr std::size_t kCardBytesKeptFree = 2048;
constexpr std::size_t kGuideEffects = 32;
constexpr std::size_t kMostEffects = 60;

struct BankBudget {
    std::size_t sampleBytes = 0;    // the decoded samples the card stores, 4n a sample
    std::uint64_t loadTStates = 0;  // what the loader takes, with a card that answers at once
    std::size_t reserved = 0;       // card memory something else takes (another bank, a module)
    std::size_t needed = 0;         // with those, 80 bytes a sample and 2 KB kept free
    std::size_t capacity = 0;
    std::size_t effects = 0;
    std::size_t pages = 0;
    bool FitsCard() const { return needed <= capacity; }
    bool LoadsInStages() const { return pages > kPagesA128KHolds; }
};

struct Bank {
    std::string name;                 // as its files are named: NAME.asm, NAME.0.bin ...
    std::string label;                // its labels' start, BankLabelOf(name)
    std::size_t firstPage = 0;        // the number SELECT_PAGE gets for the bank's first page
    CardMemory memory = CardMemory::Basic;
    std::vector<BankSample> samples;  // in load order, as given: the first gets handle 1
    std::vector<Placement> placements;
    BankBudget budget;
};
// Where a bank stands beside others on the host and the card: the number its first page gets,
// and the card memory something else takes.
struct BankOptions {
    std::size_t firstPage = 0;
    std::size_t reserve = 0;
};
// The samples placed in pages in the order given, which the loader takes them in, named and
// costed.
Bank LayOutBank(std::vector<BankSample> samples, CardMemory memory, std::string_view name,
                BankOptions options = {});

// Each page's bytes from #C000: 16 KB, but for the last page, which ends with the last file.
std::vector<std::vector<std::uint8_t>> PageImages(const Bank& bank);

// NAME.asm: how to use it, the equates, the handle table, the directory and the loader, every
// label starting with the bank's label and '_'.
std::string BankListing(const Bank& bank);

// What a bank consists of: NAME.asm, then NAME.0.bin, NAME.1.bin ... as the ending each adds to
// its name, and the bytes.
struct BankFile {
    std::string ending;
    std::vector<std::uint8_t> bytes;
};
std::vector<BankFile> BankFiles(const Bank& bank);
// The ending of page `page`'s file: ".0.bin" for the first page, numbered from the bank's first.
std::string PageFileEnding(const Bank& bank, std::size_t page);

}  // namespace corvane
