// Resampling 10 s of 44 100 Hz 16-bit stereo to the rate the card plays note 60 at
// (9 600 000 / 574 Hz); the goal is under 0.25 s. scripts/bench-resample.sh times sox's
// `rate` beside it on the same sound: it hands the file over in CORVANE_RESAMPLE_WAV.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "wave/resample.h"
#include "wave/source.h"

namespace corvane {
namespace {

constexpr std::uint32_t kSourceRate = 44100;
constexpr std::uint32_t kNote60Rate = 9'600'000 / 574;
constexpr std::size_t kFrames = std::size_t{kSourceRate} * 10;

// The samples of the file in CORVANE_RESAMPLE_WAV, else made here: two tones and a little
// noise on the left, the right an octave up.
std::vector<std::uint8_t> StereoSamples16() {
    if (const char* path = std::getenv("CORVANE_RESAMPLE_WAV")) {
        std::vector<std::uint8_t> file(std::filesystem::file_size(path));
        std::ifstream(path, std::ios::binary)
            .read(reinterpret_cast<char*>(file.data()), static_cast<std::streamsize>(file.size()));
        const std::vector<std::uint8_t> image = CanonicalWaveImage(file);
        const std::span<const std::uint8_t> samples = SamplesOf(image);
        return {samples.begin(), samples.end()};
    }
    std::vector<std::uint8_t> bytes;
    std::mt19937 random(1);
    for (std::size_t i = 0; i < kFrames; ++i) {
        const double t = static_cast<double>(i) / kSourceRate;
        const double noise = static_cast<double>(random() % 2001) - 1000;
        for (const double f : {440.0, 880.0}) {
            const auto v = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * f * t) +
                                                     6000 * std::sin(2 * M_PI * 97 * t) + noise);
            bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
        }
    }
    return bytes;
}

void BM_ResampleTenSecondsToNote60(benchmark::State& state) {
    const std::vector<std::uint8_t> samples = StereoSamples16();
    for (auto _ : state) {
        const auto out = ResampleToEightBitMono(samples, 2, {16, false}, kSourceRate, kNote60Rate);
        benchmark::DoNotOptimize(out->data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * samples.size() / 4));
}
BENCHMARK(BM_ResampleTenSecondsToNote60)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane
