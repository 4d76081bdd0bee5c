#pragma once
#include <string>

namespace corvane {

// Decimal text with a space before every group of three digits counted from
// the right: 44100 -> "44 100". A minus sign is not counted as a digit.
std::string FormatDigitGroups(long long value);

// `value` with `decimals` digits after a point, whatever the C locale (the window sets one
// with a decimal comma): 0.114 -> "0.11".
std::string FormatFixed(double value, int decimals);

}  // namespace corvane
