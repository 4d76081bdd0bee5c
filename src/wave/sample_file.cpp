#include "wave/sample_file.h"

#include <algorithm>

namespace corvane {
namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int k = 0; k < 32; k += 8) out.push_back(static_cast<std::uint8_t>(v >> k));
}

}  // namespace

std::vector<std::uint8_t> SampleFileOf(std::span<const std::uint8_t> image,
                                       std::optional<SampleLoop> loop) {
    // A header of its own: the image's may keep sizes a stream left unknown, which would make
    // the chunk after the samples read as more of them.
    const std::span<const std::uint8_t> samples = SamplesOf(image);
    const std::uint32_t rate = WaveHeader::From(image).SampleRate();
    const WaveHeader header = MonoWaveHeader(rate, static_cast<std::uint32_t>(samples.size()));
    std::vector<std::uint8_t> file(kWaveHeaderSize + samples.size());
    header.WriteTo(file);
    std::copy(samples.begin(), samples.end(), file.begin() + kWaveHeaderSize);
    if (!loop) return file;
    if (samples.size() % 2 != 0) file.push_back(0);
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
    WaveHeader whole = header;
    whole.SetRiffSize(static_cast<std::uint32_t>(file.size() - 8));
    whole.WriteTo(file);
    return file;
}

}  // namespace corvane
