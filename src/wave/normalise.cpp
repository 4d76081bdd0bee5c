#include "wave/source.h"

namespace corvane {
namespace {

// Halves the header's size fields for a pass that halves the sample bytes.
void HalveSizes(WaveHeader& h) {
    h.SetBlockAlign(static_cast<std::uint16_t>(h.BlockAlign() >> 1));
    h.SetDataSize(h.DataSize() >> 1);
    h.SetRiffSize(((h.RiffSize() - 36u) >> 1) + 36u);
    h.SetBitsPerSample(8);
    h.SetByteRate(h.ByteRate() >> 1);
}

// Writes one output byte per whole input pair, front to back; output byte k is
// written only after input bytes 2k and 2k + 1 were read, so in place is safe.
template <typename Combine>
void HalvePairs(std::vector<std::uint8_t>& image, Combine combine) {
    const std::size_t n = image.size() - kWaveHeaderSize;
    std::uint8_t* s = image.data() + kWaveHeaderSize;
    for (std::size_t i = 0; i + 1 < n; i += 2) s[i / 2] = combine(s[i], s[i + 1]);
    image.resize(kWaveHeaderSize + n / 2);
}

}  // namespace

void NormaliseSample(std::vector<std::uint8_t>& image, std::uint8_t bytesPerSample) {
    if (image.size() < kWaveHeaderSize) return;
    WaveHeader header = WaveHeader::From(image);
    if (bytesPerSample == 2) {
        // Keep the high byte of each signed 16-bit sample, moved to unsigned.
        HalvePairs(image, [](std::uint8_t, std::uint8_t high) {
            return static_cast<std::uint8_t>(high ^ 0x80);
        });
        HalveSizes(header);
        header.WriteTo(image);
    }
    if (header.Channels() == 2) {
        HalvePairs(image, [](std::uint8_t left, std::uint8_t right) {
            return static_cast<std::uint8_t>((left + right) >> 1);
        });
        HalveSizes(header);
        header.SetChannels(1);
        header.WriteTo(image);
    }
}

}  // namespace corvane
