#include "text/card_text.h"

#include <charconv>
#include <cmath>

#include "card/card_loop.h"
#include "codec/packed_format.h"
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

std::string LoopKindNote(LoopKind kind) {
    switch (kind) {
        case LoopKind::Forward:
            return "";
        case LoopKind::PingPong:
            return "ping-pong in the file: the card plays it forward";
        case LoopKind::Backward:
            return "backward in the file: the card plays it forward";
        case LoopKind::Other:
            break;
    }
    return "of a sampler's own type in the file: the card plays it forward";
}

std::string OutOfRangeAdvice(bool commandLine) {
    return commandLine ? "convert it to play at its own pitch: --rate=nearest (the end of the "
                         "card's range), or --rate=note:60"
                       : "convert it to play at its own pitch: Rate: Nearest, or Note 60";
}

std::string LoopProblemText(LoopProblem problem) {
    if (problem == LoopProblem::Malformed) return "smpl chunk malformed, ignored";
    if (problem == LoopProblem::OutOfRange) return "not inside the samples, ignored";
    return "";
}

CardTexts CardTextsOf(Rom rom, std::uint32_t rate, const std::optional<SampleLoop>& loop,
                      LoopProblem problem, LoopKind kind) {
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
    if (problem != LoopProblem::None) texts.loop = "Loop: " + LoopProblemText(problem);
    if (loop) {
        texts.loop =
            "Loop: " + FormatDigitGroups(loop->start) + " to " + FormatDigitGroups(loop->end);
        texts.loopNote =
            FormatDigitGroups(loop->Length()) + (loop->Length() == 1 ? " sample" : " samples");
        if (loop->Length() < kShortestSoundLoop) {
            texts.loopNote += "; under 1 024: ROM 1.05's notes say such loops play wrongly";
        }
        if (kind != LoopKind::Forward) texts.loopNote += "; " + LoopKindNote(kind);
    }
    return texts;
}

std::vector<std::string> CardLines(Rom rom, const LoadedSource& source) {
    const std::uint32_t rate = WaveHeader::From(source.image).SampleRate();
    const CardTexts texts =
        CardTextsOf(rom, rate, source.loop, source.loopProblem, source.loopKind);
    std::vector<std::string> lines = {"Card Pitch: " + texts.note + " on ROM " + RomName(rom) +
                                      ": " + texts.pitch};
    if (NearestNote(rom, rate).range != PitchMatch::Range::Within) {
        lines.push_back("Card Advice: " + OutOfRangeAdvice(true));
    }
    if (rate != source.format.sampleRate) lines.push_back("Converted To: " + Hertz(rate));
    if (!texts.loop.empty()) {
        lines.push_back(texts.loop + (texts.loopNote.empty() ? "" : " (" + texts.loopNote + ")"));
    }
    const std::size_t samples = SamplesOf(source.image).size();
    if (const auto card = source.loop ? CardLoopOf(*source.loop, samples) : std::nullopt) {
        lines.push_back("Card Loop: " + FormatDigitGroups(card->begin) + " to " +
                        FormatDigitGroups(card->end) + " (#48, #49: offsets into the " +
                        FormatDigitGroups(static_cast<long long>(4 * PackedDataLength(samples))) +
                        " samples the card stores)");
    }
    return lines;
}

}  // namespace corvane
