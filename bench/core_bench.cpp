// Throughput of each stage a sample goes through, and of the whole chain for a
// five-minute 44 100 Hz 16-bit stereo file. Compare each with BM_Memcpy of the
// same byte count (memcpy_bench.cpp).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "analysis/plots.h"
#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "codec/decoder.h"
#include "codec/encoder.h"
#include "codec/packed_format.h"
#include "wave/source.h"

namespace corvane {
namespace {

constexpr std::size_t kSamples = 10'000'000;
constexpr std::uint32_t kRate = 44100;
constexpr std::size_t kFiveMinuteFrames = std::size_t{kRate} * 300;

// Two tones and a little noise: a sound, not silence, so the coder works.
std::vector<std::int16_t> Signal(std::size_t count) {
    std::vector<std::int16_t> values(count);
    std::mt19937 random(1);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double v = 12000 * std::sin(2 * M_PI * 440 * t) + 6000 * std::sin(2 * M_PI * 97 * t) +
                         static_cast<double>(random() % 2001) - 1000;
        values[i] = static_cast<std::int16_t>(v);
    }
    return values;
}

// A canonical WAV file of 16-bit stereo frames (the same signal in both channels,
// the right one slightly quieter).
std::vector<std::uint8_t> StereoWav16(std::size_t frames) {
    const std::vector<std::int16_t> signal = Signal(frames);
    WaveHeader header = MonoWaveHeader(kRate, 0);
    const auto dataSize = static_cast<std::uint32_t>(frames * 4);
    header.SetChannels(2);
    header.SetBitsPerSample(16);
    header.SetBlockAlign(4);
    header.SetByteRate(kRate * 4);
    header.SetDataSize(dataSize);
    header.SetRiffSize(36 + dataSize);
    std::vector<std::uint8_t> file(header.bytes.begin(), header.bytes.end());
    file.resize(kWaveHeaderSize + frames * 4);
    std::uint8_t* out = file.data() + kWaveHeaderSize;
    for (const std::int16_t left : signal) {
        const auto right = static_cast<std::int16_t>(left * 3 / 4);
        for (const std::int16_t v : {left, right}) {
            const auto u = static_cast<std::uint16_t>(v);
            *out++ = static_cast<std::uint8_t>(u & 0xFF);
            *out++ = static_cast<std::uint8_t>(u >> 8);
        }
    }
    return file;
}

std::vector<std::uint8_t> Samples8(std::size_t count) {
    const std::vector<std::int16_t> signal = Signal(count);
    std::vector<std::uint8_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        samples[i] = static_cast<std::uint8_t>((static_cast<std::uint16_t>(signal[i]) >> 8) ^ 0x80);
    }
    return samples;
}

StepTable TableFor(const std::vector<std::uint8_t>& samples) {
    const DifferenceStats stats = ComputeDifferenceStats(samples);
    return DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
}

void SetSamples(benchmark::State& state, std::size_t perIteration) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * perIteration));
}

// 10 M frames of 16-bit stereo (40 MB) down to 10 M 8-bit mono samples.
void BM_Normalise(benchmark::State& state) {
    const std::vector<std::uint8_t> file = StereoWav16(kSamples);
    std::vector<std::uint8_t> image;
    for (auto _ : state) {
        state.PauseTiming();
        image = file;
        state.ResumeTiming();
        NormaliseSample(image, 2);
        benchmark::DoNotOptimize(image.data());
    }
    SetSamples(state, kSamples);
}
BENCHMARK(BM_Normalise)->Unit(benchmark::kMillisecond);

// Statistics, step table and both drawings over 10 M samples.
void BM_Analyse(benchmark::State& state) {
    const std::vector<std::uint8_t> samples = Samples8(kSamples);
    std::vector<std::uint8_t> waveform(kWaveformBytes), histogram(kHistogramBytes);
    for (auto _ : state) {
        const DifferenceStats stats = ComputeDifferenceStats(samples);
        benchmark::DoNotOptimize(DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh));
        ClearPixels(waveform);
        ClearPixels(histogram);
        DrawWaveform(samples, std::span<std::uint8_t, kWaveformBytes>(waveform));
        DrawHistogram(stats.histogram, stats.peak,
                      std::span<std::uint8_t, kHistogramBytes>(histogram));
        benchmark::DoNotOptimize(waveform.data());
        benchmark::DoNotOptimize(histogram.data());
    }
    SetSamples(state, kSamples);
}
BENCHMARK(BM_Analyse)->Unit(benchmark::kMillisecond);

void BM_Encode(benchmark::State& state) {
    const std::vector<std::uint8_t> samples = Samples8(kSamples);
    const StepTable table = TableFor(samples);
    for (auto _ : state) {
        const PackedSample packed = PackSamples(samples, table);
        benchmark::DoNotOptimize(packed.file.data());
    }
    SetSamples(state, kSamples);
}
BENCHMARK(BM_Encode)->Unit(benchmark::kMillisecond);

void BM_Decode(benchmark::State& state) {
    const std::vector<std::uint8_t> samples = Samples8(kSamples + 2);
    const StepTable table = TableFor(samples);
    const PackedSample packed = PackSamples(samples, table);
    const auto data = std::span<const std::uint8_t>(packed.file).subspan(kPackedHeaderSize);
    std::vector<std::uint8_t> out(kSamples + 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecodeInto(data, table, out));
        benchmark::DoNotOptimize(out.data());
    }
    SetSamples(state, kSamples);
}
BENCHMARK(BM_Decode)->Unit(benchmark::kMillisecond);

// Analysis and packing of a loaded source, as saving a packed file runs them.
void AnalyseAndPack(const LoadedSource& loaded, std::vector<std::uint8_t>& waveform,
                    std::vector<std::uint8_t>& histogram) {
    const std::span<const std::uint8_t> samples = SamplesOf(loaded.image);
    const DifferenceStats stats = ComputeDifferenceStats(samples);
    const StepTable table = DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
    ClearPixels(waveform);
    ClearPixels(histogram);
    DrawWaveform(samples, std::span<std::uint8_t, kWaveformBytes>(waveform));
    DrawHistogram(stats.histogram, stats.peak, std::span<std::uint8_t, kHistogramBytes>(histogram));
    const PackedSample packed = PackSamples(samples, table);
    benchmark::DoNotOptimize(packed.file.data());
}

void SetFileCounters(benchmark::State& state, std::size_t fileBytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileBytes));
    SetSamples(state, kFiveMinuteFrames);
}

// The whole chain from the file's bytes in memory to the packed file: load
// (canonical image, checks, normalise), analyse (statistics, table, drawings),
// pack. This one loads from a read-only view, so it copies the 53 MB first.
void BM_WholeChainFiveMinuteStereo(benchmark::State& state) {
    const std::vector<std::uint8_t> file = StereoWav16(kFiveMinuteFrames);
    std::vector<std::uint8_t> waveform(kWaveformBytes), histogram(kHistogramBytes);
    for (auto _ : state) AnalyseAndPack(LoadSourceBytes(file), waveform, histogram);
    SetFileCounters(state, file.size());
}
BENCHMARK(BM_WholeChainFiveMinuteStereo)->Unit(benchmark::kMillisecond);

// The same chain the way the program runs it: the buffer the file was read
// into becomes the image and is normalised in place (the read is not timed).
void BM_WholeChainFiveMinuteStereoInPlace(benchmark::State& state) {
    const std::vector<std::uint8_t> file = StereoWav16(kFiveMinuteFrames);
    std::vector<std::uint8_t> waveform(kWaveformBytes), histogram(kHistogramBytes);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::uint8_t> read = file;
        state.ResumeTiming();
        AnalyseAndPack(LoadSourceInPlace(std::move(read)), waveform, histogram);
    }
    SetFileCounters(state, file.size());
}
BENCHMARK(BM_WholeChainFiveMinuteStereoInPlace)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane
