#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "analysis/step_table.h"

namespace corvane {

// "File Size: 12 357bytes": the size of the packed file for `sampleCount`
// samples, with " ✘" appended when its data cannot be stored.
std::wstring FileSizeText(std::size_t sampleCount);
std::wstring GainSpanText(std::int16_t low, std::int16_t high);  // "Gain Span: -45 / +52"
std::wstring PeakText(std::int32_t peak);                        // "5000"
std::wstring TableText(const StepTable& table);                  // "0 0 1 2 3 4 5 7 11 20 45 "

}  // namespace corvane
