#include "wave/sample_file.h"

namespace corvane {
namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int k = 0; k < 32; k += 8) out.push_back(static_cast<std::uint8_t>(v >> k));
}

}  // namespace

std::vector<std::uint8_t> SampleFileOf(std::span<const std::uint8_t> image,
                                       std::optional<SampleLoop> loop) {
    std::vector<std::uint8_t> file(image.begin(), image.end());
    if (!loop) return file;
    if (SamplesOf(image).size() % 2 != 0) file.push_back(0);
    const std::uint32_t rate = WaveHeader::From(image).SampleRate();
    file.insert(file.end(), {'s', 'm', 'p', 'l'});
    PutU32(file, 36 + 24);
    // Manufacturer, product, nanoseconds a sample, MIDI unity note (middle C) and its fraction,
    // SMPTE format and offset, one loop, no sampler data.
    for (const std::uint32_t field :
         {0u, 0u, rate ? 1'000'000'000u / rate : 0u, 60u, 0u, 0u, 0u, 1u, 0u}) {
        PutU32(file, field);
    }
    // Cue point 0, forward, its first and last sample, no fraction, played for ever.
    for (const std::uint32_t field : {0u, 0u, loop->start, loop->end, 0u, 0u}) PutU32(file, field);
    WaveHeader header = WaveHeader::From(file);
    header.SetRiffSize(static_cast<std::uint32_t>(file.size() - 8));
    header.WriteTo(file);
    return file;
}

}  // namespace corvane
