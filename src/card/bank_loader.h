#pragma once
// The Z80 routine a bank's include ends with, and what it costs the host. It loads the bank's
// samples into the card one after another, decoding each packed file as it streams it (the
// decoder's table index is the routine's own place in the code, so a sample byte takes well under
// 100 T-states), then sets the effect's finetune, note and loop as the card's firmware takes
// them. Every wait for the card is bounded.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

struct Bank;

// The routine's text, every label `label` + "_" + a name of its own: `label`_LOAD and the
// routines and variables it uses. The bank's directory, handle table and count are the
// include's other part (BankListing).
std::string BankLoaderText(std::string_view label);

// The names the routine gives its labels after `label`_, upper case: a sample's equate must be
// none of them, even to an assembler that ignores case.
const std::vector<std::string>& LoaderLabelNames();

// Host T-states `label`_LOAD takes for `bank` with a card that takes every byte and command at
// once, not counting SELECT_PAGE itself.
std::uint64_t LoaderTStates(const Bank& bank);

// A status wait gives up after this many reads of the card's status port.
constexpr unsigned kLoaderWaitReads = 65536;

}  // namespace corvane
