// The card's pitch: which rate each note plays on each ROM, and the note that plays a rate.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "card/pitch.h"
#include "card/rate_choice.h"

namespace corvane {
namespace {

// Every period of both ROMs against the tables as the firmware's source lists them: a line a
// finetune (0, +1 ... +7, -8 ... -1), 96 notes a line, '#' lines comments.
TEST(CardPitch, PeriodsAndRatesOfBothRoms) {
    for (const auto& [rom, name] : {std::pair{Rom::V104, "104"}, std::pair{Rom::V105, "105"}}) {
        std::ifstream in(CORVANE_TEST_DATA "/card/card-periods-rom" + std::string(name) + ".txt");
        int lines = 0;
        for (std::string line; std::getline(in, line);) {
            if (line.empty() || line[0] == '#') continue;
            const int finetune = lines < 8 ? lines : lines - 16;
            std::istringstream periods(line);
            int note = 0;
            for (int period = 0; periods >> period; ++note) {
                ASSERT_EQ(PeriodOf(rom, {note, finetune}), period) << name << " " << note;
            }
            EXPECT_EQ(note, 96);
            ++lines;
        }
        EXPECT_EQ(lines, 16) << name;
    }
    EXPECT_DOUBLE_EQ(RateOf(Rom::V104, {60, 0}), 9'600'000.0 / 574);
    EXPECT_EQ(HertzOf(Rom::V104, {60, 0}), 16725u);
    EXPECT_EQ(HertzOf(Rom::V105, {48, 0}), 8297u);
    EXPECT_EQ(NoteName(60), "C-5");
    EXPECT_EQ(NoteName(37), "C#3");
    EXPECT_EQ(NoteName(71), "B-5");
    EXPECT_EQ(ParseRom("1.05"), Rom::V105);
    EXPECT_EQ(ParseRom("1.06"), std::nullopt);
}

// Every usable note's own rate finds a note of the same period, 0 cents off; rates between
// notes find the nearer; the ends of the range hold.
TEST(CardPitch, NearestNoteOverTheUsableRange) {
    for (const Rom rom : {Rom::V104, Rom::V105}) {
        for (int note = kLowestNote; note <= kHighestNote; ++note) {
            for (int finetune = -8; finetune <= 7; ++finetune) {
                const PitchMatch match = NearestNote(rom, RateOf(rom, {note, finetune}));
                ASSERT_EQ(match.range, PitchMatch::Range::Within) << note << " " << finetune;
                EXPECT_EQ(PeriodOf(rom, match.note), PeriodOf(rom, {note, finetune}));
                EXPECT_LE(std::abs(match.note.finetune), std::abs(finetune));  // of the same period
                EXPECT_NEAR(match.cents, 0, 1e-9);
            }
        }
        const double low = RateOf(rom, {kLowestNote, -8}), high = RateOf(rom, {kHighestNote, 7});
        EXPECT_EQ(NearestNote(rom, low * 0.999).range, PitchMatch::Range::TooLow);
        EXPECT_EQ(NearestNote(rom, high * 1.001).range, PitchMatch::Range::TooHigh);
        EXPECT_EQ(NearestNote(rom, high * 1.001).note, (CardNote{kHighestNote, 7}));
        EXPECT_EQ(NearestNote(rom, 44100).range, PitchMatch::Range::TooHigh);
        // The whole-Hz rates of the ends, as a converted sample carries them, are in range.
        EXPECT_EQ(NearestNote(rom, HertzOf(rom, {kLowestNote, -8})).range,
                  PitchMatch::Range::Within);
        EXPECT_EQ(NearestNote(rom, HertzOf(rom, {kHighestNote, 7})).range,
                  PitchMatch::Range::Within);
    }
    // 22 050 Hz on ROM 1.04: nearest is period 436 (22 018 Hz), note 65 finetune -2 (of the
    // same period as note 64 finetune +6).
    const PitchMatch match = NearestNote(Rom::V104, 22050);
    EXPECT_EQ(match.note, (CardNote{65, -2}));
    EXPECT_NEAR(match.cents, -2.487, 0.001);  // the card plays it a little low
}

// --rate=nearest: any source rate is converted to a rate the card plays within 0.5 cents, at
// the note nearest the source's own pitch, or at the end of the range beyond it.
TEST(CardPitch, NearestRatePlaysWithinHalfACent) {
    for (const Rom rom : {Rom::V104, Rom::V105}) {
        for (std::uint32_t source = 2000; source < 60000; source += 37) {
            const std::uint32_t rate = RateFor({RateChoice::Kind::Nearest}, rom, source);
            const PitchMatch own = NearestNote(rom, source), played = NearestNote(rom, rate);
            ASSERT_EQ(played.note, own.note) << source;
            EXPECT_LE(std::abs(played.cents), 0.5) << source;
            EXPECT_EQ(
                PreparationFor({RateChoice::Kind::Nearest}, rom, LoopChoice::Cut).rateFor(source),
                rate);
        }
    }
    EXPECT_EQ(ParseRateChoice("nearest"), RateChoice{RateChoice::Kind::Nearest});
    EXPECT_EQ(RateChoiceName(*ParseRateChoice("note:48")), "note:48");
}

}  // namespace
}  // namespace corvane
