#include "text/summary.h"

#include <cstdio>

#include "codec/depacker_listing.h"
#include "text/digit_groups.h"

namespace corvane {

std::string FileSizeText(std::size_t sampleCount) {
    std::string text =
        "File Size: " + FormatDigitGroups(static_cast<long long>(PackedFileSize(sampleCount))) +
        "bytes";
    if (!PackedDataFits(sampleCount)) text += " \u2718";
    return text;
}

std::string GainSpanText(std::int16_t low, std::int16_t high) {
    return "Gain Span: " + std::to_string(low) + " / +" + std::to_string(high);
}

std::string PeakText(std::int32_t peak) { return std::to_string(peak); }

std::string TableText(const StepTable& table) {
    std::string text;
    for (const std::uint8_t entry : table) text += std::to_string(entry) + ' ';
    return text;
}

std::string SnrText(double snrDb) {
    char text[48];
    std::snprintf(text, sizeof text, "SNR: %.2f dB", snrDb);
    return text;
}

std::vector<std::string> HostCostLines(std::size_t dataLength) {
    const HostCost cost = DepackerCost(dataLength);
    char seconds[48];
    std::snprintf(seconds, sizeof seconds, "%.1f", cost.secondsAtLeast);
    std::string samples =
        "Card Receives: " + FormatDigitGroups(static_cast<long long>(cost.cardSamples)) +
        " samples";
    if (dataLength == 0) samples += " (a file without data runs the depacker over 65 536 bytes)";
    return {samples, "Streaming Time: at least " + std::string(seconds) + " s at 3.5 MHz",
            cost.fitsPage ? "Host Memory: fits one 16 KB page" : "Host Memory: over 16 KB",
            "Load Address: low byte at most #F3"};
}

}  // namespace corvane
