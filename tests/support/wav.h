#pragma once
// Test sounds and the WAV files that carry them, built byte by byte.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace corvane::test {

using Bytes = std::vector<std::uint8_t>;

struct Format {
    unsigned audioFormat = 1, channels = 1;
    std::uint32_t rate = 22050;
    unsigned bits = 8;
};

// A canonical file: the 44-byte header of `f` and the sample bytes as given.
inline Bytes Wav(const Format& f, const Bytes& data) {
    const auto size = static_cast<std::uint32_t>(data.size());
    const std::uint32_t fields[] = {0x46464952,
                                    36 + size,
                                    0x45564157,
                                    0x20746D66,
                                    16,
                                    f.audioFormat | f.channels << 16,
                                    f.rate,
                                    f.rate * f.channels * (f.bits / 8),
                                    f.channels * (f.bits / 8) | f.bits << 16,
                                    0x61746164,
                                    size};
    Bytes b;
    for (const std::uint32_t v : fields) {
        for (int k = 0; k < 32; k += 8) b.push_back(static_cast<std::uint8_t>(v >> k));
    }
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

inline void PutU32(Bytes& b, std::uint32_t v) {
    for (int k = 0; k < 32; k += 8) b.push_back(static_cast<std::uint8_t>(v >> k));
}

// The 16 bytes of a "fmt " chunk for `f`.
inline Bytes FmtPayload(const Format& f) {
    Bytes b = Wav(f, {});
    return {b.begin() + 20, b.begin() + 36};
}

// "RIFF" size "WAVE" and the chunks in order: id, size (the payload's, unless given) and the
// payload with its pad byte.
struct Chunk {
    const char* id;
    Bytes payload;
    std::int64_t size = -1;
};
inline Bytes Riff(std::initializer_list<Chunk> chunks) {
    Bytes body;
    for (const Chunk& c : chunks) {
        body.insert(body.end(), c.id, c.id + 4);
        PutU32(body, static_cast<std::uint32_t>(c.size < 0 ? c.payload.size() : c.size));
        body.insert(body.end(), c.payload.begin(), c.payload.end());
        if (c.payload.size() % 2) body.push_back(0);
    }
    Bytes b = {'R', 'I', 'F', 'F'};
    PutU32(b, static_cast<std::uint32_t>(4 + body.size()));
    b.insert(b.end(), {'W', 'A', 'V', 'E'});
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

// 16-bit samples, little-endian.
inline Bytes Pcm16(const std::vector<int>& values) {
    Bytes b;
    for (const int v : values)
        b.insert(b.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
    return b;
}

// 8-bit sound of every kind: smooth, noisy, silent stretches and full-scale jumps.
inline Bytes RandomSound(std::mt19937& random, std::size_t count) {
    Bytes samples(count);
    int level = static_cast<int>(random() % 256);
    const int roughness = 1 + static_cast<int>(random() % 120);
    for (auto& s : samples) {
        const auto kind = random() % 20;
        level =
            kind == 0 ? static_cast<int>(random() % 256)
            : kind == 1
                ? (random() % 2 ? 0 : 255)
                : std::clamp(level + static_cast<int>(random() % (2 * roughness + 1)) - roughness,
                             0, 255);
        s = static_cast<std::uint8_t>(level);
    }
    return samples;
}

// A sine of `period` samples around 128 with uniform noise of +-`noise`.
inline Bytes Tone(std::size_t count, double period, double amplitude, int noise = 0) {
    std::mt19937 random(1);
    Bytes samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double v = 128 + amplitude * std::sin(6.283185307 * static_cast<double>(i) / period) +
                         (noise ? static_cast<int>(random() % (2 * noise + 1)) - noise : 0);
        samples[i] = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
    }
    return samples;
}

// 44 100 Hz 16-bit mono with a "smpl" loop from `start` to `end` (its last sample).
inline Bytes LoopedWav(std::size_t count, std::uint32_t start, std::uint32_t end) {
    Bytes smpl(28, 0);
    for (const std::uint32_t field : {1u, 0u, 0u, 0u, start, end, 0u, 0u}) PutU32(smpl, field);
    std::vector<int> values;
    for (const std::uint8_t s : Tone(count, 31, 90, 5)) values.push_back((s - 128) * 256 + s);
    return Riff({{"fmt ", FmtPayload({1, 1, 44100, 16})}, {"data", Pcm16(values)}, {"smpl", smpl}});
}

}  // namespace corvane::test
