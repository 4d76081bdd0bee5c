// WAV files written by real tools (sox, espeak-ng, ffmpeg), made at test time:
// each is accepted or refused as it should be, its facts are right, and what
// is accepted packs and unpacks to the encoder's own tracked amplitudes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "codec/decoder.h"
#include "codec/encoder.h"
#include "text/digit_groups.h"
#include "text/facts.h"
#include "wave/source.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct RealFile {
    std::string name;
    std::string command;  // writes the file; "OUT" stands for its path
    bool accepted;
    bool pcm;  // the format field says plain PCM (not float, not extensible)
    unsigned rate, channels, bits;
    bool listBeforeData = false;
};

std::string Quote(const std::string& s) { return "'" + s + "'"; }

std::string Sox(unsigned rate, unsigned channels, unsigned bits, double seconds,
                const char* encoding = "") {
    return Quote(CORVANE_SOX) + " -n -r " + std::to_string(rate) + " -c " +
           std::to_string(channels) + " -b " + std::to_string(bits) + " " + encoding +
           " OUT synth " + std::to_string(seconds) + " sine 440";
}

std::string Ffmpeg(unsigned rate, unsigned channels, const char* codec, double seconds) {
    return Quote(CORVANE_FFMPEG) +
           " -v error -y -f lavfi -i sine=frequency=300:duration=" + std::to_string(seconds) +
           ":sample_rate=" + std::to_string(rate) + " -ac " + std::to_string(channels) + " -c:a " +
           codec + " OUT";
}

std::string Espeak(const char* options, const char* text) {
    return Quote(CORVANE_ESPEAK) + " " + options + " -w OUT " + Quote(text);
}

const std::vector<RealFile>& Files() {
    static const std::vector<RealFile> files = {
        {"sox_8000_u8_mono.wav", Sox(8000, 1, 8, 1.0), true, true, 8000, 1, 8},
        {"sox_11025_u8_stereo.wav", Sox(11025, 2, 8, 0.5), true, true, 11025, 2, 8},
        {"sox_22050_s16_mono.wav", Sox(22050, 1, 16, 1.5), true, true, 22050, 1, 16},
        {"sox_44100_s16_stereo.wav", Sox(44100, 2, 16, 2.0), true, true, 44100, 2, 16},
        {"sox_48000_s16_stereo.wav", Sox(48000, 2, 16, 0.9), true, true, 48000, 2, 16},
        {"sox_96000_s16_mono.wav", Sox(96000, 1, 16, 0.25), true, true, 96000, 1, 16},
        // sox writes the extensible format for 24 bits and for 3 channels.
        {"sox_8000_s24_mono.wav", Sox(8000, 1, 24, 0.5), false, false, 8000, 1, 24},
        {"sox_16000_s16_3ch.wav", Sox(16000, 3, 16, 0.5), false, false, 16000, 3, 16},
        {"sox_8000_f32_mono.wav", Sox(8000, 1, 32, 0.5, "-e floating-point"), false, false, 8000, 1,
         32},
        {"espeak_speech.wav", Espeak("", "Corvane packs sound for the General Sound card."), true,
         true, 22050, 1, 16},
        {"espeak_fast_high.wav", Espeak("-s 260 -p 80", "Four samples to a byte."), true, true,
         22050, 1, 16},
        {"ffmpeg_32000_s16_stereo.wav", Ffmpeg(32000, 2, "pcm_s16le", 0.75), true, true, 32000, 2,
         16, true},
        {"ffmpeg_11025_u8_mono.wav", Ffmpeg(11025, 1, "pcm_u8", 0.5), true, true, 11025, 1, 8,
         true},
        {"ffmpeg_48000_s24_mono.wav", Ffmpeg(48000, 1, "pcm_s24le", 0.5), false, false, 48000, 1,
         24},
    };
    return files;
}

fs::path WorkDir() { return CORVANE_REALFILES_DIR; }

Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What sox itself reads from the file: the number of frames.
std::size_t FramesBySoxi(const fs::path& file) {
    const fs::path out = WorkDir() / (file.filename().string() + ".frames");
    const std::string command =
        Quote(CORVANE_SOXI) + " -s " + Quote(file.string()) + " > " + Quote(out.string());
    if (std::system(command.c_str()) != 0) return 0;
    std::ifstream in(out);
    std::size_t frames = 0;
    in >> frames;
    return frames;
}

// The peaks sox measures in the file, as 8-bit unsigned values (sox scales
// every width to -1..1).
std::pair<int, int> PeaksBySox(const fs::path& file) {
    const fs::path out = WorkDir() / (file.filename().string() + ".stat");
    const std::string command =
        Quote(CORVANE_SOX) + " " + Quote(file.string()) + " -n stat 2> " + Quote(out.string());
    if (std::system(command.c_str()) != 0) return {-1, -1};
    std::ifstream in(out);
    double low = -2, high = -2;
    for (std::string line; std::getline(in, line);) {
        const auto value = [&line] { return std::stod(line.substr(line.find(':') + 1)); };
        if (line.starts_with("Minimum amplitude:")) low = value();
        if (line.starts_with("Maximum amplitude:")) high = value();
    }
    return {static_cast<int>(std::floor(128 + 128 * low)),
            static_cast<int>(std::floor(128 + 128 * high))};
}

class RealFiles : public ::testing::TestWithParam<RealFile> {
  protected:
    static void SetUpTestSuite() {
        fs::create_directories(WorkDir());
        for (const RealFile& f : Files()) {
            const fs::path path = WorkDir() / f.name;
            fs::remove(path);
            std::string command = f.command;
            command.replace(command.find("OUT"), 3, Quote(path.string()));
            command += " > " + Quote(path.string() + ".log") + " 2>&1";
            if (std::system(command.c_str()) != 0) fs::remove(path);
        }
    }
};

TEST_P(RealFiles, AcceptedOrRefusedWithTheRightFacts) {
    const RealFile& f = GetParam();
    const fs::path path = WorkDir() / f.name;
    ASSERT_TRUE(fs::exists(path)) << "the tool did not write " << path << "; see its .log";
    const Bytes file = ReadBytes(path);
    if (f.listBeforeData) {
        // The chunk walk has something to walk past: a LIST chunk before "data".
        const std::string text(file.begin(), file.end());
        ASSERT_NE(text.find("LIST"), std::string::npos);
        ASSERT_LT(text.find("LIST"), text.find("data"));
    }
    const std::size_t frames = FramesBySoxi(path);
    ASSERT_GT(frames, 0u);

    const LoadedSource loaded = LoadSourceBytes(file);
    EXPECT_EQ(loaded.Valid(), f.accepted);
    const std::uint32_t dataSize = static_cast<std::uint32_t>(frames * f.channels * (f.bits / 8));
    const bool bitsOk = f.bits == 8 || f.bits == 16;
    const std::string ok = " \u2713", bad = " \u2718";
    const FileFacts expected = {
        f.pcm ? "Audio Format: PCM" + ok : "Audio Format: NOT PCM" + bad,
        f.channels == 1   ? "Channels: mono" + ok
        : f.channels == 2 ? "Channels: stereo" + ok
                          : "Channels: " + std::to_string(f.channels) + bad,
        "Bit Depth: " + std::to_string(f.bits) + (bitsOk ? ok : bad),
        "Sample Rate: " + FormatDigitGroups(f.rate) + "Hz",
        "Data Size: " + FormatDigitGroups(dataSize) + "bytes",
        "Length: " + std::to_string(dataSize / (f.bits / 8) / f.rate / f.channels) + " sec."};
    EXPECT_EQ(FactLinesOf(loaded), expected);
    if (!f.accepted) return;

    // Normalised to one 8-bit mono sample per frame.
    const std::span<const std::uint8_t> samples = SamplesOf(loaded.image);
    ASSERT_EQ(samples.size(), frames);
    const WaveHeader header = WaveHeader::From(loaded.image);
    EXPECT_EQ(header.Channels(), 1);
    EXPECT_EQ(header.BitsPerSample(), 8);
    EXPECT_EQ(header.SampleRate(), f.rate);
    EXPECT_EQ(header.DataSize(), frames);
    // The loudest samples land where sox's own measure puts them (the 8-bit
    // value drops the low byte, so it may sit one step lower).
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    const auto [soxLow, soxHigh] = PeaksBySox(path);
    EXPECT_NEAR(*low, soxLow, 1);
    EXPECT_NEAR(*high, soxHigh, 1);
    EXPECT_LT(*low, *high);

    const DifferenceStats stats = ComputeDifferenceStats(samples);
    const StepTable table = DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
    std::vector<std::uint8_t> tracked;
    const PackedSample packed = PackSamples(samples, table, &tracked);
    ASSERT_TRUE(packed.storable);
    ASSERT_EQ(tracked.size(), 4 * PackedDataLength(samples.size()));
    const auto view = ParsePackedFile(packed.file);
    ASSERT_TRUE(view.has_value());
    const Bytes decoded = DecodeSamples(view->data, view->table);
    ASSERT_EQ(decoded.size(), tracked.size() + 1);
    EXPECT_EQ(decoded[0], 128);
    EXPECT_TRUE(std::equal(tracked.begin(), tracked.end(), decoded.begin() + 1));
}

INSTANTIATE_TEST_SUITE_P(Tools, RealFiles, ::testing::ValuesIn(Files()),
                         [](const ::testing::TestParamInfo<RealFile>& param) {
                             std::string name = param.param.name;
                             name = name.substr(0, name.find('.'));
                             return name;
                         });

}  // namespace
}  // namespace corvane
