#pragma once
// A bank's budget as people read it (UTF-8): what each sample costs the card and the host, and
// what the set costs the card's memory, its effect count and the host's pages.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "card/bank.h"

namespace corvane {

// The budget's lines: a table of the samples (with the loop the card gets), then the card's
// memory, the effects, the host pages (NAME.0.bin ...), the load's time, and a line a warning.
std::vector<std::string> BudgetLines(const Bank& bank, CardMemory memory, bool commandLine = true);

// What the bank's user should know, as `info` warns of it: past the guide's 32 effects; a loop
// under 1 024 samples, one the card plays other than the file says, one not taken; a sample out
// of the card's range (with what to do, for the command line or the window); a file twice.
std::vector<std::string> BankWarnings(const Bank& bank, bool commandLine = true);

// The loader's time: "6 503 369 T-states (1.86 s at 3.5 MHz), 96.2 a byte the card stores".
std::string LoadTimeText(const BankBudget& budget);

// Why the card cannot take the bank, or SELECT_PAGE its pages: a word for scripts ("effects",
// "card-memory", "pages") and the text, saying by how much; nothing when they can.
struct BankTooBig {
    std::string word;
    std::string text;
};
std::optional<BankTooBig> BankTooBigOf(const Bank& bank, CardMemory memory);

}  // namespace corvane
