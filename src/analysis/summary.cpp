#include "analysis/summary.h"

#include "codec/packed_format.h"
#include "wave/digit_groups.h"

namespace corvane {

std::wstring FileSizeText(std::size_t sampleCount) {
    std::wstring text = L"File Size: " +
                        FormatDigitGroups(static_cast<long long>(PackedFileSize(sampleCount))) +
                        L"bytes";
    if (!PackedDataFits(sampleCount)) text += L" \u2718";
    return text;
}

std::wstring GainSpanText(std::int16_t low, std::int16_t high) {
    return L"Gain Span: " + std::to_wstring(low) + L" / +" + std::to_wstring(high);
}

std::wstring PeakText(std::int32_t peak) { return std::to_wstring(peak); }

std::wstring TableText(const StepTable& table) {
    std::wstring text;
    for (std::uint8_t entry : table) text += std::to_wstring(entry) + L' ';
    return text;
}

}  // namespace corvane
