// Baseline: copying the bytes the other benchmarks process, for their ratios.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void BM_Memcpy(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    std::vector<std::uint8_t> from(size, 0x5A), to(size);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), size);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
// 10 M samples of 8 bits; 10 M frames of 16-bit stereo; the five-minute
// 44 100 Hz 16-bit stereo file with its 44-byte header.
BENCHMARK(BM_Memcpy)
    ->Arg(10'000'000)
    ->Arg(40'000'000)
    ->Arg(44 + 44100 * 300 * 4)
    ->Unit(benchmark::kMillisecond);

}  // namespace
