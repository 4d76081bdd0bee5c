#pragma once
// SAVE BANK's report: a row for each sample packed (its card bytes, host bytes, note and pitch),
// the card memory the bank needs as a bar of the chosen card's, the files left out and why. The
// user chooses the 112k or 466k card there, then "Save" or "Cancel"; a bank the chosen card
// cannot take cannot be saved.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "card/bank.h"

namespace corvane {

struct LeftOutFile {
    std::wstring name;
    Refusal reason;
};

// Writes the bank laid out for the card chosen; true when it was saved (the report then closes).
using SaveBankFunction = std::function<bool(HWND report, const Bank& bank)>;

// Shows the report over `owner` until the bank is saved (true) or the user cancels.
bool ShowBankReport(HWND owner, const std::vector<BankSample>& samples,
                    const std::vector<LeftOutFile>& leftOut, const SaveBankFunction& save);

}  // namespace corvane
