#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace corvane {

constexpr std::size_t kWaveHeaderSize = 44;

// The canonical 44-byte RIFF/WAVE header, little-endian fields at fixed offsets.
struct WaveHeader {
    std::array<std::uint8_t, kWaveHeaderSize> bytes{};

    static WaveHeader From(std::span<const std::uint8_t> image);  // missing bytes read as 0
    void WriteTo(std::span<std::uint8_t> image) const;            // image must hold 44 bytes

    std::uint32_t RiffSize() const { return U32(4); }
    std::uint16_t AudioFormat() const { return U16(20); }
    std::uint16_t Channels() const { return U16(22); }
    std::uint32_t SampleRate() const { return U32(24); }
    std::uint32_t ByteRate() const { return U32(28); }
    std::uint16_t BlockAlign() const { return U16(32); }
    std::uint16_t BitsPerSample() const { return U16(34); }
    std::uint32_t DataSize() const { return U32(40); }

    void SetRiffSize(std::uint32_t v) { SetU32(4, v); }
    void SetChannels(std::uint16_t v) { SetU16(22, v); }
    void SetByteRate(std::uint32_t v) { SetU32(28, v); }
    void SetBlockAlign(std::uint16_t v) { SetU16(32, v); }
    void SetBitsPerSample(std::uint16_t v) { SetU16(34, v); }
    void SetDataSize(std::uint32_t v) { SetU32(40, v); }

    std::uint16_t U16(std::size_t at) const;
    std::uint32_t U32(std::size_t at) const;
    void SetU16(std::size_t at, std::uint16_t v);
    void SetU32(std::size_t at, std::uint32_t v);
};

// A canonical header for 8-bit unsigned mono PCM of `sampleCount` samples.
WaveHeader MonoWaveHeader(std::uint32_t sampleRate, std::uint32_t sampleCount);

}  // namespace corvane
