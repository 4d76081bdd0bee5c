#pragma once
// The packed format's worked example: a 14-sample source packed with a given table.
#include <cstdint>
#include <vector>

#include "codec/packed_format.h"

namespace corvane::test {

inline const std::vector<std::uint8_t> kExampleSource = {128, 140, 160, 170, 165, 150, 120,
                                                         100, 90,  95,  110, 128, 128, 200};
inline const StepTable kExampleTable = {0, 0, 1, 2, 3, 4, 5, 7, 11, 20, 45};
inline const std::vector<std::uint8_t> kExampleFile = {0x03, 0x00, 0,  0,  1,  2,    3,    4,
                                                       5,    7,    11, 20, 45, 0x55, 0x7F, 0x90};
// What the decoder rebuilds from the file: 128, then one sample a code.
inline const std::vector<std::uint8_t> kExampleDecoded = {128, 129, 131, 134, 138, 143, 136,
                                                          125, 105, 94,  114, 125, 132};

}  // namespace corvane::test
