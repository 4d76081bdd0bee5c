// The card's own sound: a sample made for a note plays at its pitch, a loop repeats exactly, and
// the renderer plays what a plain model of the card plays.
#include "card/card_sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "codec/encoder_choice.h"

namespace corvane {
namespace {

using Sound = std::vector<std::int16_t>;

// Renders `steps` in pieces of random length, as a player asking for more would.
Sound Render(std::vector<CardChannel> channels, std::size_t steps, std::mt19937& random) {
    Sound out(steps);
    for (std::size_t done = 0; done < steps;) {
        const std::size_t count = std::min<std::size_t>(1 + random() % 5000, steps - done);
        RenderCard(channels, std::span(out).subspan(done, count));
        done += count;
    }
    return out;
}

// A tone's frequency from its rising zero crossings (each after a dip below -1000), the moments
// between samples found by the straight line, first to last.
double ToneHertz(const Sound& s) {
    double first = -1, last = 0;
    int cycles = -1;
    bool dipped = false;
    for (std::size_t i = 1; i < s.size(); ++i) {
        dipped = dipped || s[i - 1] < -1000;
        if (dipped && s[i - 1] < 0 && s[i] >= 0) {
            last = static_cast<double>(i - 1) + s[i - 1] / double(s[i - 1] - s[i]);
            first = first < 0 ? last : first;
            ++cycles;
            dipped = false;
        }
    }
    return cycles * kCardMixRate / (last - first);
}

TEST(CardSound, SineMadeForNote60PlaysAtItsPitch) {
    std::mt19937 random(1);
    for (const Rom rom : {Rom::V104, Rom::V105}) {
        // One second of 1 kHz at the rate note 60 plays, packed and decoded as the card gets it.
        const std::uint32_t rate = HertzOf(rom, {60, 0});
        std::vector<std::uint8_t> sine(rate);
        for (std::size_t i = 0; i < sine.size(); ++i) {
            sine[i] = static_cast<std::uint8_t>(
                std::lround(128 + 100 * std::sin(2 * std::numbers::pi * 1000 * double(i) / rate)));
        }
        const DifferenceStats stats = ComputeDifferenceStats(sine);
        const PackedSample packed = PackWithEncoder(
            Encoder::Greedy, sine, DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh));
        const std::vector<std::uint8_t> stored = StoredSamplesOf(*ParsePackedFile(packed.file));
        for (const auto& [note, hertz] : {std::pair{60, 1000.0}, std::pair{72, 2000.0}}) {
            const std::uint32_t period = StepPeriodOf(rom, {note, 0});
            const Sound sound = Render({{.samples = stored, .period = period}},
                                       StepsToPlayOnce(stored.size(), period), random);
            EXPECT_NEAR(CentsBetween(ToneHertz(sound), hertz), 0, 0.1) << RomName(rom) << note;
        }
    }
    // The card steps at most one byte at a time, and plays about note 36's rate below it.
    EXPECT_EQ(StepPeriodOf(Rom::V104, {75, 0}), 256u);
    EXPECT_EQ(StepPeriodOf(Rom::V104, {74, 0}), PeriodOf(Rom::V104, {74, 0}));
    EXPECT_EQ(StepPeriodOf(Rom::V105, {12, 3}), PeriodOf(Rom::V105, {36, 3}));
}

// With a loop of 512 bytes, whatever the period, the loop takes 2P steps once the whole sample
// has played: from then on the sound repeats exactly, and is not silence.
TEST(CardSound, LoopRepeatsExactly) {
    std::mt19937 random(2);
    for (const std::uint32_t period : {256u, 574u, 1157u, 18367u}) {
        std::vector<std::uint8_t> samples(3000);
        for (auto& s : samples) s = static_cast<std::uint8_t>(random());
        const std::size_t once = StepsToPlayOnce(samples.size(), period), loop = 2 * period;
        const Sound sound = Render(
            {{.samples = samples, .period = period, .volume = 40, .loop = CardLoop{1000, 1512}}},
            once + 20 * loop, random);
        for (std::size_t k = once; k + loop < sound.size(); ++k) {
            ASSERT_EQ(sound[k], sound[k + loop]) << period << " " << k;
        }
        EXPECT_LT(std::count(sound.end() - loop, sound.end(), 0), loop / 10);
    }
}

// The card as plainly as it can be put: after k steps a channel is k * 256 / P bytes into what it
// plays (the sample, then its loop again and again) and plays the straight line between the
// bytes on either side, (byte - 128) * volume * 4; the channels add.
double PlainPosition(const CardChannel& c, std::size_t k) {
    return static_cast<double>(k) * 256 / std::max(c.period, 256u);
}

double PlainCard(const CardChannel& c, std::size_t k) {
    const std::size_t n = c.samples.size();
    const auto played = [&](std::size_t j) -> double {
        if (j < n) return c.samples[j] - 128.0;
        if (!c.loop) return 0;
        return c.samples[c.loop->begin + (j - n) % (c.loop->end - c.loop->begin)] - 128.0;
    };
    const double at = PlainPosition(c, k);
    const std::size_t j = static_cast<std::size_t>(at);
    if (!c.loop && j >= n) return 0;
    return (played(j) + (at - double(j)) * (played(j + 1) - played(j))) * std::min(c.volume, 64) *
           4;
}

TEST(CardSound, EqualsAPlainModelOfTheCard) {
    std::mt19937 random(3);
    for (int round = 0; round < 300; ++round) {
        std::vector<std::vector<std::uint8_t>> bytes(1 + random() % kCardChannels);
        std::vector<CardChannel> channels;
        std::size_t steps = 0;
        for (auto& b : bytes) {
            b.resize(1 + random() % 700);
            const bool loud = round % 5 == 0;  // full-scale bytes, whose sum is clamped
            for (auto& s : b) s = static_cast<std::uint8_t>(loud ? (random() % 2) * 255 : random());
            CardChannel c{.samples = b,
                          .period = static_cast<std::uint32_t>(100 + random() % 19000),
                          .volume = static_cast<int>(random() % 70)};
            if (random() % 2) {
                const auto begin = static_cast<std::uint32_t>(random() % b.size());
                c.loop = CardLoop{
                    begin, begin + 1 + static_cast<std::uint32_t>(random() % (b.size() - begin))};
            }
            // The sample once: the steps before the model's position reaches its end.
            const std::size_t once = StepsToPlayOnce(b.size(), std::max(c.period, 256u));
            EXPECT_LT(PlainPosition(c, once - 1), double(b.size()));
            EXPECT_GE(PlainPosition(c, once), double(b.size()));
            steps = std::max(steps, once + 500);
            channels.push_back(c);
        }
        const Sound sound = Render(channels, steps, random);
        for (std::size_t k = 0; k < steps; ++k) {
            double sum = 0;
            for (const CardChannel& c : channels) sum += PlainCard(c, k);
            // Each channel is rounded to the nearest on its own.
            ASSERT_NEAR(sound[k], std::clamp(sum, -32768.0, 32767.0),
                        0.5 * static_cast<double>(channels.size()) + 1e-6)
                << round << " " << k;
        }
    }
}

}  // namespace
}  // namespace corvane
