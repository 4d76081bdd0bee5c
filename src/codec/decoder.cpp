#include "codec/decoder.h"

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
    DecoderState state;
    BitReader reader{data};
    std::size_t written = 1;
    while (!reader.AtEnd() && written < out.size()) {
        out[written++] = ApplyCode(state, reader.ReadBits(2), table);
    }
    return written;
}

std::vector<std::uint8_t> DecodeSamples(std::span<const std::uint8_t> data,
                                        const StepTable& table) {
    std::vector<std::uint8_t> samples(4 * data.size() + 1);
    DecodeInto(data, table, samples);
    return samples;
}

}  // namespace corvane
