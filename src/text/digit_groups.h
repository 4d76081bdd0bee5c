#pragma once
#include <string>

namespace corvane {

// Decimal text with a space before every group of three digits counted from
// the right: 44100 -> "44 100". A minus sign is not counted as a digit.
std::string FormatDigitGroups(long long value);

}  // namespace corvane
