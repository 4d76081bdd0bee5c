#include "text/card_text.h"

#include <charconv>
#include <cmath>

#include "card/card_loop.h"
#include "text/digit_groups.h"

namespace corvane {
namespace {

std::string Hertz(double rate) { return FormatDigitGroups(std::lround(rate)) + " Hz"; }

std::string NoteText(CardNote note) {
    return "note " + std::to_string(note.note) + " (" + NoteName(note.note) + ") finetune " +
           (note.finetune < 0 ? "" : "+") + std::to_string(note.finetune);
}

}  // namespace

std::string CentsText(double cents) {
    cents = std::round(cents * 10) / 10 + 0.0;  // no "-0.0"
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, cents, std::chars_format::fixed, 1);
    return (cents >= 0 ? "+" : "") + std::string(text, end.ptr);
}

CardTexts CardTextsOf(Rom rom, std::uint32_t rate, const std::optional<SampleLoop>& loop,
                      LoopProblem problem) {
    CardTexts texts;
    const PitchMatch match = NearestNote(rom, rate);
    if (match.range == PitchMatch::Range::Within) {
        texts.note = NoteText(match.note);
        texts.note[0] = 'N';
        texts.pitch = Hertz(RateOf(rom, match.note)) + ", " + CentsText(match.cents) + " cents";
    } else {
        const bool low = match.range == PitchMatch::Range::TooLow;
        texts.note =
            std::string("Out of range: ") + (low ? "below " : "above ") + NoteText(match.note);
        texts.pitch = Hertz(RateOf(rom, match.note)) + (low ? " at least" : " at most");
    }
    if (problem == LoopProblem::Malformed) texts.loop = "Loop: smpl chunk malformed, ignored";
    if (problem == LoopProblem::OutOfRange) texts.loop = "Loop: not inside the samples, ignored";
    if (loop) {
        texts.loop =
            "Loop: " + FormatDigitGroups(loop->start) + " to " + FormatDigitGroups(loop->end);
        texts.loopNote = FormatDigitGroups(loop->Length()) + " samples";
        if (loop->Length() < kShortestSoundLoop) {
            texts.loopNote += "; under 1 024: ROM 1.05's notes say such loops play wrongly";
        }
    }
    return texts;
}

std::vector<std::string> CardLines(Rom rom, const LoadedSource& source) {
    const std::uint32_t rate = WaveHeader::From(source.image).SampleRate();
    const CardTexts texts = CardTextsOf(rom, rate, source.loop, source.loopProblem);
    std::vector<std::string> lines = {"Card Pitch: " + texts.note + " on ROM " + RomName(rom) +
                                      ": " + texts.pitch};
    if (rate != source.format.sampleRate) lines.push_back("Converted To: " + Hertz(rate));
    if (!texts.loop.empty()) {
        lines.push_back(texts.loop + (texts.loopNote.empty() ? "" : " (" + texts.loopNote + ")"));
    }
    return lines;
}

}  // namespace corvane
