#include "wave/wave_header.h"

#include <algorithm>

namespace corvane {

WaveHeader WaveHeader::From(std::span<const std::uint8_t> image) {
    WaveHeader header;
    const std::size_t n = std::min(image.size(), kWaveHeaderSize);
    std::copy_n(image.begin(), n, header.bytes.begin());
    return header;
}

void WaveHeader::WriteTo(std::span<std::uint8_t> image) const {
    std::copy(bytes.begin(), bytes.end(), image.begin());
}

std::uint16_t WaveHeader::U16(std::size_t at) const {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t WaveHeader::U32(std::size_t at) const {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
           std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

void WaveHeader::SetU16(std::size_t at, std::uint16_t v) {
    bytes[at] = static_cast<std::uint8_t>(v);
    bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void WaveHeader::SetU32(std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
}

WaveHeader MonoWaveHeader(std::uint32_t sampleRate, std::uint32_t sampleCount) {
    WaveHeader h;
    const char* ids[] = {"RIFF", "WAVE", "fmt ", "data"};
    const std::size_t at[] = {0, 8, 12, 36};
    for (int k = 0; k < 4; ++k) std::copy_n(ids[k], 4, h.bytes.begin() + at[k]);
    h.SetRiffSize(36 + sampleCount);
    h.SetU32(16, 16);
    h.SetU16(20, 1);
    h.SetChannels(1);
    h.SetU32(24, sampleRate);
    h.SetByteRate(sampleRate);
    h.SetBlockAlign(1);
    h.SetBitsPerSample(8);
    h.SetDataSize(sampleCount);
    return h;
}

}  // namespace corvane
