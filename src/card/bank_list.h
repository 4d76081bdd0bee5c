#pragma once
// A bank as a list of samples, one a line: the sample's file, then its own choices written as on
// the command line (--rate, --loop, --encoder, --name). `corvane-cli bank --list` reads one; the
// window writes one beside a bank it saves, so that the same bank can be made again.
#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "card/bank.h"
#include "card/rate_choice.h"
#include "codec/encoder_choice.h"

namespace corvane {

struct BankEntry {
    std::string file;  // as given: relative to the list's folder, or absolute
    RateChoice rate{RateChoice::Kind::Nearest};
    LoopChoice loop = LoopChoice::Keep;
    Encoder encoder = Encoder::Greedy;
    std::string name;      // its equate's part after the bank's label; empty: from the file's
    std::size_t line = 0;  // in its list; 0 for a file on the command line
    bool operator==(const BankEntry&) const = default;
};

struct ListProblem {
    std::size_t line = 0;
    std::string reason;
};

// The entries of a list, each starting from `defaults`: blank lines and '#' comments (whole
// lines, or after the options) skipped, a file in double quotes when it holds spaces. Or the
// first line that is wrong, and why.
std::variant<std::vector<BankEntry>, ListProblem> ParseBankList(std::string_view text,
                                                                const BankEntry& defaults);

// A list's text: `comments` as '#' lines, then a line an entry with all its choices.
std::string BankListText(const std::vector<BankEntry>& entries,
                         const std::vector<std::string>& comments);

// The command that makes bank `name` again from its list NAME.txt, run in the list's folder:
// with the bank's own choices, which a list's lines do not hold.
std::string BankListCommand(const std::string& name, Rom rom, CardMemory card, BankOptions options);

}  // namespace corvane
