#pragma once
// Choosing source files and saving packed files and the depacker listing.

namespace corvane {

void ChooseSourceFiles();
void SavePacked(bool withDialog);
void CompressAll();
void SaveDepacker();

}  // namespace corvane
