#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>

#include "wave/source.h"

namespace corvane {

// A loop as the card takes it (#48 begin, #49 end): offsets into the samples the card stores,
// the 4n decoded samples of the packed file, which stand for source samples 1 to 4n. The whole
// sample plays once, then [begin, end) repeats.
struct CardLoop {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    bool operator==(const CardLoop&) const = default;
};

// The loop of a sample of `sampleCount` samples once packed; nothing when no coded sample of
// it is left.
std::optional<CardLoop> CardLoopOf(const SampleLoop& loop, std::size_t sampleCount);

// ROM 1.05's notes: loops shorter than this still play wrongly.
constexpr std::uint32_t kShortestSoundLoop = 1024;

}  // namespace corvane
