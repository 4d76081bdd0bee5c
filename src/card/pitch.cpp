#include "card/pitch.h"

#include <cmath>

#include "card/periods.h"

namespace corvane {
namespace {

constexpr double kRateTimesPeriod = 9'600'000;  // 37 500 interrupts a second x 256

const PeriodTable& TableOf(Rom rom) { return rom == Rom::V104 ? kRom104Periods : kRom105Periods; }

// The table's rows run 0, +1 ... +7, -8 ... -1.
std::size_t RowOf(int finetune) { return static_cast<std::size_t>(finetune & 15); }

}  // namespace

std::optional<Rom> ParseRom(std::string_view text) {
    if (text == "1.04") return Rom::V104;
    if (text == "1.05") return Rom::V105;
    return std::nullopt;
}

std::string RomName(Rom rom) { return rom == Rom::V104 ? "1.04" : "1.05"; }

std::string NoteName(int note) {
    static constexpr const char* kNames[] = {"C-", "C#", "D-", "D#", "E-", "F-",
                                             "F#", "G-", "G#", "A-", "A#", "B-"};
    return kNames[note % 12] + std::to_string(note / 12);
}

std::uint16_t PeriodOf(Rom rom, CardNote note) {
    return TableOf(rom)[RowOf(note.finetune)][static_cast<std::size_t>(note.note)];
}

double RateOf(Rom rom, CardNote note) { return kRateTimesPeriod / PeriodOf(rom, note); }

std::uint32_t HertzOf(Rom rom, CardNote note) {
    return static_cast<std::uint32_t>(std::lround(RateOf(rom, note)));
}

double CentsBetween(double played, double own) { return 1200 * std::log2(played / own); }

PitchMatch NearestNote(Rom rom, double rate) {
    PitchMatch match;
    bool found = false;
    for (int note = kLowestNote; note <= kHighestNote; ++note) {
        for (int finetune = -8; finetune <= 7; ++finetune) {
            const double cents = CentsBetween(RateOf(rom, {note, finetune}), rate);
            // Of two with the same period, the one with the smaller finetune.
            const bool nearer =
                std::abs(cents) < std::abs(match.cents) ||
                (cents == match.cents && std::abs(finetune) < std::abs(match.note.finetune));
            if (!found || nearer) {
                match.note = {note, finetune};
                match.cents = cents;
                found = true;
            }
        }
    }
    // A WAV's whole-Hz rate within half a Hz of an end's rate is that end's own.
    if (rate + 0.5 < RateOf(rom, {kLowestNote, -8})) match.range = PitchMatch::Range::TooLow;
    if (rate - 0.5 > RateOf(rom, {kHighestNote, 7})) match.range = PitchMatch::Range::TooHigh;
    return match;
}

}  // namespace corvane
