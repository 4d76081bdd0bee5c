#pragma once
#include <array>
#include <cstdint>

namespace corvane {

constexpr int kStepTableLength = 11;
constexpr int kPackedHeaderSize = 2 + kStepTableLength;

using StepTable = std::array<std::uint8_t, kStepTableLength>;

// The step table made for one sample from its gain span.
StepTable DeriveStepTable(std::int16_t gainSpanLow, std::int16_t gainSpanHigh);

}  // namespace corvane
