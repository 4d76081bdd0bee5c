#include "wave/source.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define CORVANE_HAVE_SSE2 1
#endif

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

std::uint8_t StereoFrameToMono(const std::uint8_t* f) { return Mean(High(f), High(f + 2)); }

// 16-bit stereo to 8-bit mono in one pass: the same bytes as the two passes
// (16 -> 8 bits, then stereo -> mono), odd ends dropped alike. This pass reads
// every byte of a long file, so it takes 16 frames at a time where it can.
void StereoSixteenToMono(std::vector<std::uint8_t>& image) {
    const std::size_t frames = (image.size() - kWaveHeaderSize) / 4;
    std::uint8_t* s = image.data() + kWaveHeaderSize;
    std::size_t k = 0;
#ifdef CORVANE_HAVE_SSE2
    // Output bytes 16j.. are stored after input bytes 64j..64j + 63 are loaded,
    // and later loads start beyond them, so in place stays safe.
    const __m128i flip = _mm_set1_epi32(0x80);
    auto mono4 = [&](const std::uint8_t* at) {  // four frames -> four 32-bit lanes
        const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i left = _mm_xor_si128(_mm_srli_epi32(_mm_slli_epi32(f, 16), 24), flip);
        const __m128i right = _mm_xor_si128(_mm_srli_epi32(f, 24), flip);
        return _mm_srli_epi32(_mm_add_epi32(left, right), 1);
    };
    for (; k + 16 <= frames; k += 16) {
        const std::uint8_t* in = s + 4 * k;
        const __m128i a = _mm_packs_epi32(mono4(in), mono4(in + 16));
        const __m128i b = _mm_packs_epi32(mono4(in + 32), mono4(in + 48));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(s + k), _mm_packus_epi16(a, b));
    }
#endif
    for (; k < frames; ++k) s[k] = StereoFrameToMono(s + 4 * k);
    image.resize(kWaveHeaderSize + frames);
}

}  // namespace

void NormaliseSample(std::vector<std::uint8_t>& image, std::uint8_t bytesPerSample) {
    if (image.size() < kWaveHeaderSize) return;
    WaveHeader header = WaveHeader::From(image);
    if (bytesPerSample == 2 && header.Channels() == 2) {
        StereoSixteenToMono(image);
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
