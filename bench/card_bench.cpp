// The card's own sound: three seconds of it, as a player would ask for it, on one channel and
// on all four. The goal is a few milliseconds for a few seconds of sound.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "card/card_sound.h"

namespace corvane {
namespace {

constexpr std::size_t kSteps = 3 * kCardMixRate;

void RenderThreeSeconds(benchmark::State& state) {
    const auto channels = static_cast<std::size_t>(state.range(0));
    std::vector<std::uint8_t> stored(60'000);  // 3.6 s at note 60
    std::mt19937 random(1);
    for (auto& s : stored) s = static_cast<std::uint8_t>(random());
    std::vector<std::int16_t> out(kSteps);
    for (auto _ : state) {
        std::vector<CardChannel> playing;
        for (std::size_t c = 0; c < channels; ++c) {
            const CardNote note{static_cast<int>(48 + 5 * c), 0};
            playing.push_back({.samples = stored,
                               .period = StepPeriodOf(Rom::V104, note),
                               .loop = CardLoop{20'000, 60'000}});
        }
        for (std::size_t done = 0; done < kSteps; done += 4096) {
            RenderCard(playing,
                       std::span(out).subspan(done, std::min<std::size_t>(4096, kSteps - done)));
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kSteps));
}
BENCHMARK(RenderThreeSeconds)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvane
