#pragma once
// "SAVE BANK": every listed file packed into one set for the card, a loader to include and the
// host pages, with what the set costs.

namespace corvane {

// Packs every listed file with the chosen coder, rate and loop as long work, then shows the
// report (bank_report.h), where the user chooses the card and saves the bank (asked for its
// folder and name, every file of it written or none) or not. Cancelled work makes no bank.
void SaveBank();

}  // namespace corvane
