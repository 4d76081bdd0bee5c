#pragma once
// The card's own sound: what its channels play at 37 500 Hz. Each step (1/37 500 s) a channel
// moves 256 / P of a byte on through the bytes the card stores, P being its period, takes the
// straight line between the byte it is on and the next, and scales it by its volume; the
// channels add.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "card/card_loop.h"
#include "card/pitch.h"
#include "codec/packed_format.h"

namespace corvane {

constexpr std::uint32_t kCardMixRate = 37'500;  // steps a second: the card's interrupt rate
constexpr int kCardChannels = 4;
constexpr int kCardFullVolume = 64;  // #40; the card takes more as #40
constexpr int kCardHighestNote = 95;

// The period a channel steps with for a note on `rom`: the note's own from the table, but never
// less than 256 (the card moves at most one byte a step, as from note 75 up on ROM 1.04), and
// note 36's below note 36 (the card plays about that rate there). Notes above 95 play as 95.
std::uint32_t StepPeriodOf(Rom rom, CardNote note);

// The steps that play `count` stored bytes once at `period` (at least 256).
std::size_t StepsToPlayOnce(std::size_t count, std::uint32_t period);

// What the card stores of a packed file: its 4n decoded samples; the decoder's starting 128 is
// not sent.
std::vector<std::uint8_t> StoredSamplesOf(const PackedView& packed);

// One channel playing an effect, and how far it has got. The whole sample plays once, then the
// loop [begin, end) over and over; without a loop the channel is silent after the sample. The
// byte after the last one played is the loop's first, or silence (#80) without a loop.
struct CardChannel {
    std::span<const std::uint8_t> samples{};  // the stored bytes, kept by the caller
    std::uint32_t period = 256;               // 256 to 65 535; taken as the nearest
    int volume = kCardFullVolume;             // 0 to 64; more is taken as 64
    std::optional<CardLoop> loop{};           // one not inside the samples is cut to them
    // Where it is: `fraction` / period of a byte past byte `at`, in the first play of the whole
    // sample or (`looping`) in the loop.
    std::size_t at = 0;
    std::uint32_t fraction = 0;
    bool looping = false;
};

// Plays the channels for out.size() steps, each leaving off where the next call carries on.
// A byte b at volume v plays as (b - 128) * v * 4 on 16 bits, the line between two bytes
// rounded to the nearest: one channel at full volume spans the whole 16-bit range (#00 is
// -32 768, #FF +32 512, #80 silence). The channels' sum is clamped to 16 bits.
void RenderCard(std::span<CardChannel> channels, std::span<std::int16_t> out);

}  // namespace corvane
