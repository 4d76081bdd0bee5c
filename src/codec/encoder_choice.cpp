#include "codec/encoder_choice.h"

#include <cmath>
#include <limits>

#include "codec/decoder.h"
#include "codec/table_search.h"
#include "codec/trellis.h"

namespace corvane {

std::optional<Encoder> ParseEncoderName(std::string_view name) {
    if (name == "greedy") return Encoder::Greedy;
    if (name == "trellis") return Encoder::Trellis;
    if (name == "optimal") return Encoder::Optimal;
    return std::nullopt;
}

PackedSample PackWithEncoder(Encoder encoder, std::span<const std::uint8_t> samples,
                             const StepTable& table, std::vector<std::uint8_t>* tracked,
                             Progress* progress) {
    PackedSample packed;
    switch (encoder) {
        case Encoder::Trellis:
            packed = PackSamplesTrellis(samples, table, tracked, progress);
            break;
        case Encoder::Optimal:
            packed = PackSamplesOptimal(samples, table, tracked, progress);
            break;
        case Encoder::Greedy:
            packed = PackSamples(samples, table, tracked);
            break;
    }
    if (progress != nullptr && progress->Stopped()) return {};
    return packed;
}

PackedSample RepackInPlace(Encoder encoder, std::span<std::uint8_t> samples, const StepTable& table,
                           Progress* progress) {
    PackedSample packed = PackWithEncoder(encoder, samples, table, nullptr, progress);
    if (packed.file.empty()) return packed;
    const auto data = std::span<const std::uint8_t>(packed.file).subspan(kPackedHeaderSize);
    DecodeInto(data, TableOf(packed.file), samples);
    return packed;
}

double RepackedSnrDb(std::span<const std::uint8_t> source, std::span<const std::uint8_t> repacked) {
    double signal = 0;
    double noise = 0;
    for (std::size_t i = 1; i < source.size() && i < repacked.size(); ++i) {
        const double s = source[i] - 128.0;
        const double d = static_cast<double>(source[i]) - repacked[i];
        signal += s * s;
        noise += d * d;
    }
    if (noise == 0) return std::numeric_limits<double>::infinity();
    return 10 * std::log10(signal / noise);
}

}  // namespace corvane
