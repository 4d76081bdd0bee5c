#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "codec/progress.h"

namespace corvane {

// Whether a source can be converted between the two rates: both above 0 and their ratio
// within 1/256 to 256.
bool CanResample(std::uint32_t sourceRate, std::uint32_t targetRate);

// A sample position (a frame count, a loop point) at the target rate: position * target /
// source, rounded to nearest, halves up; 0 when the source rate is 0.
std::uint64_t ScaleToRate(std::uint32_t position, std::uint32_t sourceRate,
                          std::uint32_t targetRate);

// How a source stores its sample values, little-endian: 8-bit unsigned, 16-, 24- or 32-bit
// signed integers, or 32-bit floats (full scale ±1).
struct SampleCoding {
    std::uint16_t bits = 16;
    bool floating = false;
    bool Readable() const;
};

// The samples of a canonical image not yet normalised (mono or stereo interleaved), mixed to
// mono and converted from sourceRate to targetRate, then rounded to nearest (halves up) and
// clamped to 8-bit unsigned, 128 being silence. Every bit of a wider sample is used: a 16-bit
// sample v counts as v / 256 in 8-bit units. Floats beyond full scale, or not numbers, count as
// full scale or silence. Trailing bytes short of a frame are dropped, as normalising drops them.
// The result holds ScaleToRate(frames, sourceRate, targetRate) samples: sample k is the
// band-limited source at time k / targetRate, the source being silent before its start and
// after its end; at the source's own rate, each frame mixed and rounded.
// Nothing when the coding is not readable, CanResample refuses the rates, or the library fails
// (no memory for its state). With `progress`: reports how far it got, and gives nothing once
// asked to stop.
std::optional<std::vector<std::uint8_t>> ResampleToEightBitMono(
    std::span<const std::uint8_t> samples, std::uint16_t channels, SampleCoding coding,
    std::uint32_t sourceRate, std::uint32_t targetRate, Progress* progress = nullptr);

}  // namespace corvane
