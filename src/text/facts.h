#pragma once
// The file facts and the reasons a source is refused, as people read them (UTF-8).
#include <array>
#include <string>

#include "wave/source.h"

namespace corvane {

// The six fact lines, in label order: audio format, channels, bit depth, sample rate, data
// size, length; each check marked ✓ or ✘.
using FileFacts = std::array<std::string, 6>;

FileFacts FactLines(const WaveFormat& format);
// The lines of a file that could not be read or is empty: a marked first line, bare captions.
FileFacts UnreadableFactLines();
// The lines the window and `corvane-cli info` show for a loaded source.
FileFacts FactLinesOf(const LoadedSource& source);

// Why a source was refused, as a phrase to follow its name: "bad.wav: not a PCM WAV file".
std::string RefusalText(Refusal refusal);
// The same for a loaded source: for 24- or 32-bit samples refused, which they are and how to
// have them read.
std::string RefusalText(const LoadedSource& source);
// The same as one stable word for scripts: "unreadable", "not-pcm", "channels", "bit-depth",
// "too-long", "out-of-memory", "ends-early", "rate", "no-card-samples"; empty for None.
std::string RefusalWord(Refusal refusal);

}  // namespace corvane
