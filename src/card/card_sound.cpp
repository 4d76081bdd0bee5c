#include "card/card_sound.h"

#include <algorithm>

#include "codec/decoder.h"

namespace corvane {
namespace {

constexpr std::uint32_t kOneByteAStep = 256;

// n / d rounded to the nearest, halves away from zero (d > 0).
std::int64_t NearestQuotient(std::int64_t n, std::int64_t d) {
    return (n >= 0 ? n + d / 2 : n - d / 2) / d;
}

// Holds the channel to what the card can play: its period, volume and loop.
void TakeAsTheCardDoes(CardChannel& channel) {
    channel.period = std::clamp<std::uint32_t>(channel.period, kOneByteAStep, 0xFFFF);
    channel.volume = std::clamp(channel.volume, 0, kCardFullVolume);
    if (auto& loop = channel.loop) {
        loop->end =
            static_cast<std::uint32_t>(std::min<std::size_t>(loop->end, channel.samples.size()));
        if (loop->begin >= loop->end) loop.reset();
    }
    if (!channel.loop) channel.looping = false;
}

// What the channel plays this step, then its move on.
int Step(CardChannel& c) {
    const std::size_t end = c.looping ? c.loop->end : c.samples.size();
    if (c.at >= end) return 0;  // played out
    const int here = c.samples[c.at] - 128;
    const int next = c.at + 1 < end ? c.samples[c.at + 1] - 128
                     : c.loop       ? c.samples[c.loop->begin] - 128
                                    : 0;
    const std::int64_t period = c.period;
    const std::int64_t line = here * (period - c.fraction) + next * std::int64_t{c.fraction};
    const auto value = static_cast<int>(NearestQuotient(line * c.volume * 4, period));
    c.fraction += kOneByteAStep;
    if (c.fraction >= c.period) {
        c.fraction -= c.period;
        if (++c.at == end && c.loop) {
            c.at = c.loop->begin;
            c.looping = true;
        }
    }
    return value;
}

}  // namespace

std::uint32_t StepPeriodOf(Rom rom, CardNote note) {
    note.note = std::clamp(note.note, kLowestNote, kCardHighestNote);
    return std::max<std::uint32_t>(PeriodOf(rom, note), kOneByteAStep);
}

std::size_t StepsToPlayOnce(std::size_t count, std::uint32_t period) {
    return (count * period + kOneByteAStep - 1) / kOneByteAStep;
}

std::vector<std::uint8_t> StoredSamplesOf(const PackedView& packed) {
    std::vector<std::uint8_t> samples = DecodeSamples(packed.data, packed.table);
    samples.erase(samples.begin());
    return samples;
}

void RenderCard(std::span<CardChannel> channels, std::span<std::int16_t> out) {
    for (CardChannel& channel : channels) TakeAsTheCardDoes(channel);
    for (std::int16_t& sample : out) {
        int sum = 0;
        for (CardChannel& channel : channels) sum += Step(channel);
        sample = static_cast<std::int16_t>(std::clamp(sum, -32768, 32767));
    }
}

}  // namespace corvane
