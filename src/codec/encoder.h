#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "codec/packed_format.h"

namespace corvane {

struct PackedSample {
    std::vector<std::uint8_t> file;  // header + complete data bytes
    bool storable = true;            // data length fits the 16-bit length field
};

// Greedy analysis-by-synthesis coder over samples 1 .. N-2. For a source too
// long to store, the file holds all its codes and the low 16 bits of the length
// (usable in memory, never to be written); `storable` says so.
// `tracked`, when given, receives the amplitude after each code.
PackedSample PackSamples(std::span<const std::uint8_t> samples, const StepTable& table,
                         std::vector<std::uint8_t>* tracked = nullptr);

// Builds a packed file from a code sequence (one 2-bit code per element).
// Codes past the last complete byte are dropped.
PackedSample PackCodes(std::span<const std::uint8_t> codes, const StepTable& table);

}  // namespace corvane
