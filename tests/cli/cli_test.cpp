// Runs the corvane-cli program on WAV files the tests write and checks its output, exit
// status and the files it leaves behind.
#include <gtest/gtest.h>
#include <unistd.h>

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
                   ("corvane-cli-" + std::to_string(getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
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

    // The program as the shell starts it: the native build, or the Windows build under Wine.
    static std::string Program() {
        const char* command = std::getenv("CORVANE_CLI_COMMAND");
        return command != nullptr ? command : "'" CORVANE_CLI "'";
    }

    Result Run(const std::string& args, const std::string& input = "/dev/null") const {
        const std::string command = Program() + " " + args + " <" + input + " >" + Q("stdout.txt") +
                                    " 2>" + Q("stderr.txt");
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
              "Histogram Peak: 2\nCard Receives: 262 144 samples (a file without data runs the "
              "depacker over 65 536 bytes)\nStreaming Time: at least 14.4 s at 3.5 MHz\n"
              "Host Memory: fits one 16 KB page\nLoad Address: low byte at most #F3\n");
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
            const Result pack = Run("pack " + Q(name) + " -o " + Q("out.C") + option);
            ASSERT_EQ(pack.status, 0) << pack.err;
            EXPECT_EQ(Read("out.C"), PackWithEncoder(encoder, SamplesOf(loaded.image), table).file);
            const Result repack = Run("repack " + Q(name) + " -o " + Q("r.wav") + option);
            ASSERT_EQ(repack.status, 0) << repack.err;
            Bytes image = loaded.image;
            RepackInPlace(encoder, MutableSamplesOf(image), table);
            EXPECT_EQ(Read("r.wav"), image);
            const Result snr = Run("snr " + Q(name) + option);
            EXPECT_EQ(snr.out + snr.err,
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
    ASSERT_EQ(refused.size(), 5u) << r.err;
    const std::string missing = prefix + "missing.wav: the file could not be read: ";
    EXPECT_EQ(refused[3].substr(0, missing.size()), missing);  // and the system's words
    refused[3] = missing;
    EXPECT_EQ(refused, (std::vector<std::string>{
                           prefix + "ext.wav: not a PCM WAV file",
                           prefix + "empty.wav: the file could not be read: it is empty",
                           prefix + "tiny.wav: not a PCM WAV file",
                           missing,
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

// Standard input and output: what a pipe from sox gives packs as the same sound in a file,
// whatever sizes a writer that cannot seek back leaves in the header.
TEST_F(Cli, PipesInAndOut) {
    Bytes stereo;
    for (const std::uint8_t s : Tone(30000, 77, 100, 9)) PutU16(stereo, (s - 128u) << 8);
    const auto source = Write("in.wav", Wav({1, 2, 44100, 16}, stereo));
    const std::string sox = std::string("'") + CORVANE_SOX + "' " + source + " -r 11025 -c 1 ";
    ASSERT_EQ(std::system((sox + Q("named.wav")).c_str()), 0);
    ASSERT_EQ(std::system((sox + "-t wav - | " + Program() + " pack - -o " + Q("piped.C")).c_str()),
              0);
    ASSERT_EQ(Run("pack " + Q("named.wav") + " -o " + Q("named.C")).status, 0);
    ASSERT_GT(Read("named.C").size(), 13u);
    EXPECT_EQ(Read("piped.C"), Read("named.C"));

    Bytes unsized = Read("named.wav");  // sizes 0, or 0xFFFFFFFF, as streaming writers leave
    std::fill_n(unsized.begin() + 4, 4, 0);
    std::fill_n(unsized.begin() + 40, 4, 0);
    Write("unsized.wav", unsized);
    std::fill_n(unsized.begin() + 40, 4, 0xFF);
    Write("open.wav", unsized);
    for (const char* name : {"unsized.wav", "open.wav"}) {
        const Result r = Run("pack - -o -", Q(name));
        EXPECT_EQ(r.status, 0) << name << r.err;
        EXPECT_EQ(Bytes(r.out.begin(), r.out.end()), Read("named.C")) << name;
    }
    EXPECT_EQ(Run("info -", Q("named.wav")).out, Run("info " + Q("named.wav")).out);

    Write("cut.wav", Bytes(unsized.begin(), unsized.begin() + 30));  // a pipe that closed early
    const Result cut = Run("pack - -o -", Q("cut.wav"));
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.out, "");
    EXPECT_EQ(cut.err, "corvane-cli: standard input: neither 8 nor 16 bits a sample\n");
    EXPECT_EQ(Run("pack -").status, 2);
    EXPECT_EQ(Run("pack - -d " + Q("")).status, 2);
}

std::string Digits(const std::string& text) {
    std::string digits;
    for (const char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '-') digits += c;
    }
    return digits;
}

// `info --json` reads with a real JSON parser, and its numbers are those of the plain text.
TEST_F(Cli, InfoAsJson) {
    const auto source =
        Write("t.wav",
              Wav({1, 2, 22050, 16}, Pcm16({0, 0, 900, -900, 3000, 50, -7000, 20, 400, 0, 0, 1})));
    const Result plain = Run("info " + source), json = Run("info --json " + source);
    ASSERT_EQ(json.status, 0);
    Write("t.json", Bytes(json.out.begin(), json.out.end()));
    const std::string jq =
        "jq -r '[.sampleRate, .dataSize, .lengthSeconds, .gainSpanLow, "
        ".gainSpanHigh, .packedSize, (.stepTable | join(\" \")), "
        ".histogramPeak, .cardSamples] | join(\"|\")' ";
    ASSERT_EQ(std::system((jq + Q("t.json") + " > " + Q("fields.txt")).c_str()), 0);
    std::vector<std::string> l;  // the plain lines, in the order they are printed
    std::istringstream lines(plain.out);
    for (std::string line; std::getline(lines, line);) l.push_back(line);
    ASSERT_EQ(l.size(), 14u) << plain.out;
    const std::size_t slash = l[6].find('/');
    EXPECT_EQ(Text("fields.txt"), Digits(l[3]) + "|" + Digits(l[4]) + "|" + Digits(l[5]) + "|" +
                                      Digits(l[6].substr(0, slash)) + "|" +
                                      Digits(l[6].substr(slash)) + "|" + Digits(l[7]) + "|" +
                                      l[8].substr(7) + "|" + Digits(l[9]) + "|" + Digits(l[10]) +
                                      "\n");
    EXPECT_EQ(std::system(("jq -e '.formatCode == 1 and .channels == 2 and .bitsPerSample == 16 "
                           "and .accepted and .storable and .fitsHostPage' " +
                           Q("t.json") + " >/dev/null")
                              .c_str()),
              0);

    const auto refused = Write("x.wav", Wav({3, 1, 8000, 32}, Bytes(40, 0)));
    const Result notPcm = Run("info --json " + refused);
    EXPECT_EQ(notPcm.status, 1);
    Write("x.json", Bytes(notPcm.out.begin(), notPcm.out.end()));
    EXPECT_EQ(std::system(("jq -e '.accepted == false and .refusal == \"not-pcm\" and "
                           ".formatCode == 3 and .samples == null' " +
                           Q("x.json") + " >/dev/null")
                              .c_str()),
              0);
}

// Names in any script, also beyond the Basic Multilingual Plane.
TEST_F(Cli, NamesInAnyScript) {
    const Bytes wav = Wav({1, 1, 8000, 8}, Tone(999, 30, 60));
    Write("plain.wav", wav);
    Write("Звук \U0001F941.wav", wav);
    ASSERT_EQ(Run("pack " + Q("plain.wav")).status, 0);
    const Result r = Run("pack " + Q("Звук \U0001F941.wav"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Read("Звук \U0001F941.C"), Read("plain.C"));
    EXPECT_EQ(Run("info " + Q("Звук \U0001F941.wav")).out, Run("info " + Q("plain.wav")).out);
    const Result missing = Run("info " + Q("Нет \U0001F941.wav"));
    EXPECT_NE(missing.err.find("/Нет \U0001F941.wav: the file could not be read"),
              std::string::npos)
        << missing.err;
    // On a terminal (a console under Wine) the marks and Cyrillic names read the same.
    const std::string both = Program() + " info " + Q("Звук \U0001F941.wav") + "; " + Program() +
                             " info " + Q("Нет.wav");
    ASSERT_EQ(std::system(("script -qec \"" + both + "\" /dev/null > " + Q("tty.txt")).c_str()),
              256);
    const std::string tty = Text("tty.txt");
    EXPECT_NE(tty.find("Audio Format: PCM \u2713"), std::string::npos) << tty;
    EXPECT_NE(tty.find("/Нет.wav: the file"), std::string::npos) << tty;  // lines may wrap
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
        batch += Program() + " pack " + Q(name + ".wav") + " -o " + Q("all.C") + " & " + Program() +
                 " pack " + Q(name + ".wav") + " & ";
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
    EXPECT_EQ(Run("--version").out, "corvane-cli " CORVANE_VERSION "\n");
}

}  // namespace
}  // namespace corvane
