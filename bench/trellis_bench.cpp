// Throughput of the trellis encoder and the table search, in samples a second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "codec/encoder.h"
#include "codec/table_search.h"
#include "codec/trellis.h"

namespace {

// A music-like test sound: two detuned tones, a slow sweep and some noise.
std::vector<std::uint8_t> TestSound(std::size_t count) {
    std::vector<std::uint8_t> samples(count);
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, 6.0);
    for (std::size_t n = 0; n < count; ++n) {
        const double t = static_cast<double>(n) / 22050.0;
        const double v = 40 * std::sin(2 * M_PI * 220 * t) + 25 * std::sin(2 * M_PI * 331 * t) +
                         20 * std::sin(2 * M_PI * (100 + 400 * t) * t) + noise(random);
        samples[n] = static_cast<std::uint8_t>(std::clamp(128 + v, 0.0, 255.0));
    }
    return samples;
}

corvane::StepTable TableFor(const std::vector<std::uint8_t>& samples) {
    const auto stats = corvane::ComputeDifferenceStats(samples);
    return corvane::DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
}

constexpr std::int64_t kLongest = 262145;  // the longest source a file can hold

void BM_Greedy(benchmark::State& state) {
    const auto samples = TestSound(static_cast<std::size_t>(state.range(0)));
    const auto table = TableFor(samples);
    for (auto _ : state) benchmark::DoNotOptimize(corvane::PackSamples(samples, table));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Greedy)->Arg(kLongest)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Trellis(benchmark::State& state) {
    const auto samples = TestSound(static_cast<std::size_t>(state.range(0)));
    const auto table = TableFor(samples);
    const auto kernel = static_cast<corvane::TrellisKernel>(state.range(1));
    if (!corvane::TrellisKernelAvailable(kernel)) {
        state.SkipWithError("kernel not available on this processor");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(corvane::TrellisSearch(samples, table, kernel));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Trellis)
    ->ArgsProduct({{kLongest},
                   {static_cast<int>(corvane::TrellisKernel::Automatic),
                    static_cast<int>(corvane::TrellisKernel::Avx2),
                    static_cast<int>(corvane::TrellisKernel::Portable)}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_TrellisErrorOnly(benchmark::State& state) {
    const auto samples = TestSound(static_cast<std::size_t>(state.range(0)));
    const auto table = TableFor(samples);
    for (auto _ : state) benchmark::DoNotOptimize(corvane::TrellisError(samples, table));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TrellisErrorOnly)->Arg(kLongest)->Unit(benchmark::kMillisecond)->UseRealTime();

// The table search and trellis together on 10 s of sound at 22 050 Hz.
void BM_Optimal(benchmark::State& state) {
    const auto samples = TestSound(static_cast<std::size_t>(state.range(0)));
    const auto table = TableFor(samples);
    for (auto _ : state) benchmark::DoNotOptimize(corvane::PackSamplesOptimal(samples, table));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Optimal)->Arg(220500)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace
