#include "text/card_text.h"

#include <charconv>
#include <cmath>

#include "card/card_loop.h"
#include "text/digit_groups.h"

namespace corvane {
namespace {

std::string Hertz(double rate) { return FormatDigitGroups(std::lround(rate)) + " Hz"; }

std::string Finetune(int finetune) { return (finetune < 0 ? "" : "+") + std::to_string(finetune); }

// The note at the end of the usable range that a rate out of it passed.
CardNote EndPassed(const PitchMatch& match) {
    return match.range == PitchMatch::Range::TooLow ? CardNote{kLowestNote, -8}
                                                    : CardNote{kHighestNote, 7};
}

std::string Samples(long long count) { return FormatDigitGroups(count); }

}  // namespace

std::string CentsText(double cents) {
    cents = std::round(cents * 10) / 10 + 0.0;  // no "-0.0"
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, cents, std::chars_format::fixed, 1);
    const std::string number(text, end.ptr);
    return (cents >= 0 ? "+" : "") + number;
}

std::string CardNoteText(const PitchMatch& match) {
    if (match.range != PitchMatch::Range::Within) {
        const CardNote end = EndPassed(match);
        return std::string("Out of range: ") +
               (match.range == PitchMatch::Range::TooLow ? "below" : "above") + " note " +
               std::to_string(end.note) + " finetune " + Finetune(end.finetune);
    }
    return "Note " + std::to_string(match.note.note) + " (" + NoteName(match.note.note) +
           ") finetune " + Finetune(match.note.finetune);
}

std::string CardRateText(Rom rom, const PitchMatch& match) {
    const std::string onRom = " on ROM " + RomName(rom);
    if (match.range != PitchMatch::Range::Within)
        return Hertz(RateOf(rom, EndPassed(match))) + onRom;
    return Hertz(RateOf(rom, match.note)) + onRom + ", " + CentsText(match.cents) + " cents";
}

std::optional<std::string> LoopText(const LoadedSource& source) {
    if (source.loopProblem == LoopProblem::Malformed) return "smpl chunk malformed, ignored";
    if (source.loopProblem == LoopProblem::OutOfRange) return "not inside the samples, ignored";
    if (!source.loop) return std::nullopt;
    const SampleLoop loop = *source.loop;
    std::string text = Samples(loop.start) + " to " + Samples(loop.end) + " (" +
                       Samples(loop.Length()) + " samples";
    if (loop.Length() < kShortestSoundLoop) {
        text += "; ROM 1.05's notes say loops under 1 024 samples play wrongly";
    }
    return text + ")";
}

std::vector<std::string> CardLines(Rom rom, const LoadedSource& source) {
    const std::uint32_t rate = WaveHeader::From(source.image).SampleRate();
    const PitchMatch match = NearestNote(rom, rate);
    std::vector<std::string> lines = {"Card Pitch: " + CardNoteText(match) + ", " +
                                      CardRateText(rom, match)};
    if (rate != source.format.sampleRate) lines.push_back("Converted To: " + Hertz(rate));
    if (const auto loop = LoopText(source)) lines.push_back("Loop: " + *loop);
    return lines;
}

}  // namespace corvane
