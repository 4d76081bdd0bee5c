#pragma once
#include <cstdint>

#include "codec/packed_format.h"

namespace corvane {

// The step table made for one sample from its gain span.
StepTable DeriveStepTable(std::int16_t gainSpanLow, std::int16_t gainSpanHigh);

}  // namespace corvane
