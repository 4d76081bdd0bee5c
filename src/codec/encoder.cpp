#include "codec/encoder.h"

#include <algorithm>
#include <cstdlib>

#include "codec/packed_format.h"

namespace corvane {
namespace {

// Header (length, table) in front of the data bytes already in `file`.
void FinishHeader(PackedSample& packed, const StepTable& table) {
    const std::size_t dataLength = packed.file.size() - kPackedHeaderSize;
    packed.storable = dataLength <= kMaxPackedDataLength;
    packed.file[0] = static_cast<std::uint8_t>(dataLength & 0xFF);
    packed.file[1] = static_cast<std::uint8_t>((dataLength >> 8) & 0xFF);
    std::copy(table.begin(), table.end(), packed.file.begin() + 2);
}

}  // namespace

PackedSample PackSamples(std::span<const std::uint8_t> samples, const StepTable& table,
                         std::vector<std::uint8_t>* tracked) {
    // Code the second to the second-to-last sample, as many as fill whole bytes.
    const std::size_t codeCount = 4 * PackedDataLength(samples.size());
    PackedSample packed;
    packed.file.assign(kPackedHeaderSize + codeCount / 4, 0);
    if (tracked) tracked->assign(codeCount, 0);

    int amplitude = 128;
    int index = 1;
    for (std::size_t c = 0; c < codeCount; ++c) {
        const int s = samples[c + 1];
        const bool minus = s < amplitude;
        const int sign = minus ? -1 : 1;
        const int up = amplitude + sign * table[static_cast<std::size_t>(index + 1)];
        const int down = amplitude + sign * table[static_cast<std::size_t>(index - 1)];
        const bool chooseUp = std::abs(s - up) <= std::abs(s - down);
        index += chooseUp ? 1 : -1;
        amplitude = std::clamp(chooseUp ? up : down, 0, 255);
        if (index == 0) index = 1;
        if (index == kStepTableLength - 1) index = kStepTableLength - 2;

        const int code = (minus ? 2 : 0) | (chooseUp ? 1 : 0);
        packed.file[kPackedHeaderSize + c / 4] |=
            static_cast<std::uint8_t>(code << (6 - 2 * (c % 4)));
        if (tracked) (*tracked)[c] = static_cast<std::uint8_t>(amplitude);
    }
    FinishHeader(packed, table);
    return packed;
}

PackedSample PackCodes(std::span<const std::uint8_t> codes, const StepTable& table) {
    const std::size_t dataLength = codes.size() / 4;
    PackedSample packed;
    packed.file.assign(kPackedHeaderSize + dataLength, 0);
    for (std::size_t c = 0; c < dataLength * 4; ++c) {
        packed.file[kPackedHeaderSize + c / 4] |=
            static_cast<std::uint8_t>((codes[c] & 3) << (6 - 2 * (c % 4)));
    }
    FinishHeader(packed, table);
    return packed;
}

}  // namespace corvane
