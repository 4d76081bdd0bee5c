#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "codec/encoder.h"
#include "codec/packed_format.h"
#include "codec/progress.h"

namespace corvane {

// The coders that make a packed file. All three write the same format, decoded
// by the same rule: greedy is the classic one-sample-at-a-time coder, trellis
// the exact least-squares codes for the given table, optimal the trellis with a
// table searched for the sample (stored in the file in place of the given one).
enum class Encoder { Greedy, Trellis, Optimal };

std::optional<Encoder> ParseEncoderName(std::string_view name);  // "greedy", "trellis", "optimal"

// `tracked`, when given, receives the amplitude after each stored code. `progress`, when
// given, hears how far the slower coders got and may stop them: a stopped encoding returns
// an empty file.
PackedSample PackWithEncoder(Encoder encoder, std::span<const std::uint8_t> samples,
                             const StepTable& table, std::vector<std::uint8_t>* tracked = nullptr,
                             Progress* progress = nullptr);

// Packs the samples, then rebuilds them in place from the packed file with the table it
// carries, as hearing the repacked sample does; the last few samples, which no code stands
// for, keep their values. Returns the packed file; a stopped encoding leaves the samples.
PackedSample RepackInPlace(Encoder encoder, std::span<std::uint8_t> samples, const StepTable& table,
                           Progress* progress = nullptr);

// Signal-to-noise ratio in dB of a repacked image against its source over
// samples 1 .. N-1: the energy of the source around 128 over the energy of the
// difference. Infinite when the two agree there.
double RepackedSnrDb(std::span<const std::uint8_t> source, std::span<const std::uint8_t> repacked);

}  // namespace corvane
