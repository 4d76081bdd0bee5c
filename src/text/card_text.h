#pragma once
// The card's side of a sample as people read it (UTF-8): the note that plays it at its own
// pitch, and its loop.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "card/pitch.h"
#include "wave/source.h"

namespace corvane {

// The pieces the window's card column shows and `corvane-cli info` puts in its lines.
struct CardTexts {
    std::string note;      // "Note 60 (C-5) finetune +0", "Out of range: above note 71 finetune +7"
    std::string pitch;     // "16 725 Hz, -0.3 cents", "33 218 Hz at most"
    std::string loop;      // "Loop: 1 200 to 4 799", why a file's loop was not taken, or empty
    std::string loopNote;  // "3 600 samples", and warnings: a short loop, one not forward
};
CardTexts CardTextsOf(Rom rom, std::uint32_t rate, const std::optional<SampleLoop>& loop,
                      LoopProblem problem, LoopKind kind = LoopKind::Forward);

// What the card makes of a loop that is not forward, or nothing: "ping-pong in the file: the
// card plays it forward".
std::string LoopKindNote(LoopKind kind);

// What to do with a sample out of the card's range, for the command line or the window.
std::string OutOfRangeAdvice(bool commandLine);

// Why a file's loop was not taken ("smpl chunk malformed, ignored"), or nothing.
std::string LoopProblemText(LoopProblem problem);

// The loop line of a file whose loop the user chose to ignore.
inline constexpr char kIgnoredLoopText[] = "Loop: the file's loop is ignored";

// "-0.3": one decimal, whatever the C locale.
std::string CentsText(double cents);

// The lines `corvane-cli info` adds for the card: its pitch on `rom`, the rate the sample was
// converted to, the loop, and the loop as the card takes it.
std::vector<std::string> CardLines(Rom rom, const LoadedSource& source);

}  // namespace corvane
