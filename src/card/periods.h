#pragma once
#include <array>
#include <cstdint>

namespace corvane {

// A ROM's periods: 16 rows of finetunes (0, +1 ... +7, -8 ... -1) of 96 notes each.
using PeriodTable = std::array<std::array<std::uint16_t, 96>, 16>;

extern const PeriodTable kRom104Periods;
extern const PeriodTable kRom105Periods;

}  // namespace corvane
