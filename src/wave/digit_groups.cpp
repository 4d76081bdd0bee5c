#include "wave/digit_groups.h"

namespace corvane {

std::wstring FormatDigitGroups(long long value) {
    const bool negative = value < 0;
    // Work in unsigned so the most negative value has a magnitude too.
    unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                            : static_cast<unsigned long long>(value);
    std::wstring digits = std::to_wstring(magnitude);
    std::wstring out;
    if (negative) out += L'-';
    const std::size_t length = digits.size();
    for (std::size_t i = 0; i < length; ++i) {
        const std::size_t remaining = length - i;
        if (remaining % 3 == 0 && remaining != length) out += L' ';
        out += digits[i];
    }
    return out;
}

}  // namespace corvane
