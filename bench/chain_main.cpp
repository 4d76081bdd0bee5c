// corvane_chain IN.wav OUT.C: the whole chain as one process, for timing beside
// other converters: read the file, load it in place (checks, normalise),
// analyse it (statistics, step table, both drawings), pack it, write the
// packed bytes. A source too long for the 16-bit length field is still packed
// and written (its length field holds the low 16 bits), so long files time too.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "analysis/plots.h"
#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "codec/encoder.h"
#include "wave/source.h"

int main(int argc, char** argv) {
    using namespace corvane;
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s IN.wav OUT.C\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<std::uint8_t> file(std::filesystem::file_size(argv[1]));
    in.read(reinterpret_cast<char*>(file.data()), static_cast<std::streamsize>(file.size()));
    const LoadedSource loaded = LoadSourceInPlace(std::move(file));
    if (!loaded.Valid()) {
        std::fprintf(stderr, "%s: refused\n", argv[1]);
        return 1;
    }
    const std::span<const std::uint8_t> samples = SamplesOf(loaded.image);
    const DifferenceStats stats = ComputeDifferenceStats(samples);
    const StepTable table = DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
    std::vector<std::uint8_t> waveform(kWaveformBytes), histogram(kHistogramBytes);
    ClearPixels(waveform);
    ClearPixels(histogram);
    DrawWaveform(samples, std::span<std::uint8_t, kWaveformBytes>(waveform));
    DrawHistogram(stats.histogram, stats.peak, std::span<std::uint8_t, kHistogramBytes>(histogram));
    const PackedSample packed = PackSamples(samples, table);
    std::ofstream(argv[2], std::ios::binary)
        .write(reinterpret_cast<const char*>(packed.file.data()),
               static_cast<std::streamsize>(packed.file.size()));
    return 0;
}
