// Runs the corvane-cli program (the native build, or corvane-cli.exe under Wine) on files the
// tests write, and checks its output, exit status and the files it leaves behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
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

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

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

    // Writes a file into the test's folder; its path, quoted for the shell.
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
    std::string Q(const std::string& name) const { return "'" + (dir / name).string() + "'"; }

    static std::string Program() {
        const char* command = std::getenv("CORVANE_CLI_COMMAND");  // set for the Windows build
        return command != nullptr ? command : "'" CORVANE_CLI "'";
    }
    int Shell(const std::string& command) const { return std::system(command.c_str()); }
    Result Run(const std::string& args, const std::string& input = "/dev/null") const {
        const int raw =
            Shell(Program() + " " + args + " <" + input + " >" + Q("out") + " 2>" + Q("err"));
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Text("out"), Text("err")};
    }
};

TEST_F(Cli, WorkedExampleAndInfo) {
    const auto source = Write("example.wav", Wav({1, 1, 8000, 8}, kExampleSource));
    const auto tableWav = Write("table.wav", Wav({1, 1, 8000, 8}, kExampleTableSource));
    ASSERT_EQ(Run("pack " + source + " --table-from " + tableWav).status, 0);
    EXPECT_EQ(Read("example.C"), kExampleFile);
    EXPECT_EQ(Run("info " + tableWav).out,
              "Audio Format: PCM \u2713\nChannels: mono \u2713\nBit Depth: 8 \u2713\n"
              "Sample Rate: 8 000Hz\nData Size: 5bytes\nLength: 0 sec.\n"
              "Gain Span: -45 / +52\nFile Size: 13bytes\nTable: 0 0 1 2 3 4 5 7 11 20 45\n"
              "Histogram Peak: 2\nCard Receives: 262 144 samples (a file without data runs the "
              "depacker over 65 536 bytes)\nStreaming Time: at least 14.4 s at 3.5 MHz\n"
              "Host Memory: fits one 16 KB page\nLoad Address: low byte at most #F3\n"
              "Card Pitch: Note 47 (B-3) finetune +2 on ROM 1.04: 8 007 Hz, +1.4 cents\n");
}

// pack, repack and snr give what the core gives, for every coder and shape of source.
TEST_F(Cli, EveryCoderMatchesTheCore) {
    Bytes fmt18 = FmtPayload({1, 1, 8000, 8});
    fmt18.resize(18, 0);
    const std::pair<const char*, Bytes> files[] = {
        {"mono8.wav", Wav({1, 1, 11025, 8}, Tone(3003, 90, 80, 11))},
        {"stereo16.wav", Wav({1, 2, 44100, 16}, Pcm16({100, -900, 3000, 3001, -32768, 32767, 12, 13,
                                                       14, 5000, -5000, 70, 80, 90, 100}))},
        {"list.wav",
         Riff({{"fmt ", fmt18}, {"LIST", {'I', 'N', 'F', 'O'}}, {"data", Tone(1000, 30, 90, 4)}})}};
    for (const auto& [name, bytes] : files) {
        Write(name, bytes);
        const LoadedSource loaded = LoadSourceBytes(bytes);
        const auto stats = ComputeDifferenceStats(SamplesOf(loaded.image));
        const StepTable table = DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
        for (const auto& [option, coder] :
             {std::pair{"", Encoder::Greedy}, std::pair{" --encoder=trellis", Encoder::Trellis},
              std::pair{" --encoder optimal", Encoder::Optimal}}) {
            SCOPED_TRACE(std::string(name) + option);
            ASSERT_EQ(Run("pack " + Q(name) + " -o " + Q("out.C") + option).status, 0);
            EXPECT_EQ(Read("out.C"), PackWithEncoder(coder, SamplesOf(loaded.image), table).file);
            ASSERT_EQ(Run("repack " + Q(name) + " -o " + Q("r.wav") + option).status, 0);
            Bytes image = loaded.image;
            RepackInPlace(coder, MutableSamplesOf(image), table);
            EXPECT_EQ(Read("r.wav"), image);
            EXPECT_EQ(Run("snr " + Q(name) + option).out,
                      SnrText(RepackedSnrDb(SamplesOf(loaded.image), SamplesOf(image))) + "\n");
        }
    }
    ASSERT_EQ(Run("pack " + Q("mono8.wav") + " --encoder=greedy").status, 0);  // beside its source
    EXPECT_TRUE(fs::exists(dir / "mono8.C"));
}

TEST_F(Cli, RefusedInputsAreNamedAndTheOthersStillPacked) {
    const auto good = Write("good.wav", Wav({1, 2, 22050, 16}, Bytes(4003, 7)));
    const auto ext = Write("ext.wav", Wav({0xFFFE, 2, 44100, 16}, Bytes(400, 0)));
    const auto longWav = Write("long.wav", Wav({1, 1, 44100, 8}, Bytes(262146, 128)));
    const auto longest = Write("longest.wav", Wav({1, 1, 44100, 8}, Bytes(262145, 128)));
    const Result r = Run("pack " + good + " " + ext + " " + Write("empty.wav", {}) + " " +
                         Write("tiny.wav", {'R', 'I', 'F', 'F'}) + " " + Q("missing.wav") + " " +
                         longWav + " " + longest);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Read("good.C").size(), 13u + 249u);  // 1000 frames
    EXPECT_EQ(Read("longest.C").size(), 13u + 65535u);
    for (const char* name : {"ext.C", "empty.C", "tiny.C", "missing.C", "long.C"}) {
        EXPECT_FALSE(fs::exists(dir / name)) << name;
    }
    std::vector<std::string> refused = Lines(r.err);
    const std::string at = "corvane-cli: " + dir.string() + "/";
    const std::string missing = at + "missing.wav: the file could not be read: ";
    ASSERT_EQ(refused.size(), 5u) << r.err;
    EXPECT_EQ(refused[3].substr(0, missing.size()), missing);  // then the system's words
    refused[3] = missing;
    EXPECT_EQ(refused, (std::vector<std::string>{
                           at + "ext.wav: not a PCM WAV file",
                           at + "empty.wav: the file could not be read: it is empty",
                           at + "tiny.wav: not a PCM WAV file", missing,
                           at + "long.wav: too long: its packed data would exceed 65535 bytes"}));
    const Result info = Run("info " + ext);
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(Lines(info.out).size(), 6u);  // the facts alone
    EXPECT_EQ(Lines(info.out)[0], "Audio Format: NOT PCM \u2718");
    for (const std::string& command : {"repack " + ext + " -o " + Q("r.wav"), "snr " + ext}) {
        EXPECT_EQ(Run(command).status, 1) << command;
    }
    EXPECT_FALSE(fs::exists(dir / "r.wav"));
    const Result described = Run("info " + longWav);
    EXPECT_EQ(described.status, 0);
    EXPECT_EQ(Lines(described.out)[7], "File Size: 65 549bytes \u2718");
}

// What a pipe from sox gives packs as the same sound in a file, whatever sizes a writer that
// cannot seek back leaves in the header.
TEST_F(Cli, PipesInAndOut) {
    Bytes stereo;
    for (const std::uint8_t s : Tone(30000, 77, 100, 9)) PutU16(stereo, (s - 128u) << 8);
    const std::string sox =
        "'" CORVANE_SOX "' " + Write("in.wav", Wav({1, 2, 44100, 16}, stereo)) + " -r 11025 -c 1 ";
    ASSERT_EQ(Shell(sox + Q("named.wav")), 0);
    ASSERT_EQ(Shell(sox + "-t wav - | " + Program() + " pack - -o " + Q("piped.C")), 0);
    ASSERT_EQ(Run("pack " + Q("named.wav") + " -o " + Q("named.C")).status, 0);
    ASSERT_GT(Read("named.C").size(), 13u);
    EXPECT_EQ(Read("piped.C"), Read("named.C"));
    Bytes open = Read("named.wav");
    std::fill_n(open.begin() + 4, 4, 0);
    for (const std::uint8_t size : {std::uint8_t{0}, std::uint8_t{0xFF}}) {
        std::fill_n(open.begin() + 40, 4, size);
        const Result r = Run("pack - -o -", Write("open.wav", open));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Bytes(r.out.begin(), r.out.end()), Read("named.C")) << int{size};
    }
    EXPECT_EQ(Run("info -", Q("named.wav")).out, Run("info " + Q("named.wav")).out);
    const Result cut = Run("pack - -o -", Write("cut.wav", Bytes(open.begin(), open.begin() + 30)));
    EXPECT_EQ(cut.status, 1);  // a pipe that closed early
    EXPECT_EQ(cut.out, "");
    EXPECT_EQ(cut.err, "corvane-cli: standard input: neither 8 nor 16 bits a sample\n");
    EXPECT_EQ(Run("pack -").status, 2);
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
    const std::vector<std::string> l = Lines(Run("info " + source).out);
    const std::string json = Run("info --json " + source).out;
    Write("t.json", Bytes(json.begin(), json.end()));
    ASSERT_EQ(Shell("jq -r '[.sampleRate, .dataSize, .lengthSeconds, .gainSpanLow, .gainSpanHigh, "
                    ".packedSize, "
                    "(.stepTable | join(\" \")), .histogramPeak, .cardSamples] | join(\"|\")' " +
                    Q("t.json") + " > " + Q("fields")),
              0);
    ASSERT_EQ(l.size(), 15u);
    const std::size_t slash = l[6].find('/');
    EXPECT_EQ(Text("fields"), Digits(l[3]) + "|" + Digits(l[4]) + "|" + Digits(l[5]) + "|" +
                                  Digits(l[6].substr(0, slash)) + "|" + Digits(l[6].substr(slash)) +
                                  "|" + Digits(l[7]) + "|" + l[8].substr(7) + "|" + Digits(l[9]) +
                                  "|" + Digits(l[10]) + "\n");
    EXPECT_EQ(
        Shell("jq -e '.formatCode == 1 and .channels == 2 and .bitsPerSample == 16 and .accepted "
              "and .storable and .fitsHostPage' " +
              Q("t.json") + " >/dev/null"),
        0);
    const Result refused =
        Run("info --json " + Write("x.wav", Wav({3, 1, 8000, 32}, Bytes(40, 0))));
    EXPECT_EQ(refused.status, 1);
    Write("x.json", Bytes(refused.out.begin(), refused.out.end()));
    EXPECT_EQ(
        Shell("jq -e '.accepted == false and .refusal == \"not-pcm\" and .formatCode == 3 and "
              ".samples == null' " +
              Q("x.json") + " >/dev/null"),
        0);
}

// Names in any script, also beyond the Basic Multilingual Plane; on a terminal (a console
// under Wine) the marks and Cyrillic names read as they are.
TEST_F(Cli, NamesInAnyScript) {
    const Bytes wav = Wav({1, 1, 8000, 8}, Tone(999, 30, 60));
    const std::string drum = Write("Звук \U0001F941.wav", wav);
    ASSERT_EQ(Run("pack " + Write("plain.wav", wav)).status, 0);
    ASSERT_EQ(Run("pack " + drum).status, 0);
    EXPECT_EQ(Read("Звук \U0001F941.C"), Read("plain.C"));
    EXPECT_EQ(Run("info " + drum).out, Run("info " + Q("plain.wav")).out);
    EXPECT_NE(Run("info " + Q("Нет \U0001F941.wav"))
                  .err.find("/Нет \U0001F941.wav: the file could not be read"),
              std::string::npos);
    ASSERT_EQ(Shell("script -qec \"" + Program() + " info " + drum + "; " + Program() + " info " +
                    Q("Нет.wav") + "\" /dev/null > " + Q("tty")),
              256);
    EXPECT_NE(Text("tty").find("Audio Format: PCM \u2713"), std::string::npos) << Text("tty");
    EXPECT_NE(Text("tty").find("/Нет.wav: the file"), std::string::npos)
        << Text("tty");  // lines wrap
}

TEST_F(Cli, WritesReplaceWholeFilesAndFailuresKeepTheOld) {
    const auto source = Write("drum.wav", Wav({1, 1, 8000, 8}, kExampleSource));
    Write("drum.C", Bytes(5000, 0xEE));  // an older, longer file
    ASSERT_EQ(Run("pack " + source).status, 0);
    EXPECT_EQ(Read("drum.C").size(), 16u);
    // With standard input closed, the first file opened gets descriptor 0.
    ASSERT_EQ(Shell(Program() + " pack " + source + " -o " + Q("closed.C") + " <&-"), 0);
    EXPECT_EQ(Read("closed.C"), Read("drum.C"));
    const auto mode = fs::status(dir / "drum.C").permissions();
    EXPECT_NE(mode & fs::perms::owner_read, fs::perms::none);
    EXPECT_NE(mode & fs::perms::owner_write, fs::perms::none);
    const int full = Shell(Program() + " depacker -o - >/dev/full 2>" + Q("err"));
    EXPECT_TRUE(WIFEXITED(full) && WEXITSTATUS(full) == 1) << full;
    EXPECT_NE(Text("err").find("standard output: cannot write: "), std::string::npos);
    fs::create_directories(dir / "busy.C");  // a target that cannot be replaced
    const Result busy = Run("pack " + source + " -o " + Q("busy.C"));
    EXPECT_EQ(busy.status, 1);
    EXPECT_NE(busy.err.find("busy.C: cannot write: "), std::string::npos) << busy.err;
    EXPECT_TRUE(fs::is_directory(dir / "busy.C"));
    EXPECT_EQ(Run("pack " + source + " -d " + Q("no/such/dir")).status, 1);
    EXPECT_EQ(Run("unpack " + Q("missing.C") + " -o " + Q("x.wav")).status, 1);

    // Several processes packing into one folder at once, as a parallel build does: each file
    // whole, the one they all write one of theirs.
    std::string batch;
    for (int n = 0; n < 8; ++n) {
        const std::string name = "s" + std::to_string(n);
        const std::string wav = Write(name + ".wav", Wav({1, 1, 8000, 8}, Tone(40001, 20 + n, 90)));
        batch += Program() + " pack " + wav + " -o " + Q("all.C") + " & " + Program() + " pack " +
                 wav + " & ";
    }
    ASSERT_EQ(Shell("(" + batch + "wait)"), 0);
    int owners = 0;
    for (int n = 0; n < 8; ++n) {
        EXPECT_EQ(Read("s" + std::to_string(n) + ".C").size(), 13u + 9999u);
        owners += Read("s" + std::to_string(n) + ".C") == Read("all.C");
    }
    EXPECT_EQ(owners, 1);
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_NE(entry.path().extension(), ".tmp");
}

TEST_F(Cli, UnpackTheListingAndUsage) {
    ASSERT_EQ(
        Run("unpack " + Write("example.C", kExampleFile) + " -o " + Q("u.wav") + " --rate 11025")
            .status,
        0);
    const Bytes unpacked = Read("u.wav");
    EXPECT_EQ(Bytes(unpacked.begin() + 44, unpacked.end()), kExampleDecoded);
    EXPECT_EQ(WaveHeader::From(unpacked).SampleRate(), 11025u);
    EXPECT_EQ(WaveHeader::From(unpacked).DataSize(), 13u);
    EXPECT_EQ(WaveHeader::From(unpacked).RiffSize(), 36u + 13u);
    ASSERT_EQ(Run("unpack - -o " + Q("d.wav"), Q("example.C")).status, 0);
    EXPECT_EQ(WaveHeader::From(Read("d.wav")).SampleRate(), 22050u);
    const Result bad = Run("unpack " + Write("bad.C", Bytes{5, 0, 1, 2, 3}) + " -o " + Q("x.wav"));
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("not a packed sample file"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "x.wav"));

    const std::string listing = DepackerListing();
    ASSERT_EQ(Run("depacker -o " + Q("Depacker.txt")).status, 0);
    EXPECT_EQ(Text("Depacker.txt"), listing);
    EXPECT_EQ(Run("depacker -o -").out, listing);
    ASSERT_EQ(Run("demo -o " + Q("demo.wav")).status, 0);  // a chord loud enough to hear
    const LoadedSource demo = LoadSourceBytes(Read("demo.wav"));
    const auto [low, high] =
        std::minmax_element(SamplesOf(demo.image).begin(), SamplesOf(demo.image).end());
    EXPECT_TRUE(demo.Valid() && *high - *low > 150);
    const WaveHeader demoHeader = WaveHeader::From(Read("demo.wav"));
    EXPECT_EQ(demoHeader.ByteRate(), demoHeader.SampleRate() * demoHeader.BlockAlign());

    const auto wav = Write("a.wav", Wav({1, 1, 8000, 8}, kExampleSource));
    for (const std::string& args :
         {std::string(""), std::string("frobnicate"), std::string("pack"),
          "pack " + wav + " " + wav + " -o x.C", "pack --bogus " + wav, std::string("info"),
          "repack " + wav, std::string("unpack x.C -o y.wav --rate abc"),
          std::string("unpack x.C -o y.wav --rate 0"),
          std::string("unpack x.C -o y.wav --rate 8000x"), "pack " + wav + " -o",
          "pack " + wav + " -o x.C -d y", "pack " + wav + " --encoder=fast", std::string("snr"),
          std::string("depacker extra")}) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.err.rfind("corvane-cli: ", 0), 0u) << args;
    }
    EXPECT_EQ(Run("pack - --table-from - -o x.C", Q("a.wav")).status, 2);  // one input, not two
    EXPECT_EQ(Run("demo " + Q("mine.wav")).status, 2);
    EXPECT_FALSE(fs::exists(dir / "mine.wav") || fs::exists("demo.wav"));
    for (const std::string& args : {"pack " + wav + " x.wav -o x.C", "demo " + Q("mine.wav")}) {
        EXPECT_EQ(Lines(Run(args).err).size(), 1u) << args;
    }
    EXPECT_EQ(Run("--help").status, 0);
    EXPECT_EQ(Run("--version").out, "corvane-cli " CORVANE_VERSION "\n");
}

// A stream cut before the data its header declares is refused; sizes that mean "unknown" (0,
// 0xFFFFFFFF, sox's 0x7FFFF000) run to the end, and a named file is packed as far as it goes.
TEST_F(Cli, StreamsThatEndEarly) {
    const std::string speech = Write("s.wav", Wav({1, 1, 8000, 8}, Tone(7998, 37, 90, 7)));
    for (const std::string bytes : {"1001", "43"}) {
        const int status = Shell("head -c " + bytes + " " + speech + " | " + Program() +
                                 " pack - -o " + Q("cut.C") + " 2>" + Q("err"));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << bytes;
        EXPECT_EQ(Lines(Text("err")).size(), 1u) << Text("err");
        EXPECT_FALSE(fs::exists(dir / "cut.C"));
    }
    ASSERT_EQ(Shell("head -c 1001 " + speech + " > " + Q("named.wav")), 0);
    EXPECT_EQ(Run("pack " + Q("named.wav")).status, 0);
    EXPECT_EQ(Read("named.C").size(), 13u + (1001u - 44 - 2) / 4);

    const std::string sox = "'" CORVANE_SOX "' " + speech + " ";
    ASSERT_EQ(Shell(sox + "-t wav - trim 0 0.5 2>/dev/null | " + Program() + " pack - -o " +
                    Q("piped.C")),
              0);
    ASSERT_EQ(Shell(sox + Q("trimmed.wav") + " trim 0 0.5"), 0);
    ASSERT_EQ(Run("pack " + Q("trimmed.wav")).status, 0);
    EXPECT_EQ(Read("piped.C"), Read("trimmed.C"));

    // The least streaming time, rounded down: 1999 bytes take 0.439877 s.
    Write("info.json", [&] {
        const std::string json = Run("info --json " + speech).out;
        return Bytes(json.begin(), json.end());
    }());
    EXPECT_EQ(Shell("jq -e '.streamSecondsAtLeast == 0.439' " + Q("info.json") + " >/dev/null"), 0);
}

// Output that cannot be written is a failure, and any file name makes valid JSON.
TEST_F(Cli, UnwritableOutputAndNamesThatAreNotText) {
    const std::string wav = Write("a.wav", Wav({1, 1, 8000, 8}, Tone(999, 30, 60)));
    for (const std::string& command : {"info --json " + wav, "info " + wav, "snr " + wav}) {
        const int status = Shell(Program() + " " + command + " >/dev/full 2>" + Q("err"));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << command;
        EXPECT_EQ(Lines(Text("err")).size(), 1u) << command;
    }
    const std::string odd = Write("bad\xff\xc3.wav", Wav({1, 1, 8000, 8}, Tone(999, 30, 60)));
    const Result info = Run("info --json " + odd);
    Write("odd.json", Bytes(info.out.begin(), info.out.end()));
    // jq itself mends bad bytes, so read it as Python's strict UTF-8 decoder does.
    EXPECT_EQ(Shell("python3 -c 'import json, sys; sys.exit(not json.load(open(sys.argv[1], "
                    "encoding=\"utf-8\"))[\"file\"].endswith(\"bad\\ufffd\\ufffd.wav\"))' " +
                    Q("odd.json")),
              0)
        << info.out;
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// Converted to a card note's rate or to a number of Hz, a sample packs as the core prepares
// it (so the Windows build, run by this suite too, matches the native one); info names the note
// that plays it at its own pitch.
TEST_F(Cli, CardRatesAndLoops) {
    Bytes smpl(28, 0);
    for (const std::uint32_t field : {1u, 0u, 0u, 0u, 3000u, 8999u, 0u, 0u}) PutU32(smpl, field);
    Bytes stereo;
    for (const std::uint8_t s : Tone(12000, 37, 100, 9)) {
        PutU16(stereo, (s - 128u) << 8 | s);
        PutU16(stereo, (s - 128u) << 8);
    }
    const Bytes wav =
        Riff({{"fmt ", FmtPayload({1, 2, 44100, 16})}, {"data", stereo}, {"smpl", smpl}});
    const std::string drum = Write("drum.wav", wav);
    const struct {
        std::string options;
        Preparation how;
    } cases[] = {{"--rate=note:60", {16725}},
                 {"--rate note:48 --rom=1.05 --loop=cut", {8297, LoopChoice::Cut}},
                 {"--rate=11025 --loop ignore", {11025, LoopChoice::Ignore}},
                 {"--rate=source --loop=cut", {0, LoopChoice::Cut}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        ASSERT_EQ(Run("pack " + drum + " -o " + Q("out.C") + " " + c.options).status, 0);
        const LoadedSource loaded = LoadSourceBytes(wav, c.how);
        const auto stats = ComputeDifferenceStats(SamplesOf(loaded.image));
        EXPECT_EQ(Read("out.C"), PackSamples(SamplesOf(loaded.image),
                                             DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh))
                                     .file);
    }
    const auto lines = Lines(Run("info " + drum + " --rate=note:60").out);
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[14],
              "Card Pitch: Note 60 (C-5) finetune +0 on ROM 1.04: 16 725 Hz, +0.0 cents");
    EXPECT_EQ(lines[15], "Converted To: 16 725 Hz");
    EXPECT_EQ(lines[16], "Loop: 1 138 to 3 412 (2 275 samples)");  // 3000 and 9000 x 16725/44100
    EXPECT_EQ(
        Lines(Run("info " + drum).out)[14],
        "Card Pitch: Out of range: above note 71 (B-5) finetune +7 on ROM 1.04: 33 218 Hz at most");
    const std::string json = Run("info --json " + drum + " --rate=22050").out;
    Write("info.json", Bytes(json.begin(), json.end()));
    EXPECT_EQ(Shell("jq -e '.rate == 22050 and .cardNote == 64 and .cardFinetune == 6 and "
                    ".pitchCents == -2.5 and .loopStart == 1500 and .loopEnd == 4499 and "
                    ".cardLoopBegin == 1499 and .cardLoopEnd == 4499 and .sampleRate == 44100' " +
                    Q("info.json") + " >/dev/null"),
              0)
        << json;
    for (const std::string bad :
         {"--rate=0", "--rate=-5", "--rate=abc", "--rate=999", "--rate=100001", "--rate=note:35",
          "--rate=note:72", "--rom=1.06", "--loop=sometimes"}) {
        const Result r = Run("pack " + drum + " " + bad);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_EQ(Lines(r.err).size(), 1u) << bad;
    }
}

}  // namespace
}  // namespace corvane
