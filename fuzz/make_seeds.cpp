// Writes the fuzzer's seed corpus: small WAV files of every layout the loader
// knows (and some it refuses) and packed files, one file each, into argv[1].
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../tests/support/wav.h"
#include "analysis/step_table.h"
#include "codec/encoder.h"

namespace {

using namespace corvane::test;

Bytes SeedTone(std::size_t count, unsigned bytesPerValue) {
    Bytes b;
    for (std::size_t i = 0; i < count; ++i) {
        const double v = std::sin(static_cast<double>(i) * 0.3) * 0.8;
        if (bytesPerValue == 1) {
            b.push_back(static_cast<std::uint8_t>(128 + v * 100));
        } else {
            const auto s = static_cast<std::uint32_t>(static_cast<std::int32_t>(v * 30000));
            for (unsigned k = 0; k < bytesPerValue; ++k)
                b.push_back(static_cast<std::uint8_t>(s >> (8 * k)));
        }
    }
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SEED_DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    auto write = [&dir](const std::string& name, const Bytes& bytes) {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    };

    write("mono8.wav", Wav({1, 1, 8000, 8}, SeedTone(300, 1)));
    write("mono16.wav", Wav({1, 1, 22050, 16}, SeedTone(300, 2)));
    write("stereo8.wav", Wav({1, 2, 11025, 8}, SeedTone(301, 1)));
    write("stereo16.wav", Wav({1, 2, 44100, 16}, SeedTone(400, 2)));
    write("mono24.wav", Wav({1, 1, 48000, 24}, SeedTone(100, 3)));
    write("three_channels.wav", Wav({1, 3, 8000, 8}, SeedTone(90, 1)));
    write("float.wav", Wav({3, 1, 8000, 32}, SeedTone(50, 4)));
    write("header_only.wav", Wav({1, 1, 8000, 8}, {}));

    // A LIST chunk before the data and an 18-byte format chunk, as other tools write.
    Bytes chunks;
    Bytes fmt = FmtPayload({1, 2, 16000, 16});
    fmt.insert(fmt.end(), {0, 0});
    PutChunk(chunks, "fmt ", fmt);
    PutChunk(chunks, "LIST", {'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T', 3, 0, 0, 0, 'x', 'y', 0});
    PutChunk(chunks, "data", SeedTone(200, 2));
    write("list_chunk.wav", Riff(chunks));

    Bytes truncated = Wav({1, 1, 8000, 16}, SeedTone(100, 2));
    truncated.resize(30);
    write("truncated.wav", truncated);

    const corvane::StepTable table = {0, 0, 1, 2, 3, 4, 5, 7, 11, 20, 45};
    write("worked_example.C",
          corvane::PackSamples(
              Bytes{128, 140, 160, 170, 165, 150, 120, 100, 90, 95, 110, 128, 128, 200}, table)
              .file);
    write("tone.C",
          corvane::PackSamples(SeedTone(1000, 1), corvane::DeriveStepTable(-30, 30)).file);
    return 0;
}
