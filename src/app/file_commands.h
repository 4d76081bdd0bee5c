#pragma once
// The commands that choose source files and save packed files and the depacker listing.
#include <windows.h>
// needs <windows.h> first
#include <shellapi.h>

namespace corvane {

// The open dialog: refills the source list, then loads and analyses its first file.
void ChooseSourceFiles();
// WAV files dragged onto the window fill the list as the open dialog does; what cannot be
// taken is named in a message. Refused while long work runs.
void TakeDroppedFiles(HDROP drop);
// Packs the selected entry with the chosen coder and saves it through the save dialog.
void SavePacked();
// Asks for a folder, then packs every listed file into it, as long work.
void CompressAll();
// Saves the Z80 depacker listing through the save dialog.
void SaveDepacker();

}  // namespace corvane
