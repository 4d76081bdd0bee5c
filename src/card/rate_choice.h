#pragma once
// The rate a sample is converted to for the card, as chosen: the source's own, a card note's
// (at finetune 0), a number of Hz, or the note and finetune nearest the source's own pitch.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "card/pitch.h"
#include "wave/source.h"

namespace corvane {

struct RateChoice {
    enum class Kind : std::uint8_t { Source, Note, Hertz, Nearest } kind = Kind::Source;
    int note = 0;             // Note: a usable card note
    std::uint32_t hertz = 0;  // Hertz: 1 000 to 100 000
    bool operator==(const RateChoice&) const = default;
};

// "source", "note:N" (36 to 71), "nearest", or a whole number of Hz (1 000 to 100 000).
std::optional<RateChoice> ParseRateChoice(std::string_view text);
std::string RateChoiceName(RateChoice choice);  // as ParseRateChoice reads it

std::optional<LoopChoice> ParseLoopChoice(std::string_view text);  // "keep", "cut", "ignore"
std::string LoopChoiceName(LoopChoice choice);

// The rate a source of `sourceRate` is converted to on `rom`: 0 for its own. Nearest: the exact
// rate of the note and finetune that play it nearest its own pitch, or of the end of the card's
// range it lies beyond.
std::uint32_t RateFor(RateChoice choice, Rom rom, std::uint32_t sourceRate);

// How a source is prepared with these choices.
Preparation PreparationFor(RateChoice choice, Rom rom, LoopChoice loop);

}  // namespace corvane
