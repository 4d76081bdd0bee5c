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

// The image's header made true to its samples.
void SetSampleCount(std::vector<std::uint8_t>& image) {
    const auto count = static_cast<std::uint32_t>(image.size() - kWaveHeaderSize);
    WaveHeader header = WaveHeader::From(image);
    header.SetDataSize(count);
    header.SetRiffSize(36 + count);
    header.WriteTo(image);
}

// The samples a loop fitted to the card leaves of `length` (FitLoopToCard's count).
std::size_t FittedLength(std::size_t length, const SampleLoop& loop, bool cut) {
    const std::size_t shift = loop.start == 0, end = loop.end + shift;
    const std::size_t needed = 4 * ((end + 3) / 4) + 2;
    return cut ? needed : std::max(length + shift, needed);
}

// The card stores samples 1 to 4n of the 4n + 2 or more a packed file is made of, so a loop
// that starts at sample 0 gets a silent sample before it, and one that ends in a file's last
// samples gets the samples after it that make up the last byte: as many as it takes, the
// loop's own from its start, so the card's loop is the whole loop. `cut`: nothing else after it.
void FitLoopToCard(std::vector<std::uint8_t>& image, SampleLoop& loop, bool cut) {
    const bool before = loop.start == 0;
    if (before) {
        image.insert(image.begin() + kWaveHeaderSize, 128);
        ++loop.start;
        ++loop.end;
    }
    const std::size_t count = image.size() - kWaveHeaderSize;
    const std::size_t needed = 4 * ((std::size_t{loop.end} + 3) / 4) + 2;
    const std::size_t keep = cut ? std::size_t{loop.end} + 1 : count;
    if (!before && keep == count && count >= needed) return;
    image.resize(kWaveHeaderSize + keep);
    for (std::size_t at = keep; at < needed; ++at) {
        const std::size_t inLoop = (at - loop.end - 1) % loop.Length();
        image.push_back(image[kWaveHeaderSize + loop.start + inLoop]);
    }
    SetSampleCount(image);
}

}  // namespace

LoadedSource PrepareSource(std::vector<std::uint8_t> image, const SourceMarks& marks,
                           const Preparation& how, Progress* progress) {
    LoadedSource loaded;
    loaded.endsEarly = marks.endsEarly;
    loaded.loopProblem = marks.loopProblem;
    loaded.format = FormatOf(WaveHeader::From(image));
    if (SizeUnknown(loaded.format.dataSize)) {
        loaded.format.dataSize = static_cast<std::uint32_t>(SamplesOf(image).size());
    }
    loaded.refusal = loaded.format.Check();
    const WaveFormat& f = loaded.format;
    if (marks.wide && f.ChannelsOk()) loaded.wide = marks.wide;
    const std::uint32_t asked = how.rateFor ? how.rateFor(f.sampleRate) : how.rate;
    // Wide samples are read only through a conversion, which makes them 8 bits at any rate.
    const bool readWide = loaded.wide && (how.wideFormats || asked != 0);
    if (readWide) loaded.refusal = Refusal::None;
    const SampleCoding coding = readWide ? *loaded.wide : SampleCoding{f.bitsPerSample, false};
    const std::uint32_t rate = asked != 0 ? asked : f.sampleRate;
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
    const bool kept = how.loop != LoopChoice::Ignore && loop;
    const std::size_t packed = kept ? FittedLength(length, *loop, how.loop == LoopChoice::Cut) : length;
    if (convert && how.refuseTooLong && !PackedDataFits(packed)) {
        loaded.refusal = Refusal::TooLong;
        convert = false;
        loop.reset();
    }
    std::optional<std::vector<std::uint8_t>> converted;
    if (convert) {
        converted =
            ResampleToEightBitMono(SamplesOf(image), f.channels, coding, f.sampleRate, rate, progress);
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
    if (loaded.hasLoop) loaded.loopKind = marks.loopKind;
    if (how.loop == LoopChoice::Ignore) loaded.loop.reset();
    if (loaded.loop) FitLoopToCard(loaded.image, *loaded.loop, how.loop == LoopChoice::Cut);
    return loaded;
}

}  // namespace corvane
