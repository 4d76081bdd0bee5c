#pragma once
// The commands that choose source files and save packed files and the depacker listing.

namespace corvane {

// The open dialog: refills the source list, then loads and analyses its first file.
void ChooseSourceFiles();
// Packs the selected entry and saves it: through the save dialog, or (`withDialog` false)
// into the folder OutputPath as one step of a batch.
void SavePacked(bool withDialog);
// Asks for a folder, then packs every listed file into it with the step table in force.
void CompressAll();
// Saves the Z80 depacker listing through the save dialog.
void SaveDepacker();

}  // namespace corvane
