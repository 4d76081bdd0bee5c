#pragma once
// Assembler names made of file names: the labels of a bank's include. Each is letters, digits
// and '_', starts with the bank's label, is at most 64 characters long, and differs from every
// other label of the include even to an assembler that ignores case.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

constexpr std::size_t kLongestLabel = 64;
constexpr std::size_t kLongestBankLabel = 32;

// `text` (UTF-8) made a label: ASCII letters, digits and '_' kept; Latin, Greek and Cyrillic
// letters written in ASCII letters (голос: golos); other letters as u and their code point in
// hexadecimal; anything else '_'.
std::string LabelOf(std::string_view text);

// The bank's own label: LabelOf(name), after a '_' if it starts with a digit or is empty, at
// most 32 characters.
std::string BankLabelOf(std::string_view name);

// One equate a file, the part of its label after the bank's label and '_': the name `given` for
// it when there is one (see EquateProblem), else its name without folder and extension made a
// label, shortened so the whole label fits 64 characters; a name the include uses itself, or
// one another file took (letter case aside), numbered _2, _3...
std::vector<std::string> EquatesOf(const std::vector<std::string>& fileNames,
                                   std::string_view bankLabel,
                                   const std::vector<std::string>& given = {});

// Why `name` cannot be a sample's equate in a bank labelled `bankLabel`: not a label, too long,
// or a name the include uses itself; empty when it can.
std::string EquateProblem(std::string_view name, std::string_view bankLabel);

}  // namespace corvane
