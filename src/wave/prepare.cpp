#include "wave/prepare.h"

#include <algorithm>
#include <utility>

#include "wave/resample.h"

namespace corvane {
namespace {

// The loop at the new rate: its first frame and the frame after its last scaled alike, so its
// length follows the rate; inside the `count` samples there are.
SampleLoop Scaled(SampleLoop loop, std::uint32_t from, std::uint32_t to, std::size_t count) {
    const auto last = static_cast<std::uint64_t>(count - 1);
    const std::uint64_t start = std::min(ScaleToRate(loop.start, from, to), last);
    const std::uint64_t after = ScaleToRate(loop.end + 1, from, to);
    const std::uint64_t end = std::clamp(after == 0 ? 0 : after - 1, start, last);
    return {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end)};
}

// Nothing after the loop's last sample.
void CutAfter(std::vector<std::uint8_t>& image, std::uint32_t last) {
    const std::uint32_t count = last + 1;
    image.resize(kWaveHeaderSize + count);
    WaveHeader header = WaveHeader::From(image);
    header.SetDataSize(count);
    header.SetRiffSize(36 + count);
    header.WriteTo(image);
}

}  // namespace

LoadedSource PrepareSource(std::vector<std::uint8_t> image, const SourceMarks& marks,
                           const Preparation& how, Progress* progress) {
    LoadedSource loaded;
    loaded.endsEarly = marks.endsEarly;
    loaded.loopProblem = marks.loopProblem;
    loaded.format = FormatOf(WaveHeader::From(image));
    loaded.refusal = loaded.format.Check();
    const WaveFormat& f = loaded.format;
    const std::size_t frameBytes = std::size_t{f.channels} * f.BytesPerSample();
    const std::size_t frames = loaded.Valid() ? SamplesOf(image).size() / frameBytes : 0;
    const bool convert = loaded.Valid() && how.rate != 0 && how.rate != f.sampleRate;
    std::optional<std::vector<std::uint8_t>> converted;
    if (convert) {
        converted = ResampleToEightBitMono(SamplesOf(image), f.channels, f.bitsPerSample,
                                           f.sampleRate, how.rate, progress);
        if (!converted) loaded.refusal = Refusal::RateUnconvertible;
    }
    if (converted) {
        const WaveHeader header =
            MonoWaveHeader(how.rate, static_cast<std::uint32_t>(converted->size()));
        converted->insert(converted->begin(), header.bytes.begin(), header.bytes.end());
        loaded.image = std::move(*converted);
    } else {
        loaded.image = std::move(image);
        NormaliseSample(loaded.image, f.BytesPerSample());
    }
    if (marks.loop && loaded.Valid()) {
        const SampleLoop loop = *marks.loop;
        const std::size_t count = SamplesOf(loaded.image).size();
        if (loop.start > loop.end || loop.end >= frames || count == 0) {
            loaded.loopProblem = LoopProblem::OutOfRange;
        } else {
            loaded.loop = convert ? Scaled(loop, f.sampleRate, how.rate, count) : loop;
        }
    }
    loaded.hasLoop = loaded.loop.has_value();
    if (how.loop == LoopChoice::Ignore) loaded.loop.reset();
    if (how.loop == LoopChoice::Cut && loaded.loop) CutAfter(loaded.image, loaded.loop->end);
    return loaded;
}

}  // namespace corvane
