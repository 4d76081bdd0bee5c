#pragma once
// "SAVE BANK": every listed file packed into one set for the card, a loader to include and the
// host pages, with what the set costs.

namespace corvane {

// Asks for the bank's folder and name, then packs every listed file with the chosen coder,
// rate and loop as long work; writes every file of the bank, or none when it was cancelled
// or does not fit the card, and reports the budget and the files left out.
void SaveBank();

}  // namespace corvane
