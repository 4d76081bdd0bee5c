#pragma once
// WAV files and test sounds, built byte by byte for the tests of every suite.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

namespace corvane::test {

using Bytes = std::vector<std::uint8_t>;

inline void PutU16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

inline void PutU32(Bytes& b, std::uint32_t v) {
    PutU16(b, v & 0xFFFF);
    PutU16(b, v >> 16);
}

inline void PutId(Bytes& b, const char* id) {
    for (int k = 0; k < 4; ++k) b.push_back(static_cast<std::uint8_t>(id[k]));
}

struct Format {
    unsigned audioFormat = 1;
    unsigned channels = 1;
    std::uint32_t rate = 22050;
    unsigned bits = 8;
};

// The 16-byte fmt payload, with byte rate and block align consistent with it.
inline Bytes FmtPayload(const Format& f) {
    Bytes p;
    PutU16(p, f.audioFormat);
    PutU16(p, f.channels);
    PutU32(p, f.rate);
    PutU32(p, f.rate * f.channels * (f.bits / 8));
    PutU16(p, f.channels * (f.bits / 8));
    PutU16(p, f.bits);
    return p;
}

// The 40-byte fmt payload of WAVE_FORMAT_EXTENSIBLE: `valid` bits in containers of f.bits,
// with the PCM sub-format, or another when `pcm` is false.
inline Bytes ExtensibleFmtPayload(Format f, unsigned valid, bool pcm = true) {
    f.audioFormat = 0xFFFE;
    Bytes p = FmtPayload(f);
    PutU16(p, 22);                       // extension size
    PutU16(p, valid);                    // valid bits per sample
    PutU32(p, f.channels == 1 ? 4 : 3);  // channel mask: centre, or left and right
    PutU32(p, pcm ? 1 : 3);              // the sub-format GUID: PCM, or IEEE float
    for (const unsigned b :
         {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}) {
        p.push_back(static_cast<std::uint8_t>(b));
    }
    return p;
}

// A chunk with its pad byte; `declared` overrides the size field.
inline void PutChunk(Bytes& b, const char* id, const Bytes& payload,
                     std::optional<std::uint32_t> declared = std::nullopt) {
    PutId(b, id);
    PutU32(b, declared.value_or(static_cast<std::uint32_t>(payload.size())));
    b.insert(b.end(), payload.begin(), payload.end());
    if (payload.size() % 2 == 1) b.push_back(0);
}

// "RIFF" size "WAVE" followed by the given chunk bytes.
inline Bytes Riff(const Bytes& chunks);

// A chunk to put in a file: its id, payload, and a size field other than the payload's.
struct Chunk {
    const char* id;
    Bytes payload;
    std::optional<std::uint32_t> declared = std::nullopt;
};
inline Bytes Riff(std::initializer_list<Chunk> chunks) {
    Bytes bytes;
    for (const Chunk& c : chunks) PutChunk(bytes, c.id, c.payload, c.declared);
    return Riff(bytes);
}

inline Bytes Riff(const Bytes& chunks) {
    Bytes b;
    PutId(b, "RIFF");
    PutU32(b, static_cast<std::uint32_t>(4 + chunks.size()));
    PutId(b, "WAVE");
    b.insert(b.end(), chunks.begin(), chunks.end());
    return b;
}

// A canonical file: the 44-byte header and the sample bytes as given.
inline Bytes Wav(const Format& f, const Bytes& data) {
    Bytes chunks;
    PutChunk(chunks, "fmt ", FmtPayload(f));
    PutChunk(chunks, "data", data);
    return Riff(chunks);
}

inline Bytes Pcm16(const std::vector<int>& values) {
    Bytes b;
    for (const int v : values) PutU16(b, static_cast<unsigned>(v) & 0xFFFF);
    return b;
}

// 8-bit sound of every kind: smooth, noisy, silent stretches and full-scale jumps.
inline Bytes RandomSound(std::mt19937& random, std::size_t count) {
    Bytes samples(count);
    int level = static_cast<int>(random() % 256);
    const int roughness = 1 + static_cast<int>(random() % 120);
    for (auto& s : samples) {
        switch (random() % 20) {
            case 0:
                level = static_cast<int>(random() % 256);
                break;
            case 1:
                level = random() % 2 ? 0 : 255;
                break;
            default:
                level = std::clamp(
                    level + static_cast<int>(random() % (2 * roughness + 1)) - roughness, 0, 255);
        }
        s = static_cast<std::uint8_t>(level);
    }
    return samples;
}

// A sine of `period` samples around 128 with uniform noise of +-`noise`.
inline Bytes Tone(std::size_t count, double period, double amplitude, int noise = 0,
                  unsigned seed = 1) {
    std::mt19937 random(seed);
    Bytes samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double v = 128 + amplitude * std::sin(6.283185307 * static_cast<double>(i) / period) +
                         (noise ? static_cast<int>(random() % (2 * noise + 1)) - noise : 0);
        samples[i] = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
    }
    return samples;
}

}  // namespace corvane::test
