#include "wave/prepare.h"

#include <algorithm>
#include <utility>

#include "codec/packed_format.h"
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
                           const Preparation& how) {
    LoadedSource loaded;
    loaded.endsEarly = marks.endsEarly;
    loaded.loopProblem = marks.loopProblem;
    loaded.format = FormatOf(WaveHeader::From(image));
    loaded.refusal = loaded.format.Check();
    const WaveFormat& f = loaded.format;
    if (marks.wide && f.ChannelsOk()) loaded.wide = marks.wide;
    // Wide samples are read only through a conversion, which makes them 8 bits at any rate.
    const bool readWide = loaded.wide && (how.wideFormats || how.rate != 0);
    if (readWide) loaded.refusal = Refusal::None;
    const SampleCoding coding = readWide ? *loaded.wide : SampleCoding{f.bitsPerSample, false};
    const std::uint32_t rate = how.rate != 0 ? how.rate : f.sampleRate;
    const std::size_t frameBytes = std::size_t{f.channels} * (coding.bits / 8);
    const auto frames =
        loaded.Valid() ? static_cast<std::uint32_t>(SamplesOf(image).size() / frameBytes) : 0;
    bool convert = loaded.Valid() && (readWide || rate != f.sampleRate);
    if (convert && !CanResample(f.sampleRate, rate)) {
        loaded.refusal = Refusal::RateUnconvertible;
        convert = false;
    }
    // The loop and the length at the new rate are known before converting, and so is a sample
    // too long to pack.
    const std::size_t length = convert ? ScaleToRate(frames, f.sampleRate, rate) : frames;
    std::optional<SampleLoop> loop;
    if (marks.loop && loaded.Valid()) {
        const SampleLoop stated = *marks.loop;
        if (stated.start > stated.end || stated.end >= frames || length == 0) {
            loaded.loopProblem = LoopProblem::OutOfRange;
        } else {
            loop = convert ? Scaled(stated, f.sampleRate, rate, length) : stated;
        }
    }
    const bool cut = how.loop == LoopChoice::Cut && loop;
    if (convert && how.refuseTooLong && !PackedDataFits(cut ? loop->end + 1 : length)) {
        loaded.refusal = Refusal::TooLong;
        convert = false;
        loop.reset();
    }
    std::optional<std::vector<std::uint8_t>> converted;
    if (convert) {
        converted =
            ResampleToEightBitMono(SamplesOf(image), f.channels, coding, f.sampleRate, rate);
        if (!converted) {
            loaded.refusal = Refusal::RateUnconvertible;
            loop.reset();
        }
    }
    if (converted) {
        const WaveHeader header =
            MonoWaveHeader(rate, static_cast<std::uint32_t>(converted->size()));
        converted->insert(converted->begin(), header.bytes.begin(), header.bytes.end());
        loaded.image = std::move(*converted);
    } else {
        loaded.image = std::move(image);
        NormaliseSample(loaded.image, f.BytesPerSample());
    }
    loaded.loop = loop;
    loaded.hasLoop = loaded.loop.has_value();
    if (how.loop == LoopChoice::Ignore) loaded.loop.reset();
    if (how.loop == LoopChoice::Cut && loaded.loop) CutAfter(loaded.image, loaded.loop->end);
    return loaded;
}

}  // namespace corvane
