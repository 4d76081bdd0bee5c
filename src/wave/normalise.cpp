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

// Writes one output byte per whole group of `size` input bytes, front to back;
// output byte k is written only after input bytes size*k .. size*k + size - 1
// were read, so in place is safe.
template <std::size_t size, typename Combine>
void ShrinkGroups(std::vector<std::uint8_t>& image, Combine combine) {
    const std::size_t n = image.size() - kWaveHeaderSize;
    std::uint8_t* s = image.data() + kWaveHeaderSize;
    for (std::size_t k = 0; k < n / size; ++k) s[k] = combine(s + size * k);
    image.resize(kWaveHeaderSize + n / size);
}

// The high byte of a signed 16-bit sample, moved to unsigned.
std::uint8_t High(const std::uint8_t* sample) {
    return static_cast<std::uint8_t>(sample[1] ^ 0x80);
}

std::uint8_t Mean(std::uint8_t left, std::uint8_t right) {
    return static_cast<std::uint8_t>((left + right) >> 1);
}

}  // namespace

void NormaliseSample(std::vector<std::uint8_t>& image, std::uint8_t bytesPerSample) {
    if (image.size() < kWaveHeaderSize) return;
    WaveHeader header = WaveHeader::From(image);
    if (bytesPerSample == 2 && header.Channels() == 2) {
        // Both passes in one over each 4-byte frame: the same bytes as
        // 16 -> 8 bits followed by stereo -> mono, odd ends dropped alike.
        ShrinkGroups<4>(image, [](const std::uint8_t* f) { return Mean(High(f), High(f + 2)); });
        HalveSizes(header);
        HalveSizes(header);
        header.SetChannels(1);
        header.WriteTo(image);
        return;
    }
    if (bytesPerSample == 2) {
        ShrinkGroups<2>(image, High);
        HalveSizes(header);
        header.WriteTo(image);
    }
    if (header.Channels() == 2) {
        ShrinkGroups<2>(image, [](const std::uint8_t* f) { return Mean(f[0], f[1]); });
        HalveSizes(header);
        header.SetChannels(1);
        header.WriteTo(image);
    }
}

}  // namespace corvane
