// Runs the corvane-cli program on WAV files the tests write and checks its
// output, exit status and the files it leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/statistics.h"
#include "codec/decoder.h"
#include "codec/depacker_listing.h"
#include "codec/encoder.h"
#include "codec/encoder_choice.h"
#include "codec/packed_format.h"
#include "codec/trellis.h"
#include "wav_builder.h"
#include "wave/source.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct Result {
    int status;
    std::string out, err;
};

class Cli : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("corvane-cli-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Path(const std::string& name) const { return dir_ / name; }

    fs::path Write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(Path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return Path(name);
    }

    static Bytes Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    Result Run(const std::string& args) const {
        const auto out = Path("stdout.txt"), err = Path("stderr.txt");
        const std::string command = std::string("'") + CORVANE_CLI + "' " + args + " >'" +
                                    out.string() + "' 2>'" + err.string() + "'";
        const int raw = std::system(command.c_str());
        Result r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, "", ""};
        const Bytes o = Read(out), e = Read(err);
        r.out.assign(o.begin(), o.end());
        r.err.assign(e.begin(), e.end());
        return r;
    }

    std::string Q(const fs::path& p) const { return "'" + p.string() + "'"; }

    fs::path dir_;
};

const Bytes kExampleSource = {128, 140, 160, 170, 165, 150, 120, 100, 90, 95, 110, 128, 128, 200};

// Differences -45 and +52 twice each: the table 0 0 1 2 3 4 5 7 11 20 45.
const Bytes kTableSource = {128, 83, 135, 90, 142};

TEST_F(Cli, PackWorkedExampleGivesTheExactFile) {
    const auto source = Write("example.wav", test::CanonicalWav({1, 1, 8000, 8}, kExampleSource));
    const auto tableWav = Write("table.wav", test::CanonicalWav({1, 1, 8000, 8}, kTableSource));
    const Result r = Run("pack " + Q(source) + " --table-from " + Q(tableWav));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read(Path("example.C")),
              (Bytes{0x03, 0x00, 0, 0, 1, 2, 3, 4, 5, 7, 11, 20, 45, 0x55, 0x7F, 0x90}));
}

TEST_F(Cli, InfoPrintsTheWindowTexts) {
    const auto source = Write("table.wav", test::CanonicalWav({1, 1, 8000, 8}, kTableSource));
    const Result r = Run("info " + Q(source));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Audio Format: PCM \u2713\nChannels: mono \u2713\nBit Depth: 8 \u2713\n"
              "Sample Rate: 8 000Hz\nData Size: 5bytes\nLength: 0 sec.\n"
              "Gain Span: -45 / +52\nFile Size: 13bytes\nTable: 0 0 1 2 3 4 5 7 11 20 45\n"
              "Histogram Peak: 2\n");
}

TEST_F(Cli, RefusedInputsAreNamedAndTheOthersStillPacked) {
    const auto good = Write("good.wav", test::CanonicalWav({1, 2, 22050, 16}, Bytes(4003, 7)));
    const auto extensible =
        Write("ext.wav", test::CanonicalWav({0xFFFE, 2, 44100, 16}, Bytes(400, 0)));
    const auto empty = Write("empty.wav", {});
    const auto tiny = Write("tiny.wav", {'R', 'I', 'F', 'F'});
    const Result r = Run("pack " + Q(good) + " " + Q(extensible) + " " + Q(empty) + " " + Q(tiny) +
                         " " + Q(Path("missing.wav")));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(fs::exists(Path("good.C")));
    for (const char* name : {"ext.C", "empty.C", "tiny.C", "missing.C"})
        EXPECT_FALSE(fs::exists(Path(name))) << name;
    std::istringstream lines(r.err);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        EXPECT_EQ(line.rfind("corvane-cli: " + dir_.string(), 0), 0u) << line;
    }
    EXPECT_EQ(count, 4);
    EXPECT_NE(r.err.find("empty.wav: the file is empty"), std::string::npos);

    const Result info = Run("info " + Q(extensible));
    EXPECT_EQ(info.status, 1);
    EXPECT_NE(info.out.find("Audio Format: NOT PCM \u2718\n"), std::string::npos);
    EXPECT_EQ(info.out.find("Gain Span"), std::string::npos);
}

TEST_F(Cli, PackedBytesMatchTheCoreForEveryShapeOfSource) {
    std::vector<std::pair<std::string, Bytes>> files;
    files.emplace_back(
        "mono8.wav",
        test::CanonicalWav({1, 1, 11025, 8}, Bytes{1, 50, 200, 3, 90, 91, 92, 93, 250, 7, 8}));
    files.emplace_back(
        "stereo16odd.wav",
        test::CanonicalWav({1, 2, 44100, 16},
                           test::Pcm16({100, -900, 3000, 3001, -32768, 32767, 12, 13, 14})));
    auto fmt = test::FmtPayload({1, 1, 8000, 8});
    fmt.resize(18, 0);
    Bytes chunks;
    test::PutChunk(chunks, "fmt ", fmt);
    test::PutChunk(chunks, "LIST", {'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T'});
    test::PutChunk(chunks, "data", Bytes{128, 129, 140, 120, 128, 90, 60, 61, 62, 200});
    files.emplace_back("list.wav", test::Riff(chunks));

    for (const auto& [name, bytes] : files) {
        Write(name, bytes);
        const Result r = Run("pack " + Q(Path(name)) + " -d " + Q(dir_));
        ASSERT_EQ(r.status, 0) << name << r.err;
        const LoadedSource loaded = LoadSourceBytes(bytes);
        const auto samples = SamplesOf(loaded.image);
        const auto stats = ComputeDifferenceStats(samples);
        const auto expected =
            PackSamples(samples, DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh));
        const std::string packedName = name.substr(0, name.size() - 3) + "C";
        EXPECT_EQ(Read(Path(packedName)), expected.file) << name;
    }
}

TEST_F(Cli, TooLongSourceIsRefusedButDescribed) {
    const auto longWav =
        Write("long.wav", test::CanonicalWav({1, 1, 44100, 8}, Bytes(262146, 128)));
    const Result pack = Run("pack " + Q(longWav));
    EXPECT_EQ(pack.status, 1);
    EXPECT_NE(pack.err.find("too long"), std::string::npos);
    EXPECT_FALSE(fs::exists(Path("long.C")));
    const Result info = Run("info " + Q(longWav));
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("File Size: 65 549bytes \u2718\n"), std::string::npos);

    Write("longest.wav", test::CanonicalWav({1, 1, 44100, 8}, Bytes(262145, 128)));
    EXPECT_EQ(Run("pack " + Q(Path("longest.wav"))).status, 0);
    EXPECT_EQ(Read(Path("longest.C")).size(), 13u + 65535u);
}

TEST_F(Cli, WritesReplaceWholeFilesAndFailuresKeepTheOld) {
    const auto source = Write("drum.wav", test::CanonicalWav({1, 1, 8000, 8}, kExampleSource));
    Write("drum.C", Bytes(5000, 0xEE));  // an older, longer file
    ASSERT_EQ(Run("pack " + Q(source)).status, 0);
    EXPECT_EQ(Read(Path("drum.C")).size(), 16u);

    fs::create_directories(Path("busy.C"));  // a target that cannot be replaced
    const Result r = Run("pack " + Q(source) + " -o " + Q(Path("busy.C")));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(fs::is_directory(Path("busy.C")));
    EXPECT_EQ(Run("pack " + Q(source) + " -d " + Q(Path("no/such/dir"))).status, 1);
    for (const auto& entry : fs::directory_iterator(dir_)) {
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
    }
}

TEST_F(Cli, RepackAndUnpackRoundTrip) {
    const Bytes source = {10, 60, 90, 140, 180, 200, 190, 150, 120, 100, 80, 81, 82, 255, 3};
    const auto wav = Write("s.wav", test::CanonicalWav({1, 1, 11025, 8}, source));
    ASSERT_EQ(Run("pack " + Q(wav)).status, 0);
    const Bytes packed = Read(Path("s.C"));
    const auto view = ParsePackedFile(packed);
    ASSERT_TRUE(view);

    ASSERT_EQ(Run("unpack " + Q(Path("s.C")) + " -o " + Q(Path("u.wav")) + " --rate 11025").status,
              0);
    const LoadedSource unpacked = LoadSourceBytes(Read(Path("u.wav")));
    ASSERT_TRUE(unpacked.valid);
    EXPECT_EQ(unpacked.facts[3], L"Sample Rate: 11 025Hz");
    const auto decoded = DecodeSamples(view->data, view->table);
    ASSERT_EQ(decoded.size(), 13u);
    EXPECT_TRUE(std::ranges::equal(SamplesOf(unpacked.image), decoded));

    ASSERT_EQ(Run("repack " + Q(wav) + " -o " + Q(Path("r.wav"))).status, 0);
    const Bytes repacked = Read(Path("r.wav"));
    ASSERT_EQ(repacked.size(), 44u + source.size());
    EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), repacked.begin() + 44));
    EXPECT_EQ(repacked[44 + 13], 255);  // the samples without codes keep their values
    EXPECT_EQ(repacked[44 + 14], 3);

    Write("bad.C", Bytes{5, 0, 1, 2, 3});
    const Result bad = Run("unpack " + Q(Path("bad.C")) + " -o " + Q(Path("x.wav")));
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("not a packed sample file"), std::string::npos);
    EXPECT_FALSE(fs::exists(Path("x.wav")));
}

// The three encoders through pack, repack and snr; greedy stays the default.
TEST_F(Cli, EncoderOptionAndSnr) {
    Bytes source(3003);
    for (std::size_t i = 0; i < source.size(); ++i) {
        const double v = 128 + 80 * std::sin(static_cast<double>(i) * 0.07) +
                         static_cast<double>(i * 7919 % 23) - 11.0;
        source[i] = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
    }
    const auto wav = Write("e.wav", test::CanonicalWav({1, 1, 22050, 8}, source));
    const DifferenceStats stats = ComputeDifferenceStats(source);
    const StepTable table = DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);

    ASSERT_EQ(Run("pack " + Q(wav)).status, 0);
    EXPECT_EQ(Read(Path("e.C")), PackSamples(source, table).file);
    ASSERT_EQ(Run("pack " + Q(wav) + " --encoder=greedy -o " + Q(Path("g.C"))).status, 0);
    EXPECT_EQ(Read(Path("g.C")), Read(Path("e.C")));
    ASSERT_EQ(Run("pack " + Q(wav) + " --encoder trellis -o " + Q(Path("t.C"))).status, 0);
    const Bytes trellis = Read(Path("t.C"));
    EXPECT_EQ(trellis, PackSamplesTrellis(source, table).file);

    ASSERT_EQ(Run("repack " + Q(wav) + " --encoder=trellis -o " + Q(Path("t.wav"))).status, 0);
    const Bytes repacked = Read(Path("t.wav"));
    const auto view = ParsePackedFile(trellis);
    ASSERT_TRUE(view);
    const auto decoded = DecodeSamples(view->data, view->table);
    ASSERT_EQ(repacked.size(), 44u + source.size());
    EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), repacked.begin() + 44));

    double previous = -1000;
    for (const std::string encoder : {"greedy", "trellis", "optimal"}) {
        const Result r = Run("snr " + Q(wav) + " --encoder=" + encoder);
        ASSERT_EQ(r.status, 0) << encoder;
        ASSERT_EQ(r.out.rfind("SNR: ", 0), 0u) << r.out;
        ASSERT_EQ(r.out.substr(r.out.size() - 4), " dB\n") << r.out;
        const double snr = std::stod(r.out.substr(5));
        EXPECT_GE(snr, previous) << encoder;
        previous = snr;
        if (encoder == "trellis") {
            Bytes image = source;
            std::copy(decoded.begin(), decoded.end(), image.begin());
            char expected[64];
            std::snprintf(expected, sizeof expected, "SNR: %.2f dB\n",
                          RepackedSnrDb(source, image));
            EXPECT_EQ(r.out, expected);
        }
    }
    EXPECT_EQ(Run("snr " + Q(wav)).out, Run("snr " + Q(wav) + " --encoder=greedy").out);
    EXPECT_EQ(Run("pack " + Q(wav) + " --encoder=fast").status, 2);
    EXPECT_EQ(Run("snr").status, 2);
}

TEST_F(Cli, DepackerListingToFileAndStdout) {
    ASSERT_EQ(Run("depacker -o " + Q(Path("Depacker.txt"))).status, 0);
    const std::string listing = DepackerListing();
    EXPECT_EQ(Read(Path("Depacker.txt")), Bytes(listing.begin(), listing.end()));
    const Result r = Run("depacker -o -");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, listing);
}

TEST_F(Cli, UsageErrors) {
    const auto wav = Write("a.wav", test::CanonicalWav({1, 1, 8000, 8}, kExampleSource));
    for (const std::string& args : std::vector<std::string>{
             "", "frobnicate", "pack", "pack " + Q(wav) + " " + Q(wav) + " -o x.C",
             "pack --bogus " + Q(wav), "info", "repack " + Q(wav), "unpack x.C -o y.wav --rate abc",
             "pack " + Q(wav) + " -o"}) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_FALSE(r.err.empty()) << args;
    }
    EXPECT_EQ(Run("--help").status, 0);
    EXPECT_EQ(Run("--version").out, "corvane-cli " CORVANE_VERSION "\n");
}

}  // namespace
}  // namespace corvane
