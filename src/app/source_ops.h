#pragma once
// The operations on the loaded sample: loading, plots, analysis, packing and unpacking.

namespace corvane {

// Reads the selected list entry's file into WaveImage, shows its facts and normalises it.
// Returns SampleValid. A file that cannot be opened, read or held, or is empty, shows as
// an unreadable file and clears the plots.
bool LoadSource();

// Both pictures plain white.
void ClearPlots();

enum class Plot { Histogram, Waveform };
// Shows the plot's pixel buffer in its picture as a new bitmap, releasing the one it replaces.
void AttachPlot(Plot plot);

// Plots, statistics and summary labels of WaveImage; a new step table only when asked.
// Enables the play and compress buttons. Does nothing for an invalid sample.
void AnalyseSample(bool deriveTable);

// Packs WaveImage into PackedImage with the step table in force; leaves PackedImage empty
// when memory runs out.
void PackSample();
// Decodes PackedImage over the samples of WaveImage; the samples past the last full code
// byte keep their loaded values. Does nothing without a packed file.
void UnpackSample();

}  // namespace corvane
