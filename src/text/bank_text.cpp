#include "text/bank_text.h"

#include <algorithm>

#include "text/card_text.h"
#include "text/digit_groups.h"

namespace corvane {
namespace {

std::string Grouped(std::size_t value) { return FormatDigitGroups(static_cast<long long>(value)); }

// Characters of UTF-8 text: its code points.
std::size_t Width(const std::string& text) {
    std::size_t length = 0;
    for (const char c : text) length += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return length;
}

// `text` padded to `width` characters, on the left or right.
std::string Column(const std::string& text, std::size_t width, bool right = false) {
    const std::size_t length = Width(text);
    const std::string pad(width > length ? width - length : 1, ' ');
    return right ? pad + text : text + pad;
}

}  // namespace

std::string LoadTimeText(const BankBudget& budget) {
    const double perByte = budget.sampleBytes ? static_cast<double>(budget.loadTStates) /
                                                    static_cast<double>(budget.sampleBytes)
                                              : 0;
    return Grouped(budget.loadTStates) + " T-states (" +
           FormatFixed(static_cast<double>(budget.loadTStates) / 3.5e6, 2) + " s at 3.5 MHz), " +
           FormatFixed(perByte, 1) + " a byte the card stores";
}

std::vector<std::string> BankWarnings(const Bank& bank, bool commandLine) {
    std::vector<std::string> warnings;
    if (bank.budget.effects > kGuideEffects) {
        warnings.push_back(std::to_string(bank.budget.effects) +
                           " effects, more than the 32 the card's guide allows");
    }
    for (std::size_t i = 0; i < bank.samples.size(); ++i) {
        const BankSample& sample = bank.samples[i];
        const std::string& name = sample.name;
        if (sample.pitch.range != PitchMatch::Range::Within) {
            warnings.push_back(name + ": out of the card's range, so it plays off its pitch: " +
                               OutOfRangeAdvice(commandLine));
        }
        if (sample.loop && sample.loop->end - sample.loop->begin < kShortestSoundLoop) {
            warnings.push_back(
                name + ": its loop is " + Grouped(sample.loop->end - sample.loop->begin) +
                " samples, under 1 024: ROM 1.05's notes say such loops play wrongly");
        }
        if (sample.loop && sample.loopKind != LoopKind::Forward) {
            warnings.push_back(name + ": its loop is " + LoopKindNote(sample.loopKind));
        }
        if (sample.loopProblem != LoopProblem::None) {
            warnings.push_back(name + ": Loop: " + LoopProblemText(sample.loopProblem));
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (!sample.path.empty() && bank.samples[j].path == sample.path) {
                warnings.push_back(name + ": the same file as sample " + std::to_string(j + 1) +
                                   ", given twice (sample " + std::to_string(i + 1) + ")");
                break;
            }
        }
    }
    return warnings;
}

std::vector<std::string> BudgetLines(const Bank& bank, CardMemory memory, bool commandLine) {
    const std::string& name = bank.name;  // its files' names start so
    std::size_t nameWidth = 6;
    for (const BankSample& sample : bank.samples) {
        nameWidth = std::max(nameWidth, Width(sample.name) + 2);
    }
    std::vector<std::string> lines = {Column("Sample", nameWidth) + Column("Card bytes", 10, true) +
                                      Column("Host bytes", 12, true) + "  Note" +
                                      std::string(20, ' ') + Column("Pitch", 13) + "Card loop"};
    for (const BankSample& sample : bank.samples) {
        const CardNote note = sample.pitch.note;
        std::string noteText = std::to_string(note.note) + " (" + NoteName(note.note) + ") " +
                               (note.finetune < 0 ? "" : "+") + std::to_string(note.finetune);
        if (sample.pitch.range != PitchMatch::Range::Within) noteText += ", out of range";
        const std::size_t dataLength = sample.file.size() - kPackedHeaderSize;
        const std::string loop =
            sample.loop ? Grouped(sample.loop->begin) + " to " + Grouped(sample.loop->end) : "none";
        lines.push_back(Column(sample.name, nameWidth) + Column(Grouped(4 * dataLength), 10, true) +
                        Column(Grouped(sample.file.size()), 12, true) + "  " +
                        Column(noteText, 24) +
                        Column(CentsText(sample.pitch.cents) + " cents", 13) + loop);
    }
    const BankBudget& b = bank.budget;
    std::string card =
        "Card memory: " + Grouped(b.needed) + " of " + Grouped(b.capacity) + " bytes (" +
        CardMemoryName(memory) + " card): samples " + Grouped(b.sampleBytes) +
        (b.reserved ? ", reserved " + Grouped(b.reserved) : "") + ", 80 bytes a sample " +
        Grouped(kCardBytesPerSample * b.effects) + ", 2 048 kept free";
    if (b.FitsCard()) card += "; " + Grouped(b.capacity - b.needed) + " left";
    lines.push_back(card);
    lines.push_back("Effects: " + std::to_string(b.effects) +
                    " (the card's guide allows 32, ROM 1.04 takes 60)");
    std::string pages = "Host pages: " + std::to_string(b.pages) + " of 16 KB at #C000 (";
    const auto images = PageImages(bank);
    for (std::size_t page = 0; page < images.size(); ++page) {
        pages += (page ? ", " : "") + std::string(name) + PageFileEnding(bank, page) + " " +
                 Grouped(images[page].size()) + " bytes";
    }
    lines.push_back(pages + ")");
    if (b.LoadsInStages()) {
        lines.push_back("Stages: " + std::to_string(b.pages) +
                        " pages, more than the 6 a 128K holds at #C000 at once (memory banks 0, 1, "
                        "3, 4, 6, 7): load them in stages, SELECT_PAGE bringing in each page when "
                        "the loader asks for it (it asks in order, once a page)");
    }
    lines.push_back("Load: " + LoadTimeText(b) + " (" + bank.label +
                    "_LOAD, a card that answers at once)");
    for (const std::string& warning : BankWarnings(bank, commandLine)) {
        lines.push_back("Warning: " + warning);
    }
    return lines;
}

std::optional<BankTooBig> BankTooBigOf(const Bank& bank, CardMemory memory) {
    const BankBudget& budget = bank.budget;
    if (budget.effects > kMostEffects) {
        return BankTooBig{"effects", std::to_string(budget.effects) + " samples, " +
                                         std::to_string(budget.effects - kMostEffects) +
                                         " more than the 60 effects ROM 1.04 takes"};
    }
    if (!budget.FitsCard()) {
        return BankTooBig{"card-memory",
                          "the bank needs " + Grouped(budget.needed) + " bytes of card memory, " +
                              Grouped(budget.needed - budget.capacity) + " more than the " +
                              CardMemoryName(memory) + " card's " + Grouped(budget.capacity)};
    }
    if (bank.firstPage + budget.pages > 256) {
        return BankTooBig{"pages", "its pages would be numbered " + std::to_string(bank.firstPage) +
                                       " to " + std::to_string(bank.firstPage + budget.pages - 1) +
                                       ", past the 255 SELECT_PAGE's A can hold"};
    }
    return std::nullopt;
}

}  // namespace corvane
