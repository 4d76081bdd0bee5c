#include "codec/decoder.h"

#include <algorithm>
#include <array>

namespace corvane {

std::size_t DecodeInto(std::span<const std::uint8_t> data, const StepTable& table,
                       std::span<std::uint8_t> out) {
    if (out.empty()) return 0;
    out[0] = 128;
    // Every move of the rule by index and code, so that a code costs one lookup and the
    // loop carries no branch.
    std::array<CodeMove, (kLastIndex + 1) * 4> moves{};
    for (int index = kFirstIndex; index <= kLastIndex; ++index) {
        for (unsigned code = 0; code < 4; ++code) {
            moves[static_cast<std::size_t>(index) * 4 + code] = MoveOf(index, code, table);
        }
    }
    const std::size_t codes = std::min(4 * data.size(), out.size() - 1);
    int amplitude = 128;
    std::size_t index = kFirstIndex;
    for (std::size_t c = 0; c < codes; ++c) {
        const unsigned code = (data[c / 4] >> (6 - 2 * (c % 4))) & 3u;
        const CodeMove move = moves[index * 4 + code];
        amplitude = ClampedAmplitude(amplitude + move.change);
        index = static_cast<std::size_t>(move.nextIndex);
        out[c + 1] = static_cast<std::uint8_t>(amplitude);
    }
    return codes + 1;
}

std::vector<std::uint8_t> DecodeSamples(std::span<const std::uint8_t> data,
                                        const StepTable& table) {
    std::vector<std::uint8_t> samples(4 * data.size() + 1);
    DecodeInto(data, table, samples);
    return samples;
}

}  // namespace corvane
