#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "analysis/step_table.h"

namespace corvane {

// Packed file: u16 data length (LE), the 11-byte step table, then 2-bit codes
// four to a byte, first code in bits 7-6. Only complete bytes are stored.
constexpr std::size_t kMaxPackedDataLength = 65535;

// Data bytes the encoder produces for `sampleCount` source samples: (N - 2) / 4.
std::size_t PackedDataLength(std::size_t sampleCount);
std::size_t PackedFileSize(std::size_t sampleCount);  // 13 + PackedDataLength
bool PackedDataFits(std::size_t sampleCount);         // data length <= 65535

// The decoder state of the reconstruction rule.
struct DecoderState {
    std::uint8_t amplitude = 128;
    std::uint8_t index = 1;
};

// Applies one 2-bit code (sign bit 1, table-shift bit 0) and returns the sample.
std::uint8_t ApplyCode(DecoderState& state, std::uint8_t code, const StepTable& table);

// A packed file as read back from bytes: table and data view.
struct PackedView {
    StepTable table{};
    std::span<const std::uint8_t> data;
};

// Parses a stored packed file; refuses one whose size is not 13 + data length.
std::optional<PackedView> ParsePackedFile(std::span<const std::uint8_t> file);

}  // namespace corvane
