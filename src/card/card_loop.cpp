#include "card/card_loop.h"

#include <algorithm>

#include "codec/packed_format.h"

namespace corvane {

std::optional<CardLoop> CardLoopOf(const SampleLoop& loop, std::size_t sampleCount) {
    const auto stored = static_cast<std::uint32_t>(4 * PackedDataLength(sampleCount));
    const CardLoop card{loop.start == 0 ? 0 : loop.start - 1, std::min(loop.end, stored)};
    if (card.begin >= card.end) return std::nullopt;
    return card;
}

}  // namespace corvane
