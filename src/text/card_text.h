#pragma once
// The card's side of a sample as people read it (UTF-8): the note that plays it at its own
// pitch, and its loop.
#include <optional>
#include <string>
#include <vector>

#include "card/pitch.h"
#include "wave/source.h"

namespace corvane {

// "Note 60 (C-5) finetune +0", or "Out of range: above note 71 finetune +7".
std::string CardNoteText(const PitchMatch& match);
// "16 725 Hz on ROM 1.04, -0.3 cents": what the matched note plays and how far that is off;
// for a rate out of range, what the card plays at that end.
std::string CardRateText(Rom rom, const PitchMatch& match);
// "1 200 to 4 799 (3 600 samples)", or why a loop was not taken; nothing without a loop.
std::optional<std::string> LoopText(const LoadedSource& source);
// "-0.3": one decimal, whatever the C locale.
std::string CentsText(double cents);

// The lines `corvane-cli info` adds for the card: its pitch, the sample's rate when converted,
// the loop.
std::vector<std::string> CardLines(Rom rom, const LoadedSource& source);

}  // namespace corvane
