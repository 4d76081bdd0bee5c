#pragma once
// The whole road of one input file through the core, as the program takes it:
// load (chunk walk, checks, facts, normalise; from a copy and in place), analyse (statistics, step
// table, both drawings, summary texts), pack, unpack over the image, and the packed file reader on
// the raw bytes. Returns a description of the first broken invariant, or an empty string;
// sanitizers catch the rest.
#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "analysis/plots.h"
#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "codec/decoder.h"
#include "codec/encoder.h"
#include "codec/packed_format.h"
#include "text/facts.h"
#include "text/summary.h"
#include "wave/source.h"

namespace corvane::fuzz {

inline std::string DecodeRawPacked(std::span<const std::uint8_t> file) {
    const auto view = ParsePackedFile(file);
    if (!view) return {};
    const std::vector<std::uint8_t> samples = DecodeSamples(view->data, view->table);
    if (samples.size() != 4 * view->data.size() + 1 || samples[0] != 128) {
        return "decoded sample count or first sample wrong";
    }
    return {};
}

inline std::string RunWholeChain(std::span<const std::uint8_t> input) {
    LoadedSource loaded = LoadSourceBytes(input);
    if (!input.empty() && loaded.image.size() < 44) return "image shorter than its header";
    const LoadedSource inPlace = LoadSourceInPlace({input.begin(), input.end()});
    if (inPlace.image != loaded.image || inPlace.refusal != loaded.refusal ||
        FactLinesOf(inPlace) != FactLinesOf(loaded)) {
        return "loading in place differs from loading a copy";
    }
    const std::span<const std::uint8_t> samples = SamplesOf(loaded.image);

    // The analysis pass runs on whatever the image holds, accepted or not.
    const DifferenceStats stats = ComputeDifferenceStats(samples);
    const StepTable table = DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
    // Cleared once: drawing over an earlier picture exercises the same code,
    // and clearing 600 KB per input made the fuzzer ten times slower.
    static std::vector<std::uint8_t> waveform(kWaveformBytes), histogram(kHistogramBytes);
    static const bool cleared = (ClearPixels(waveform), ClearPixels(histogram), true);
    (void)cleared;
    DrawWaveform(samples, std::span<std::uint8_t, kWaveformBytes>(waveform));
    DrawHistogram(stats.histogram, stats.peak, std::span<std::uint8_t, kHistogramBytes>(histogram));
    // The summary texts, for the sanitizers' eyes only.
    static std::string texts;
    texts = FileSizeText(samples.size()) + GainSpanText(stats.gainSpanLow, stats.gainSpanHigh) +
            PeakText(stats.peak) + TableText(table);

    std::vector<std::uint8_t> tracked;
    const PackedSample packed = PackSamples(samples, table, &tracked);
    if (packed.file.size() != PackedFileSize(samples.size())) return "packed size wrong";
    if (tracked.size() != 4 * PackedDataLength(samples.size())) return "tracked count wrong";

    // Unpack over the image, as playing the repacked sample does.
    const auto data = std::span<const std::uint8_t>(packed.file).subspan(kPackedHeaderSize);
    const std::span<std::uint8_t> image = MutableSamplesOf(loaded.image);
    const std::size_t written = DecodeInto(data, table, image);
    if (!image.empty() && (written != 1 + tracked.size() || image[0] != 128 ||
                           !std::equal(tracked.begin(), tracked.end(), image.begin() + 1))) {
        return "decoder disagrees with the encoder's tracked amplitudes";
    }
    if (packed.storable) {
        if (const std::string fault = DecodeRawPacked(packed.file); !fault.empty()) return fault;
        if (!ParsePackedFile(packed.file)) return "reader refuses the encoder's own file";
    }

    // The raw bytes as a packed file, and once more with the length made to
    // agree, so the reader's decoding path sees arbitrary tables and data.
    if (const std::string fault = DecodeRawPacked(input); !fault.empty()) return fault;
    if (input.size() >= kPackedHeaderSize &&
        input.size() - kPackedHeaderSize <= kMaxPackedDataLength) {
        std::vector<std::uint8_t> fixed(input.begin(), input.end());
        const std::size_t length = fixed.size() - kPackedHeaderSize;
        fixed[0] = static_cast<std::uint8_t>(length & 0xFF);
        fixed[1] = static_cast<std::uint8_t>(length >> 8);
        if (!ParsePackedFile(fixed)) return "reader refuses a well-formed file";
        return DecodeRawPacked(fixed);
    }
    return {};
}

}  // namespace corvane::fuzz
