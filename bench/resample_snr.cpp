// corvane_resample_snr IN.wav RATE REFERENCE.f32: how close Corvane's resampled 8-bit sample
// comes to a reference conversion of the same source (scripts/bench-resample.sh makes it with
// sox's `rate -v`, mono, as raw 32-bit floats at RATE). Prints the SNR of Corvane's samples
// against the reference, and that of the reference merely rounded to 8 bits, the best any
// 8-bit sample can do: "corvane 43.21 dB, reference rounded to 8 bits 44.02 dB".
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "wave/resample.h"
#include "wave/source.h"

namespace {

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

}  // namespace

int main(int argc, char** argv) {
    using namespace corvane;
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s IN.wav RATE REFERENCE.f32\n", argv[0]);
        return 2;
    }
    const std::vector<std::uint8_t> image = CanonicalWaveImage(ReadAll<std::uint8_t>(argv[1]));
    const WaveHeader header = WaveHeader::From(image);
    const auto rate = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
    const auto out = ResampleToEightBitMono(SamplesOf(image), header.Channels(),
                                            header.BitsPerSample(), header.SampleRate(), rate);
    const std::vector<float> reference = ReadAll<float>(argv[3]);
    if (!out || out->empty() || reference.empty()) {
        std::fprintf(stderr, "%s: cannot resample to %s Hz, or no reference\n", argv[1], argv[2]);
        return 1;
    }
    const std::size_t count = std::min(out->size(), reference.size());
    const double corvane = Snr(
        reference, [&](std::size_t i) { return (*out)[i] - 128.0; }, count);
    const double rounded = Snr(
        reference,
        [&](std::size_t i) {
            return std::clamp(std::floor(reference[i] * 128.0 + 0.5), -128.0, 127.0);
        },
        count);
    std::printf("corvane %.2f dB, reference rounded to 8 bits %.2f dB\n", corvane, rounded);
    return 0;
}
