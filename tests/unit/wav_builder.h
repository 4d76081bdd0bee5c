#pragma once
// Builds WAV file bytes chunk by chunk for tests.
#include <cstdint>
#include <string>
#include <vector>

namespace corvane::test {

inline void PutU16(std::vector<std::uint8_t>& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

inline void PutU32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) b.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
}

inline void PutId(std::vector<std::uint8_t>& b, const char* id) {
    for (int k = 0; k < 4; ++k) b.push_back(static_cast<std::uint8_t>(id[k]));
}

struct Format {
    unsigned audioFormat = 1;
    unsigned channels = 1;
    std::uint32_t rate = 22050;
    unsigned bits = 8;
};

// The 16-byte fmt payload, with byte rate and block align consistent with it.
inline std::vector<std::uint8_t> FmtPayload(const Format& f) {
    std::vector<std::uint8_t> p;
    PutU16(p, f.audioFormat);
    PutU16(p, f.channels);
    PutU32(p, f.rate);
    PutU32(p, f.rate * f.channels * (f.bits / 8));
    PutU16(p, f.channels * (f.bits / 8));
    PutU16(p, f.bits);
    return p;
}

inline void PutChunk(std::vector<std::uint8_t>& b, const char* id,
                     const std::vector<std::uint8_t>& payload, std::uint32_t declared) {
    PutId(b, id);
    PutU32(b, declared);
    b.insert(b.end(), payload.begin(), payload.end());
    if (payload.size() % 2 == 1) b.push_back(0);
}

inline void PutChunk(std::vector<std::uint8_t>& b, const char* id,
                     const std::vector<std::uint8_t>& payload) {
    PutChunk(b, id, payload, static_cast<std::uint32_t>(payload.size()));
}

// "RIFF" size "WAVE" followed by the given chunk bytes.
inline std::vector<std::uint8_t> Riff(const std::vector<std::uint8_t>& chunks) {
    std::vector<std::uint8_t> b;
    PutId(b, "RIFF");
    PutU32(b, static_cast<std::uint32_t>(4 + chunks.size()));
    PutId(b, "WAVE");
    b.insert(b.end(), chunks.begin(), chunks.end());
    return b;
}

// A canonical 44-byte-header file with the given sample bytes.
inline std::vector<std::uint8_t> CanonicalWav(const Format& f,
                                              const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> chunks;
    PutChunk(chunks, "fmt ", FmtPayload(f));
    PutChunk(chunks, "data", data);
    return Riff(chunks);
}

inline std::vector<std::uint8_t> Pcm16(const std::vector<int>& values) {
    std::vector<std::uint8_t> b;
    for (int v : values) PutU16(b, static_cast<unsigned>(v) & 0xFFFF);
    return b;
}

}  // namespace corvane::test
