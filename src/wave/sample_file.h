#pragma once
// A prepared sample as a WAV file of its own, its loop in a "smpl" chunk that the loader reads
// back as it was.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "wave/source.h"

namespace corvane {

// The samples of a normalised image (8-bit mono) under a canonical header at the image's rate,
// then, for a loop, a pad byte after an odd number of samples and a "smpl" chunk holding it as
// one forward loop played for ever, the sampler's period that of the rate; the RIFF size
// counting it all.
std::vector<std::uint8_t> SampleFileOf(std::span<const std::uint8_t> image,
                                       std::optional<SampleLoop> loop);

}  // namespace corvane
