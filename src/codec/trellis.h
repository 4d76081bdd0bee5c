#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "codec/encoder.h"
#include "codec/packed_format.h"
#include "codec/progress.h"

namespace corvane {

// Exact search for the code sequence whose rebuilt samples lie closest to the
// source: the least total squared error over the samples the greedy coder codes
// and the file stores (samples 1 .. 4n, n = PackedDataLength), found by dynamic
// programming over the decoder state (amplitude 0..255, index 1..9).

// Implementations of the inner loop. They give the same codes; Automatic picks
// the widest one the processor runs, Wide (64-bit costs) is the safe fallback.
enum class TrellisKernel { Automatic, Portable, Wide, Avx2, Avx512 };
bool TrellisKernelAvailable(TrellisKernel kernel);

struct TrellisResult {
    std::vector<std::uint8_t> codes;  // one 2-bit code per coded sample
    std::uint64_t squaredError = 0;
};

// `progress`, when given, hears how far the search got; once it asks to stop, the search
// ends early with no codes.
TrellisResult TrellisSearch(std::span<const std::uint8_t> samples, const StepTable& table,
                            TrellisKernel kernel = TrellisKernel::Automatic,
                            Progress* progress = nullptr);

// The least total squared error alone (one pass, no codes kept).
std::uint64_t TrellisError(std::span<const std::uint8_t> samples, const StepTable& table,
                           TrellisKernel kernel = TrellisKernel::Automatic);

// The same when it is below `bound`; otherwise some value of at least `bound`,
// given as soon as the pass knows the error cannot come under it.
std::uint64_t TrellisErrorBelow(std::span<const std::uint8_t> samples, const StepTable& table,
                                std::uint64_t bound,
                                TrellisKernel kernel = TrellisKernel::Automatic);

// The packed file of the trellis codes. `tracked`, when given, receives the
// amplitude after each code, as PackSamples gives it.
PackedSample PackSamplesTrellis(std::span<const std::uint8_t> samples, const StepTable& table,
                                std::vector<std::uint8_t>* tracked = nullptr,
                                Progress* progress = nullptr);

}  // namespace corvane
