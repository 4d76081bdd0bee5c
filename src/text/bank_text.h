#pragma once
// A bank's budget as people read it (UTF-8): what each sample costs the card and the host, and
// what the set costs the card's memory, its effect count and the host's pages.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "card/bank.h"

namespace corvane {

// The budget's lines: a table of the samples, then the card's memory, the effects and the
// pages (`name`.0.bin ...), and a warning line past the guide's 32 effects.
std::vector<std::string> BudgetLines(const Bank& bank, std::string_view name, CardMemory memory);

// Why the card cannot take the bank, saying by how much; nothing when it can.
std::optional<std::string> BankTooBigText(const BankBudget& budget, CardMemory memory);

}  // namespace corvane
