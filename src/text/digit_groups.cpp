#include "text/digit_groups.h"

#include <charconv>

namespace corvane {

std::string FormatDigitGroups(long long value) {
    const bool negative = value < 0;
    // Work in unsigned so the most negative value has a magnitude too.
    const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                                  : static_cast<unsigned long long>(value);
    const std::string digits = std::to_string(magnitude);
    std::string out = negative ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const std::size_t remaining = digits.size() - i;
        if (remaining % 3 == 0 && i != 0) out += ' ';
        out += digits[i];
    }
    return out;
}

std::string FormatFixed(double value, int decimals) {
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, end.ptr);
}

}  // namespace corvane
