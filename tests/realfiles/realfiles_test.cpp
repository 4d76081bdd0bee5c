// WAV files written by real tools (sox, espeak-ng, ffmpeg), made at test time: each is taken or
// refused as it should be, its facts are right, and what is taken packs and unpacks to the
// encoder's own tracked amplitudes.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "codec/decoder.h"
#include "codec/encoder.h"
#include "text/digit_groups.h"
#include "text/facts.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct RealFile {
    std::string name;
    std::string command;  // writes the file; "OUT" stands for its path
    bool accepted;
    unsigned rate, channels, bits;
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
        {"sox_8000_u8_mono.wav", Sox(8000, 1, 8, 1.0), true, 8000, 1, 8},
        {"sox_11025_u8_stereo.wav", Sox(11025, 2, 8, 0.5), true, 11025, 2, 8},
        {"sox_22050_s16_mono.wav", Sox(22050, 1, 16, 1.5), true, 22050, 1, 16},
        {"sox_44100_s16_stereo.wav", Sox(44100, 2, 16, 2.0), true, 44100, 2, 16},
        {"sox_96000_s16_mono.wav", Sox(96000, 1, 16, 0.25), true, 96000, 1, 16},
        // sox writes the extensible format for 24 bits and for 3 channels.
        {"sox_8000_s24_mono.wav", Sox(8000, 1, 24, 0.5), false, 8000, 1, 24},
        {"sox_16000_s16_3ch.wav", Sox(16000, 3, 16, 0.5), false, 16000, 3, 16},
        {"sox_8000_f32_mono.wav", Sox(8000, 1, 32, 0.5, "-e floating-point"), false, 8000, 1, 32},
        {"espeak_speech.wav", Espeak("", "Corvane packs sound for the General Sound card."), true,
         22050, 1, 16},
        {"espeak_fast_high.wav", Espeak("-s 260 -p 80", "Four samples to a byte."), true, 22050, 1,
         16},
        // ffmpeg puts a LIST chunk before the data, and writes 16-bit PCM above 48 kHz as
        // the extensible format.
        {"ffmpeg_32000_s16_stereo.wav", Ffmpeg(32000, 2, "pcm_s16le", 0.75), true, 32000, 2, 16},
        {"ffmpeg_11025_u8_mono.wav", Ffmpeg(11025, 1, "pcm_u8", 0.5), true, 11025, 1, 8},
        {"ffmpeg_96000_s16_stereo.wav", Ffmpeg(96000, 2, "pcm_s16le", 0.5), true, 96000, 2, 16},
        {"ffmpeg_48000_s24_mono.wav", Ffmpeg(48000, 1, "pcm_s24le", 0.5), false, 48000, 1, 24},
    };
    return files;
}

fs::path WorkDir() { return CORVANE_REALFILES_DIR; }

Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What a tool prints about `file` (its command with "IN" standing for the file's path).
std::string ToolSays(std::string command, const fs::path& file) {
    const fs::path out = WorkDir() / (file.filename().string() + ".said");
    command.replace(command.find("IN"), 2, Quote(file.string()));
    if (std::system((command + " > " + Quote(out.string()) + " 2>&1").c_str()) != 0) return {};
    std::ifstream in(out);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RealFiles : public ::testing::TestWithParam<RealFile> {
  protected:
    static void SetUpTestSuite() {
        fs::create_directories(WorkDir());
        for (const RealFile& f : Files()) {
            std::string command = f.command;
            command.replace(command.find("OUT"), 3, Quote((WorkDir() / f.name).string()));
            if (std::system((command + " > /dev/null 2>&1").c_str()) != 0)
                fs::remove(WorkDir() / f.name);
        }
    }
};

TEST_P(RealFiles, TakenOrRefusedWithTheRightFacts) {
    const RealFile& f = GetParam();
    const fs::path path = WorkDir() / f.name;
    ASSERT_TRUE(fs::exists(path)) << "the tool did not write " << path;
    const std::size_t frames = std::stoul(ToolSays(Quote(CORVANE_SOXI) + " -s IN", path));
    ASSERT_GT(frames, 0u);

    const LoadedSource loaded = LoadSourceBytes(ReadBytes(path));
    EXPECT_EQ(loaded.Valid(), f.accepted);
    const std::uint32_t dataSize = static_cast<std::uint32_t>(frames * f.channels * (f.bits / 8));
    const std::string ok = " \u2713", bad = " \u2718";
    const FileFacts expected = {
        // Every refused file here is extensible or floating-point.
        f.accepted ? "Audio Format: PCM" + ok : "Audio Format: NOT PCM" + bad,
        f.channels == 1   ? "Channels: mono" + ok
        : f.channels == 2 ? "Channels: stereo" + ok
                          : "Channels: " + std::to_string(f.channels) + bad,
        "Bit Depth: " + std::to_string(f.bits) + (f.bits == 8 || f.bits == 16 ? ok : bad),
        "Sample Rate: " + FormatDigitGroups(f.rate) + "Hz",
        "Data Size: " + FormatDigitGroups(dataSize) + "bytes",
        "Length: " + std::to_string(dataSize / (f.bits / 8) / f.rate / f.channels) + " sec."};
    EXPECT_EQ(FactLinesOf(loaded), expected);
    if (!f.accepted) return;

    // One 8-bit mono sample per frame; the loudest where sox's own measure puts them (the
    // 8-bit value drops the low byte, so it may sit one step lower).
    const std::span<const std::uint8_t> samples = SamplesOf(loaded.image);
    ASSERT_EQ(samples.size(), frames);
    const WaveHeader header = WaveHeader::From(loaded.image);
    EXPECT_EQ(header.Channels(), 1);
    EXPECT_EQ(header.BitsPerSample(), 8);
    EXPECT_EQ(header.SampleRate(), f.rate);
    const std::string stat = ToolSays(Quote(CORVANE_SOX) + " IN -n stat", path);
    const auto peak = [&stat](const char* label) {
        const std::size_t at = stat.find(label);
        return at == std::string::npos ? -1.0 : std::stod(stat.substr(stat.find(':', at) + 1));
    };
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    EXPECT_NEAR(*low, std::floor(128 + 128 * peak("Minimum amplitude")), 1);
    EXPECT_NEAR(*high, std::floor(128 + 128 * peak("Maximum amplitude")), 1);
    EXPECT_LT(*low, *high);

    const DifferenceStats stats = ComputeDifferenceStats(samples);
    std::vector<std::uint8_t> tracked;
    const PackedSample packed =
        PackSamples(samples, DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh), &tracked);
    const auto view = ParsePackedFile(packed.file);
    ASSERT_TRUE(view.has_value());
    const Bytes decoded = DecodeSamples(view->data, view->table);
    ASSERT_EQ(decoded.size(), tracked.size() + 1);
    EXPECT_TRUE(std::equal(tracked.begin(), tracked.end(), decoded.begin() + 1));
}

INSTANTIATE_TEST_SUITE_P(Tools, RealFiles, ::testing::ValuesIn(Files()),
                         [](const ::testing::TestParamInfo<RealFile>& param) {
                             return param.param.name.substr(0, param.param.name.find('.'));
                         });

// ffmpeg's extensible 96 kHz file is the PCM file sox makes of it, byte for byte when packed.
TEST(RealFilesExtensible, PacksAsSoxsPlainPcm) {
    const fs::path extensible = WorkDir() / "x96000.wav", plain = WorkDir() / "p96000.wav";
    fs::create_directories(WorkDir());  // this test may run first
    std::string command = Ffmpeg(96000, 2, "pcm_s16le", 0.6);
    command.replace(command.find("OUT"), 3, Quote(extensible.string()));
    ASSERT_EQ(std::system(command.c_str()), 0);
    ASSERT_EQ(ReadBytes(extensible)[20], 0xFE);  // it is extensible
    ASSERT_EQ(std::system((Quote(CORVANE_SOX) + " " + Quote(extensible.string()) + " " +
                           Quote(plain.string()))
                              .c_str()),
              0);
    ASSERT_EQ(ReadBytes(plain)[20], 1);
    const auto packed = [](const fs::path& path) {
        const LoadedSource loaded = LoadSourceBytes(ReadBytes(path));
        const DifferenceStats stats = ComputeDifferenceStats(SamplesOf(loaded.image));
        return PackSamples(SamplesOf(loaded.image),
                           DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh))
            .file;
    };
    EXPECT_GT(packed(plain).size(), 13u);
    EXPECT_EQ(packed(extensible), packed(plain));
}

}  // namespace
}  // namespace corvane
