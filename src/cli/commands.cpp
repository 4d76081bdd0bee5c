#include "cli/commands.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "cli/options.h"
#include "cli/source_file.h"
#include "codec/decoder.h"
#include "codec/depacker_listing.h"
#include "codec/encoder_choice.h"
#include "codec/packed_name.h"
#include "files/file_io.h"
#include "text/facts.h"
#include "text/summary.h"

namespace corvane::cli {

namespace fs = std::filesystem;

namespace {

std::optional<Options> Parse(const Args& args, const std::map<std::string, std::string>& known,
                             int& exitCode) {
    std::string error;
    auto options = ParseOptions(args, known, error);
    if (!options) exitCode = UsageError(error);
    return options;
}

// Writes a whole output file, or standard output for "-".
bool Write(const std::string& target, std::span<const std::uint8_t> bytes) {
    std::string error;
    if (IsStandardStream(target) ? WriteStandardOutput(bytes, error)
                                 : WriteFileReplacing(PathOf(target), bytes, error)) {
        return true;
    }
    PrintError("corvane-cli: " + (IsStandardStream(target) ? "standard output" : target) +
               ": cannot write: " + error + "\n");
    return false;
}

// The --encoder option: greedy (the default), trellis or optimal.
std::optional<Encoder> EncoderOption(const Options& options, int& exitCode) {
    const auto name = options.Get("--encoder");
    if (!name) return Encoder::Greedy;
    const auto encoder = ParseEncoderName(*name);
    if (!encoder) exitCode = UsageError("--encoder takes greedy, trellis or optimal");
    return encoder;
}

std::vector<std::uint8_t> AsBytes(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

int RunPack(const Args& args) {
    int exitCode = kExitOk;
    const auto options = Parse(args,
                               {{"-o", "--output"},
                                {"--output", "--output"},
                                {"-d", "--dir"},
                                {"--dir", "--dir"},
                                {"--table-from", "--table-from"},
                                {"--encoder", "--encoder"}},
                               exitCode);
    if (!options) return exitCode;
    const auto encoder = EncoderOption(*options, exitCode);
    if (!encoder) return exitCode;
    const auto& inputs = options->positional;
    if (inputs.empty()) return UsageError("pack needs at least one WAV file");
    const auto output = options->Get("--output");
    const auto dir = options->Get("--dir");
    if (output && dir) return UsageError("-o and -d cannot be used together");
    if (output && inputs.size() != 1) return UsageError("-o takes exactly one input file");
    for (const auto& input : inputs) {
        if (IsStandardStream(input) && !output) {
            return UsageError("pack - reads standard input and needs -o OUT.C");
        }
    }

    std::optional<StepTable> sharedTable;
    if (const auto tableFrom = options->Get("--table-from")) {
        const auto other = LoadAnalysedSource(*tableFrom);
        if (!other) return kExitRefused;
        sharedTable = other->table;
    }

    for (const auto& input : inputs) {
        const auto source = LoadAnalysedSource(input);
        if (!source) {
            exitCode = kExitRefused;
            continue;
        }
        if (const Refusal refusal = StoreRefusal(source->loaded); refusal != Refusal::None) {
            Refuse(input, RefusalText(refusal));
            exitCode = kExitRefused;
            continue;
        }
        const PackedSample packed = PackWithEncoder(*encoder, SamplesOf(source->loaded.image),
                                                    sharedTable.value_or(source->table));
        const fs::path inputPath = PathOf(input);
        const fs::path name = PathOf(PackedFileName(Utf8Of(inputPath.filename())));
        const std::string target = output ? *output
                                   : dir  ? Utf8Of(PathOf(*dir) / name)
                                          : Utf8Of(inputPath.parent_path() / name);
        if (!Write(target, packed.file)) exitCode = kExitRefused;
    }
    return exitCode;
}

// The source image as the window's "play repacked" leaves it.
std::vector<std::uint8_t> RepackedImage(const AnalysedSource& source, Encoder encoder) {
    std::vector<std::uint8_t> image = source.loaded.image;
    RepackInPlace(encoder, MutableSamplesOf(image), source.table);
    return image;
}

int RunRepack(const Args& args) {
    int exitCode = kExitOk;
    const auto options = Parse(
        args, {{"-o", "--output"}, {"--output", "--output"}, {"--encoder", "--encoder"}}, exitCode);
    if (!options) return exitCode;
    const auto encoder = EncoderOption(*options, exitCode);
    if (!encoder) return exitCode;
    const auto output = options->Get("--output");
    if (options->positional.size() != 1 || !output) {
        return UsageError("repack takes one WAV file and -o OUT.wav");
    }
    const auto source = LoadAnalysedSource(options->positional[0]);
    if (!source) return kExitRefused;
    return Write(*output, RepackedImage(*source, *encoder)) ? kExitOk : kExitRefused;
}

int RunSnr(const Args& args) {
    int exitCode = kExitOk;
    const auto options = Parse(args, {{"--encoder", "--encoder"}}, exitCode);
    if (!options) return exitCode;
    const auto encoder = EncoderOption(*options, exitCode);
    if (!encoder) return exitCode;
    if (options->positional.size() != 1) return UsageError("snr takes one WAV file");
    const auto source = LoadAnalysedSource(options->positional[0]);
    if (!source) return kExitRefused;
    const auto repacked = RepackedImage(*source, *encoder);
    Print(SnrText(RepackedSnrDb(SamplesOf(source->loaded.image), SamplesOf(repacked))) + "\n");
    return kExitOk;
}

int RunUnpack(const Args& args) {
    int exitCode = kExitOk;
    const auto options =
        Parse(args, {{"-o", "--output"}, {"--output", "--output"}, {"--rate", "--rate"}}, exitCode);
    if (!options) return exitCode;
    const auto output = options->Get("--output");
    if (options->positional.size() != 1 || !output) {
        return UsageError("unpack takes one packed file and -o OUT.wav");
    }
    std::uint32_t rate = 22050;
    if (const auto text = options->Get("--rate")) {
        const auto end = text->data() + text->size();
        const auto [ptr, ec] = std::from_chars(text->data(), end, rate);
        if (ec != std::errc() || ptr != end || rate == 0) {
            return UsageError("--rate needs a positive whole number of Hz");
        }
    }
    const std::string& input = options->positional[0];
    std::string error;
    const auto bytes =
        IsStandardStream(input) ? ReadStandardInput(error) : ReadWholeFile(PathOf(input), error);
    if (!bytes) {
        Refuse(input, RefusalText(Refusal::Unreadable) + ": " + error);
        return kExitRefused;
    }
    const auto packed = ParsePackedFile(*bytes);
    if (!packed) {
        Refuse(input, "not a packed sample file: its size is not 13 bytes plus its data length");
        return kExitRefused;
    }
    const auto samples = DecodeSamples(packed->data, packed->table);
    const WaveHeader header = MonoWaveHeader(rate, static_cast<std::uint32_t>(samples.size()));
    std::vector<std::uint8_t> wav(header.bytes.begin(), header.bytes.end());
    wav.insert(wav.end(), samples.begin(), samples.end());
    return Write(*output, wav) ? kExitOk : kExitRefused;
}

int RunDepacker(const Args& args) {
    int exitCode = kExitOk;
    const auto options = Parse(args, {{"-o", "--output"}, {"--output", "--output"}}, exitCode);
    if (!options) return exitCode;
    if (!options->positional.empty()) return UsageError("depacker takes no file arguments");
    const std::string target = options->Get("--output").value_or("Depacker.txt");
    const std::string listing = DepackerListing();
    return Write(target, AsBytes(listing)) ? kExitOk : kExitRefused;
}

int RunDemo(const Args& args) {
    int exitCode = kExitOk;
    const auto options = Parse(args, {{"-o", "--output"}, {"--output", "--output"}}, exitCode);
    if (!options) return exitCode;
    const std::string target = options->Get("--output").value_or("demo.wav");
    // A plucked two-note chord, 16-bit stereo at 22 050 Hz, 1.5 seconds.
    constexpr std::uint32_t kRate = 22050;
    constexpr std::uint32_t kFrames = kRate * 3 / 2;
    WaveHeader header = MonoWaveHeader(kRate, kFrames * 4);
    header.SetChannels(2);
    header.SetBitsPerSample(16);
    header.SetBlockAlign(4);
    header.SetByteRate(kRate * 4);
    std::vector<std::uint8_t> wav(header.bytes.begin(), header.bytes.end());
    for (std::uint32_t i = 0; i < kFrames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double decay = std::exp(-2.5 * t);
        const double left = std::sin(2 * std::numbers::pi * 220.0 * t) +
                            0.5 * std::sin(2 * std::numbers::pi * 330.0 * t);
        const double right = std::sin(2 * std::numbers::pi * 277.2 * t) +
                             0.4 * std::sin(2 * std::numbers::pi * 440.0 * t);
        for (double v : {left, right}) {
            const auto s = static_cast<std::int16_t>(std::lround(v * decay * 16000.0));
            wav.push_back(static_cast<std::uint8_t>(s & 0xFF));
            wav.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
        }
    }
    return Write(target, wav) ? kExitOk : kExitRefused;
}

}  // namespace corvane::cli
