#pragma once
// A prepared sample as a WAV file of its own, its loop in a "smpl" chunk that the loader reads
// back as it was.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "wave/source.h"

namespace corvane {

// The normalised image (44-byte header and 8-bit mono samples), a pad byte after an odd number
// of samples, then, for a loop, a "smpl" chunk holding it as one forward loop played for ever,
// the sampler's period that of the image's rate; the RIFF size counting it all.
std::vector<std::uint8_t> SampleFileOf(std::span<const std::uint8_t> image,
                                       std::optional<SampleLoop> loop);

}  // namespace corvane
