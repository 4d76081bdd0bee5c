#include "codec/packed_format.h"

#include <algorithm>

namespace corvane {

std::size_t PackedDataLength(std::size_t sampleCount) {
    return sampleCount < 2 ? 0 : (sampleCount - 2) / 4;
}

std::size_t PackedFileSize(std::size_t sampleCount) {
    return kPackedHeaderSize + PackedDataLength(sampleCount);
}

bool PackedDataFits(std::size_t sampleCount) {
    return PackedDataLength(sampleCount) <= kMaxPackedDataLength;
}

std::uint8_t ApplyCode(DecoderState& state, std::uint8_t code, const StepTable& table) {
    int index = state.index + ((code & 1) ? 1 : -1);
    const int step = table[static_cast<std::size_t>(index)];
    const int amplitude = (code & 2) ? state.amplitude - step : state.amplitude + step;
    state.amplitude = static_cast<std::uint8_t>(std::clamp(amplitude, 0, 255));
    // Pull the index back from the ends of the table, low end first.
    if (index == 0) index = 1;
    if (index == kStepTableLength - 1) index = kStepTableLength - 2;
    state.index = static_cast<std::uint8_t>(index);
    return state.amplitude;
}

std::optional<PackedView> ParsePackedFile(std::span<const std::uint8_t> file) {
    if (file.size() < static_cast<std::size_t>(kPackedHeaderSize)) return std::nullopt;
    const std::size_t dataLength = std::size_t{file[0]} | std::size_t{file[1]} << 8;
    if (file.size() != kPackedHeaderSize + dataLength) return std::nullopt;
    PackedView view;
    std::copy_n(file.begin() + 2, kStepTableLength, view.table.begin());
    view.data = file.subspan(kPackedHeaderSize);
    return view;
}

}  // namespace corvane
