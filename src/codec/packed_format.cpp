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

std::optional<PackedView> ParsePackedFile(std::span<const std::uint8_t> file) {
    if (file.size() < static_cast<std::size_t>(kPackedHeaderSize)) return std::nullopt;
    const std::size_t dataLength = std::size_t{file[0]} | std::size_t{file[1]} << 8;
    if (file.size() != kPackedHeaderSize + dataLength) return std::nullopt;
    return PackedView{TableOf(file), file.subspan(kPackedHeaderSize)};
}

StepTable TableOf(std::span<const std::uint8_t> file) {
    StepTable table{};
    if (file.size() >= static_cast<std::size_t>(kPackedHeaderSize)) {
        std::copy_n(file.begin() + 2, kStepTableLength, table.begin());
    }
    return table;
}

}  // namespace corvane
