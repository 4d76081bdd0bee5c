#pragma once
// Which rate the General Sound card plays a sample at, for each note and finetune of its two
// ROMs: the sample advances 256 / P bytes each 1/37 500 s, so it plays at 9 600 000 / P
// samples a second, P being the note's period in the firmware's table.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

enum class Rom { V104, V105 };  // 1.04, the ROM the cards shipped with, and its 2007 fix

std::optional<Rom> ParseRom(std::string_view text);  // "1.04", "1.05"
std::string RomName(Rom rom);

// The card's generators play octaves 3 to 5 only: notes 36 (C-3) to 71 (B-5).
constexpr int kLowestNote = 36;
constexpr int kHighestNote = 71;
constexpr int kDefaultNote = 60;  // what an effect plays at unless told otherwise

struct CardNote {
    int note = kDefaultNote;  // 0 (C-0) to 95 (B-7)
    int finetune = 0;         // -8 to +7
    bool operator==(const CardNote&) const = default;
};

std::string NoteName(int note);  // 60: "C-5", 61: "C#5"

std::uint16_t PeriodOf(Rom rom, CardNote note);
double RateOf(Rom rom, CardNote note);  // samples a second
// The rate rounded to whole Hz, as a sample converted for the note carries it.
std::uint32_t HertzOf(Rom rom, CardNote note);

// The usable note and finetune that play a sample of `rate` nearest its own pitch, and how far
// off that is in cents (positive: the card plays it higher). Out of range below what note 36
// finetune -8 plays or above what note 71 finetune +7 plays (by more than half a Hz, so the
// whole-Hz rate of either end is in range). Of two with the same period, the smaller finetune.
struct PitchMatch {
    enum class Range { Within, TooLow, TooHigh } range = Range::Within;
    CardNote note;     // within range only
    double cents = 0;  // within range only
};
PitchMatch NearestNote(Rom rom, double rate);

// Cents between two rates: positive when `played` is higher than `own`.
double CentsBetween(double played, double own);

}  // namespace corvane
