#include "codec/decoder.h"

#include <algorithm>
#include <array>

#include "codec/packed_format.h"

namespace corvane {

std::uint8_t BitReader::ReadBits(int n) {
    unsigned result = 0;
    for (int k = 0; k < n; ++k) {
        const unsigned byte = cursor < bytes.size() ? bytes[cursor] : 0;
        result = result << 1 | ((byte >> (7 - bitCount)) & 1);
        if (++bitCount == 8) {
            bitCount = 0;
            ++cursor;
        }
    }
    return static_cast<std::uint8_t>(result);
}

std::size_t DecodeInto(std::span<const std::uint8_t> data, const StepTable& table,
                       std::span<std::uint8_t> out) {
    if (out.empty()) return 0;
    out[0] = 128;
    // Every move of the reconstruction rule by index (1..9) and code: the
    // signed change of the amplitude and the next index, so that a code costs
    // one lookup and the loop carries no branch.
    struct Move {
        int change;
        std::uint8_t next;
    };
    std::array<Move, kStepTableLength * 4> moves{};
    for (int index = 1; index <= kStepTableLength - 2; ++index) {
        for (int code = 0; code < 4; ++code) {
            int moved = index + ((code & 1) ? 1 : -1);
            const int step = table[static_cast<std::size_t>(moved)];
            if (moved == 0) moved = 1;
            if (moved == kStepTableLength - 1) moved = kStepTableLength - 2;
            moves[static_cast<std::size_t>(index * 4 + code)] = {(code & 2) ? -step : step,
                                                                 static_cast<std::uint8_t>(moved)};
        }
    }
    const std::size_t codes = std::min(4 * data.size(), out.size() - 1);
    int amplitude = 128;
    std::size_t index = 1;
    for (std::size_t c = 0; c < codes; ++c) {
        const unsigned code = (data[c / 4] >> (6 - 2 * (c % 4))) & 3u;
        const Move move = moves[index * 4 + code];
        amplitude = std::clamp(amplitude + move.change, 0, 255);
        index = move.next;
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
