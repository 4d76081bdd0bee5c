#include "text/summary.h"

#include <charconv>

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
    // Not printf: its decimal separator follows the C locale, which the window sets to Russian.
    char number[48];
    const auto end =
        std::to_chars(number, number + sizeof number, snrDb, std::chars_format::fixed, 2);
    return "SNR: " + std::string(number, end.ptr) + " dB";
}

std::vector<std::string> HostCostLines(std::size_t dataLength) {
    const HostCost cost = DepackerCost(dataLength);
    const std::size_t tenths = cost.millisecondsAtLeast / 100;  // a lower bound rounds down
    const std::string seconds = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
    std::string samples =
        "Card Receives: " + FormatDigitGroups(static_cast<long long>(cost.cardSamples)) +
        " samples";
    if (dataLength == 0) samples += " (a file without data runs the depacker over 65 536 bytes)";
    return {samples, "Streaming Time: at least " + seconds + " s at 3.5 MHz",
            cost.fitsPage ? "Host Memory: fits one 16 KB page" : "Host Memory: over 16 KB",
            "Load Address: low byte at most #F3"};
}

}  // namespace corvane
