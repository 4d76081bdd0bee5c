// Runs the corvane-cli program on WAV files the tests write and checks its output, exit
// status and the files it leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "codec/decoder.h"
#include "codec/depacker_listing.h"
#include "codec/encoder_choice.h"
#include "support/example.h"
#include "support/wav.h"
#include "text/summary.h"
#include "wave/source.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using namespace test;

struct Result {
    int status;
    std::string out, err;
};

class Cli : public ::testing::Test {
  protected:
    fs::path dir = fs::temp_directory_path() /
                   ("corvane-cli-" +
                    std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return Q(name);
    }
    Bytes Read(const std::string& name) const {
        std::ifstream in(dir / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::string Text(const std::string& name) const {
        const Bytes bytes = Read(name);
        return {bytes.begin(), bytes.end()};
    }
    // A path in the test's folder, quoted for the shell.
    std::string Q(const std::string& name) const { return "'" + (dir / name).string() + "'"; }

    Result Run(const std::string& args) const {
        const std::string command = std::string("'") + CORVANE_CLI + "' " + args + " >" +
                                    Q("stdout.txt") + " 2>" + Q("stderr.txt");
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Text("stdout.txt"), Text("stderr.txt")};
    }
};

TEST_F(Cli, WorkedExampleAndInfo) {
    const auto source = Write("example.wav", Wav({1, 1, 8000, 8}, kExampleSource));
    const auto tableWav = Write("table.wav", Wav({1, 1, 8000, 8}, kExampleTableSource));
    const Result pack = Run("pack " + source + " --table-from " + tableWav);
    ASSERT_EQ(pack.status, 0) << pack.err;
    EXPECT_EQ(Read("example.C"), kExampleFile);

    const Result info = Run("info " + tableWav);
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.out,
              "Audio Format: PCM \u2713\nChannels: mono \u2713\nBit Depth: 8 \u2713\n"
              "Sample Rate: 8 000Hz\nData Size: 5bytes\nLength: 0 sec.\n"
              "Gain Span: -45 / +52\nFile Size: 13bytes\nTable: 0 0 1 2 3 4 5 7 11 20 45\n"
              "Histogram Peak: 2\n");
}

// pack, repack and snr give what the core gives, for every coder and shape of source.
TEST_F(Cli, EveryCoderMatchesTheCore) {
    Bytes fmt18 = FmtPayload({1, 1, 8000, 8});
    fmt18.resize(18, 0);
    Bytes chunks;
    PutChunk(chunks, "fmt ", fmt18);
    PutChunk(chunks, "LIST", {'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T'});
    PutChunk(chunks, "data", Tone(1000, 30, 90, 4));
    const std::pair<const char*, Bytes> files[] = {
        {"mono8.wav", Wav({1, 1, 11025, 8}, Tone(3003, 90, 80, 11))},
        {"stereo16.wav", Wav({1, 2, 44100, 16}, Pcm16({100, -900, 3000, 3001, -32768, 32767, 12, 13,
                                                       14, 5000, -5000, 70, 80, 90, 100}))},
        {"list.wav", Riff(chunks)}};
    for (const auto& [name, bytes] : files) {
        Write(name, bytes);
        const LoadedSource loaded = LoadSourceBytes(bytes);
        const auto stats = ComputeDifferenceStats(SamplesOf(loaded.image));
        const StepTable table = DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
        for (const auto& [option, encoder] :
             {std::pair{"", Encoder::Greedy}, std::pair{" --encoder=trellis", Encoder::Trellis},
              std::pair{" --encoder optimal", Encoder::Optimal}}) {
            SCOPED_TRACE(std::string(name) + option);
            ASSERT_EQ(Run("pack " + Q(name) + " -o " + Q("out.C") + option).status, 0);
            EXPECT_EQ(Read("out.C"), PackWithEncoder(encoder, SamplesOf(loaded.image), table).file);
            ASSERT_EQ(Run("repack " + Q(name) + " -o " + Q("r.wav") + option).status, 0);
            Bytes image = loaded.image;
            RepackInPlace(encoder, MutableSamplesOf(image), table);
            EXPECT_EQ(Read("r.wav"), image);
            EXPECT_EQ(Run("snr " + Q(name) + option).out,
                      SnrText(RepackedSnrDb(SamplesOf(loaded.image), SamplesOf(image))) + "\n");
        }
    }
    // Without -o or -d the packed file goes beside its source.
    ASSERT_EQ(Run("pack " + Q("mono8.wav") + " --encoder=greedy").status, 0);
    EXPECT_TRUE(fs::exists(dir / "mono8.C"));
}

TEST_F(Cli, RefusedInputsAreNamedAndTheOthersStillPacked) {
    const auto good = Write("good.wav", Wav({1, 2, 22050, 16}, Bytes(4003, 7)));
    const auto extensible = Write("ext.wav", Wav({0xFFFE, 2, 44100, 16}, Bytes(400, 0)));
    const auto empty = Write("empty.wav", {});
    const auto tiny = Write("tiny.wav", {'R', 'I', 'F', 'F'});
    const auto longWav = Write("long.wav", Wav({1, 1, 44100, 8}, Bytes(262146, 128)));
    Write("longest.wav", Wav({1, 1, 44100, 8}, Bytes(262145, 128)));
    const Result r = Run("pack " + good + " " + extensible + " " + empty + " " + tiny + " " +
                         Q("missing.wav") + " " + longWav + " " + Q("longest.wav"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Read("good.C").size(), 13u + 249u);  // 1000 frames
    EXPECT_EQ(Read("longest.C").size(), 13u + 65535u);
    for (const char* name : {"ext.C", "empty.C", "tiny.C", "missing.C", "long.C"}) {
        EXPECT_FALSE(fs::exists(dir / name)) << name;
    }
    std::istringstream lines(r.err);
    std::vector<std::string> refused;
    for (std::string line; std::getline(lines, line);) refused.push_back(line);
    const std::string prefix = "corvane-cli: " + dir.string() + "/";
    EXPECT_EQ(refused, (std::vector<std::string>{
                           prefix + "ext.wav: not a PCM WAV file",
                           prefix + "empty.wav: the file could not be read: it is empty",
                           prefix + "tiny.wav: not a PCM WAV file",
                           prefix + "missing.wav: the file could not be read: No such file or "
                                    "directory",
                           prefix + "long.wav: too long: its packed data would exceed 65535 bytes",
                       }));

    const Result info = Run("info " + extensible);
    EXPECT_EQ(info.status, 1);
    EXPECT_NE(info.out.find("Audio Format: NOT PCM \u2718\n"), std::string::npos);
    EXPECT_EQ(info.out.find("Gain Span"), std::string::npos);
    const Result described = Run("info " + longWav);
    EXPECT_EQ(described.status, 0);
    EXPECT_NE(described.out.find("File Size: 65 549bytes \u2718\n"), std::string::npos);
}

TEST_F(Cli, WritesReplaceWholeFilesAndFailuresKeepTheOld) {
    const auto source = Write("drum.wav", Wav({1, 1, 8000, 8}, kExampleSource));
    Write("drum.C", Bytes(5000, 0xEE));  // an older, longer file
    ASSERT_EQ(Run("pack " + source).status, 0);
    EXPECT_EQ(Read("drum.C").size(), 16u);

    fs::create_directories(dir / "busy.C");  // a target that cannot be replaced
    const Result busy = Run("pack " + source + " -o " + Q("busy.C"));
    EXPECT_EQ(busy.status, 1);
    EXPECT_NE(busy.err.find("busy.C: cannot write: "), std::string::npos) << busy.err;
    EXPECT_TRUE(fs::is_directory(dir / "busy.C"));
    EXPECT_EQ(Run("pack " + source + " -d " + Q("no/such/dir")).status, 1);
    EXPECT_EQ(Run("unpack " + Q("missing.C") + " -o " + Q("x.wav")).status, 1);

    // Several processes packing into one folder at once, as a parallel build does.
    std::string batch;
    for (int n = 0; n < 8; ++n) {
        const std::string name = "s" + std::to_string(n);
        Write(name + ".wav", Wav({1, 1, 8000, 8}, Tone(40001, 20 + n, 90)));
        batch += "'" + std::string(CORVANE_CLI) + "' pack " + Q(name + ".wav") + " -o " +
                 Q("all.C") + " & '" + CORVANE_CLI + "' pack " + Q(name + ".wav") + " & ";
    }
    ASSERT_EQ(std::system(("(" + batch + "wait)").c_str()), 0);
    const Bytes all = Read("all.C");
    ASSERT_EQ(all.size(), 13u + 9999u);
    bool oneOfThem = false;
    for (int n = 0; n < 8; ++n) {
        const Bytes own = Read("s" + std::to_string(n) + ".C");
        EXPECT_EQ(own.size(), 13u + 9999u);
        oneOfThem = oneOfThem || own == all;
    }
    EXPECT_TRUE(oneOfThem);
    for (const auto& entry : fs::directory_iterator(dir)) {
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
}

TEST_F(Cli, UnpackAndTheListing) {
    Write("example.C", kExampleFile);
    ASSERT_EQ(Run("unpack " + Q("example.C") + " -o " + Q("u.wav") + " --rate 11025").status, 0);
    const Bytes unpacked = Read("u.wav");
    EXPECT_EQ(Bytes(unpacked.begin() + 44, unpacked.end()), kExampleDecoded);
    EXPECT_EQ(WaveHeader::From(unpacked).SampleRate(), 11025u);
    EXPECT_EQ(WaveHeader::From(unpacked).DataSize(), 13u);
    ASSERT_EQ(Run("unpack " + Q("example.C") + " -o " + Q("d.wav")).status, 0);
    EXPECT_EQ(WaveHeader::From(Read("d.wav")).SampleRate(), 22050u);

    Write("bad.C", Bytes{5, 0, 1, 2, 3});
    const Result bad = Run("unpack " + Q("bad.C") + " -o " + Q("x.wav"));
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("not a packed sample file"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "x.wav"));

    const std::string listing = DepackerListing();
    ASSERT_EQ(Run("depacker -o " + Q("Depacker.txt")).status, 0);
    EXPECT_EQ(Text("Depacker.txt"), listing);
    const Result out = Run("depacker -o -");
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.out, listing);
}

TEST_F(Cli, UsageErrors) {
    const auto wav = Write("a.wav", Wav({1, 1, 8000, 8}, kExampleSource));
    for (const std::string& args :
         {std::string(""), std::string("frobnicate"), std::string("pack"),
          "pack " + wav + " " + wav + " -o x.C", "pack --bogus " + wav, std::string("info"),
          "repack " + wav, std::string("unpack x.C -o y.wav --rate abc"),
          std::string("unpack x.C -o y.wav --rate 0"), "pack " + wav + " -o",
          "pack " + wav + " -o x.C -d y", "pack " + wav + " --encoder=fast", std::string("snr"),
          std::string("depacker extra")}) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("corvane-cli: "), std::string::npos) << args;
    }
    EXPECT_EQ(Run("--help").status, 0);
    EXPECT_EQ(Run("--version").out, "corvane-cli 1.0.0\n");
}

}  // namespace
}  // namespace corvane
