#pragma once
// The compression summary as people read it (UTF-8): the window's labels, `corvane-cli info`.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codec/packed_format.h"

namespace corvane {

// "File Size: 12 357bytes": the size of the packed file for `sampleCount`
// samples, with " ✘" appended when its data cannot be stored.
std::string FileSizeText(std::size_t sampleCount);
std::string GainSpanText(std::int16_t low, std::int16_t high);  // "Gain Span: -45 / +52"
std::string PeakText(std::int32_t peak);                        // "5000"
std::string TableText(const StepTable& table);                  // "0 0 1 2 3 4 5 7 11 20 45 "
std::string SnrText(double snrDb);                              // "SNR: 18.43 dB"

// What playing a packed file of `dataLength` data bytes costs the host: the samples the card
// receives, the least streaming time, whether the file fits a memory page, where it may lie.
std::vector<std::string> HostCostLines(std::size_t dataLength);

}  // namespace corvane
