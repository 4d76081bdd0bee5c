// libFuzzer entry: every input is a file handed to the program, taken the whole road through
// the core: prepared (at another rate for some) with its loop cut, written as a file of its own
// and read back, made into a bank and played as the card plays it; load (from a copy and in
// place), analyse (statistics, step table, both drawings,
// summary texts), pack, unpack over the image; and read as a packed file, also with its length
// made to agree. A broken invariant aborts with its description; the sanitizers catch the rest.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/plots.h"
#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "card/bank.h"
#include "card/card_sound.h"
#include "codec/decoder.h"
#include "codec/depacker_listing.h"
#include "codec/encoder.h"
#include "text/facts.h"
#include "text/summary.h"
#include "wave/sample_file.h"

namespace corvane {
namespace {

const char* DecodeRawPacked(std::span<const std::uint8_t> file) {
    const auto view = ParsePackedFile(file);
    if (!view) return nullptr;
    const std::vector<std::uint8_t> samples = DecodeSamples(view->data, view->table);
    return samples.size() != 4 * view->data.size() + 1 || samples[0] != 128
               ? "decoded sample count or first sample wrong"
               : nullptr;
}

// Prepared with its loop cut, as a bank takes it: the samples end with the loop's byte, the
// card's loop is the whole loop and inside what the card stores, and the sample written as a
// file of its own loads back as it was. Converting to another rate costs the most, so a quarter
// of the inputs are converted, at most their first 4 KB (a named file is packed as far as it
// goes); the others keep their rate.
const char* RunPreparedChain(std::span<const std::uint8_t> input) {
    Preparation how;
    how.rate = input.size() % 8 == 1 ? 8363 : input.size() % 8 == 2 ? 16725 : 0;
    how.loop = LoopChoice::Cut;
    how.wideFormats = input.size() % 2 == 1;
    how.refuseTooLong = true;
    const LoadedSource loaded = LoadSourceBytes(
        how.rate != 0 ? input.first(std::min<std::size_t>(input.size(), 4096)) : input, how);
    const std::size_t count = SamplesOf(loaded.image).size();
    if (loaded.loop && (loaded.loop->start == 0 || loaded.loop->start > loaded.loop->end ||
                        count != 4 * ((std::size_t{loaded.loop->end} + 3) / 4) + 2)) {
        return "a cut loop does not end with its byte";
    }
    if (!loaded.Valid()) return nullptr;
    const LoadedSource back = LoadSourceBytes(SampleFileOf(loaded.image, loaded.loop));
    if (!std::ranges::equal(SamplesOf(back.image), SamplesOf(loaded.image)) ||
        back.loop != loaded.loop ||
        WaveHeader::From(back.image).SampleRate() != WaveHeader::From(loaded.image).SampleRate()) {
        return "the sample as a file does not load back as it was";
    }
    if (BankRefusal(loaded) != Refusal::None) return nullptr;
    const BankSample sample = PackForBank("x.wav", loaded, Encoder::Greedy, Rom::V104);
    if (sample.loop && (sample.loop->end - sample.loop->begin != loaded.loop->Length() ||
                        sample.loop->end > 4 * (sample.file.size() - kPackedHeaderSize))) {
        return "the card's loop is not the loop, or not inside what it stores";
    }
    // What the card plays of its last bytes and on into its loop: no read outside what it
    // stores.
    const std::vector<std::uint8_t> stored = StoredSamplesOf(*ParsePackedFile(sample.file));
    const std::size_t from = stored.size() - std::min<std::size_t>(stored.size(), 300);
    CardChannel channel{.samples = stored,
                        .period = static_cast<std::uint32_t>(256 + input.size() % 300),
                        .loop = sample.loop,
                        .at = from};
    std::vector<std::int16_t> sound(StepsToPlayOnce(stored.size() - from, channel.period) + 2000);
    RenderCard({&channel, 1}, sound);
    const Bank bank = LayOutBank({sample}, CardMemory::Basic, "x");
    const std::size_t pages = (sample.file.size() + kHostPageBytes - 1) / kHostPageBytes;
    // The listing is mostly fixed text: written for one input in eight, to keep the pace.
    const bool listed = input.size() % 8 != 3 || !BankListing(bank).empty();
    return !listed || PageImages(bank).size() != pages ? "no bank" : nullptr;
}

const char* RunWholeChain(std::span<const std::uint8_t> input) {
    if (const char* fault = RunPreparedChain(input)) return fault;
    LoadedSource loaded = LoadSourceBytes(input);
    if (!input.empty() && loaded.image.size() < 44) return "image shorter than its header";
    const LoadedSource inPlace = LoadSourceInPlace({input.begin(), input.end()});
    if (inPlace.image != loaded.image || inPlace.refusal != loaded.refusal ||
        FactLinesOf(inPlace) != FactLinesOf(loaded)) {
        return "loading in place differs from loading a copy";
    }
    const std::span<const std::uint8_t> samples = SamplesOf(loaded.image);
    const DifferenceStats stats = ComputeDifferenceStats(samples);  // accepted or not
    const StepTable table = DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
    // Cleared once: clearing 600 KB an input made the fuzzer ten times slower.
    static std::vector<std::uint8_t> waveform(kWaveformBytes), histogram(kHistogramBytes);
    static const bool cleared = (ClearPixels(waveform), ClearPixels(histogram), true);
    (void)cleared;
    // The drawings cost their pixels whatever the input: one input in eight.
    if (input.size() % 8 == 0) {
        DrawWaveform(samples, std::span<std::uint8_t, kWaveformBytes>(waveform));
        DrawHistogram(stats.histogram, stats.peak,
                      std::span<std::uint8_t, kHistogramBytes>(histogram));
    }
    static std::string texts;  // for the sanitizers' eyes only
    texts = FileSizeText(samples.size()) + GainSpanText(stats.gainSpanLow, stats.gainSpanHigh) +
            PeakText(stats.peak) + TableText(table);

    std::vector<std::uint8_t> tracked;
    const PackedSample packed = PackSamples(samples, table, &tracked);
    if (packed.file.size() != PackedFileSize(samples.size())) return "packed size wrong";
    if (tracked.size() != 4 * PackedDataLength(samples.size())) return "tracked count wrong";
    const std::span<std::uint8_t> image = MutableSamplesOf(loaded.image);
    const std::size_t written =
        DecodeInto(std::span(packed.file).subspan(kPackedHeaderSize), table, image);
    if (!image.empty() && (written != 1 + tracked.size() || image[0] != 128 ||
                           !std::equal(tracked.begin(), tracked.end(), image.begin() + 1))) {
        return "decoder disagrees with the encoder's tracked amplitudes";
    }
    if (packed.storable && !ParsePackedFile(packed.file))
        return "reader refuses the encoder's file";
    if (const char* fault = DecodeRawPacked(input)) return fault;
    // Read as a packed file with its length made to agree: its first 1 KB of data, as the
    // decoder does the same for every byte.
    if (input.size() < kPackedHeaderSize) return nullptr;
    std::vector<std::uint8_t> fixed(
        input.begin(), input.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(
                                           input.size(), kPackedHeaderSize + 1024)));
    const std::size_t length = fixed.size() - kPackedHeaderSize;
    fixed[0] = static_cast<std::uint8_t>(length & 0xFF);
    fixed[1] = static_cast<std::uint8_t>(length >> 8);
    if (!ParsePackedFile(fixed)) return "reader refuses a well-formed file";
    return DecodeRawPacked(fixed);
}

}  // namespace
}  // namespace corvane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (const char* fault = corvane::RunWholeChain({data, size})) {
        std::fprintf(stderr, "broken invariant: %s\n", fault);
        std::abort();
    }
    return 0;
}
