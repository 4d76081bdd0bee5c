// How close Corvane's resampled 8-bit sample comes to a reference conversion, for
// scripts/bench-resample.sh:
//
//   corvane_resample_snr IN.wav RATE REFERENCE.f32 [OTHER.wav]
//     The reference is the same source converted to RATE by sox's `rate -v`, mono, as raw 32-bit
//     floats. Prints the SNR against it of Corvane's samples (ResampleToEightBitMono, as convert
//     and pack make them), of OTHER's 8-bit samples if given (sox's default `rate`), and of the
//     reference merely rounded to 8 bits, the best any 8-bit sample can do:
//     "corvane 40.10 dB, other 40.70 dB, reference rounded to 8 bits 40.80 dB".
//   corvane_resample_snr --tone HZ RATE
//     A 2 s tone of HZ at 44 100 Hz, 16 bits, 0.9 of full scale, converted to RATE: prints its
//     level after conversion in dB against its level before, measured at HZ, or where a tone
//     above RATE / 2 would fold to: "tone 7526 Hz to 16725 Hz: -0.02 dB".
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "wave/resample.h"
#include "wave/source.h"

namespace {

using namespace corvane;

template <typename T>
std::vector<T> ReadAll(const char* path) {
    std::vector<T> data(std::filesystem::file_size(path) / sizeof(T));
    std::ifstream(path, std::ios::binary)
        .read(reinterpret_cast<char*>(data.data()),
              static_cast<std::streamsize>(data.size() * sizeof(T)));
    return data;
}

// 10 log10 of the reference's energy over that of the sample's difference from it, both in
// 8-bit units around 0, over the samples both have.
template <typename Sample>
double Snr(const std::vector<float>& reference, Sample sample, std::size_t count) {
    double signal = 0, noise = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double r = reference[i] * 128.0;
        signal += r * r;
        noise += (sample(i) - r) * (sample(i) - r);
    }
    return 10 * std::log10(signal / noise);
}

int CompareWithReference(char** argv, int argc) {
    const std::vector<std::uint8_t> image = CanonicalWaveImage(ReadAll<std::uint8_t>(argv[1]));
    const WaveHeader header = WaveHeader::From(image);
    const auto rate = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
    const auto out = ResampleToEightBitMono(SamplesOf(image), header.Channels(),
                                            {header.BitsPerSample(), false}, header.SampleRate(), rate);
    const std::vector<float> reference = ReadAll<float>(argv[3]);
    if (!out || out->empty() || reference.empty()) {
        std::fprintf(stderr, "%s: cannot resample to %s Hz, or no reference\n", argv[1], argv[2]);
        return 1;
    }
    const std::size_t count = std::min(out->size(), reference.size());
    std::printf("corvane %.2f dB, ",
                Snr(
                    reference, [&](std::size_t i) { return (*out)[i] - 128.0; }, count));
    if (argc == 5) {
        const std::vector<std::uint8_t> other = CanonicalWaveImage(ReadAll<std::uint8_t>(argv[4]));
        const auto samples = SamplesOf(other);
        std::printf("other %.2f dB, ",
                    Snr(
                        reference, [&](std::size_t i) { return samples[i] - 128.0; },
                        std::min(count, samples.size())));
    }
    const double rounded = Snr(
        reference,
        [&](std::size_t i) {
            return std::clamp(std::floor(reference[i] * 128.0 + 0.5), -128.0, 127.0);
        },
        count);
    std::printf("reference rounded to 8 bits %.2f dB\n", rounded);
    return 0;
}

// The amplitude of the component at `hz` in the middle 80 % of `s` (8-bit units around 128),
// Hann-windowed.
double Amplitude(const std::vector<std::uint8_t>& s, double hz, std::uint32_t rate) {
    const std::size_t from = s.size() / 10, n = s.size() - 2 * from;
    double re = 0, im = 0, weights = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n));
        const double phase = 2 * std::numbers::pi * hz * static_cast<double>(i) / rate;
        re += w * (s[from + i] - 128.0) * std::cos(phase);
        im += w * (s[from + i] - 128.0) * std::sin(phase);
        weights += w;
    }
    return 2 * std::hypot(re, im) / weights;
}

int ToneLevel(double hz, std::uint32_t rate) {
    constexpr std::uint32_t kSourceRate = 44100;
    constexpr double kAmplitude = 0.9 * 32767;
    std::vector<std::uint8_t> tone;
    for (std::uint32_t i = 0; i < 2 * kSourceRate; ++i) {
        const auto v = static_cast<std::int16_t>(
            std::lround(kAmplitude * std::sin(2 * std::numbers::pi * hz * i / kSourceRate)));
        tone.push_back(static_cast<std::uint8_t>(v & 0xFF));
        tone.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    }
    const auto out = ResampleToEightBitMono(tone, 1, {16, false}, kSourceRate, rate);
    if (!out) return 1;
    const double heard = hz <= rate / 2.0 ? hz : std::abs(rate - std::fmod(hz, rate));
    const double level = Amplitude(*out, heard, rate) / (kAmplitude / 256);
    std::printf("tone %.0f Hz to %u Hz: %.2f dB\n", hz, rate, 20 * std::log10(level));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--tone") {
        return ToneLevel(std::strtod(argv[2], nullptr),
                         static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10)));
    }
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr,
                     "usage: %s IN.wav RATE REFERENCE.f32 [OTHER.wav]\n"
                     "       %s --tone HZ RATE\n",
                     argv[0], argv[0]);
        return 2;
    }
    return CompareWithReference(argv, argc);
}
