#pragma once
// The operations on the loaded sample: loading, plots, analysis, packing and unpacking.
#include <functional>
#include <optional>
#include <string>

#include "app/app_state.h"

namespace corvane {

// The text of source list entry `index`; nothing when the list holds no such entry.
std::optional<std::wstring> ListEntryText(int index);

// Shows a text of the core (UTF-8) in a label.
void SetLabel(Layout label, const std::string& text);

// The card column: the note that plays the loaded sample at its own pitch, its loop; empty for
// a sample that is not valid. The loop choice is offered for a file with a loop.
void ShowCardFacts();

// Reads the selected list entry's file into WaveImage, shows its facts and normalises it, then
// runs `then` (SampleValid says whether the sample can be used). A file that cannot be opened,
// read or held, or is empty, shows as an unreadable file and clears the plots. Converting it to
// another rate is long work, after which `then` runs on the window's thread (not when the work
// was cancelled); at its own rate `then` runs at once.
void LoadSource(std::function<void()> then);

// Both pictures plain white.
void ClearPlots();

enum class Plot { Histogram, Waveform };
// Shows the plot's pixel buffer in its picture as a new bitmap, releasing the one it replaces.
void AttachPlot(Plot plot);

// Plots, statistics and summary labels of WaveImage; a new step table only when asked.
// Enables the play and compress buttons. Does nothing for an invalid sample.
void AnalyseSample(bool deriveTable);

// Packs WaveImage into PackedImage with the chosen coder (the classic and trellis coders use
// the step table in force, the optimal one searches from the sample's own), and shows what
// hearing it repacked would give (SNR). The classic coder packs at once; the others run as
// long work. `then` runs on the window's thread when the packing is done (at once for an
// invalid sample, which is not packed), not when it was cancelled; PackedImage is left empty
// when memory ran out.
void PackSample(std::function<void()> then);
// The same, and the samples of WaveImage rebuilt from the packed file, as "▶  PLAY REPACKED"
// plays them; the samples past the last full code byte keep their loaded values.
void RepackSample(std::function<void()> then);
// Shows the table the packed file carries (the optimal coder's own).
void ShowPackedTable();

}  // namespace corvane
