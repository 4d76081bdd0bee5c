#include "cli/commands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "cli/source_file.h"
#include "codec/decoder.h"
#include "codec/depacker_listing.h"
#include "codec/encoder_choice.h"
#include "codec/packed_name.h"
#include "files/file_io.h"
#include "text/facts.h"
#include "text/summary.h"
#include "wave/sample_file.h"

namespace corvane::cli {

namespace fs = std::filesystem;

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

namespace {

std::vector<std::uint8_t> AsBytes(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

Preparation Request::HowToPrepare() const { return PreparationFor(rate, rom, loop); }

int RunPack(const Request& request) {
    int exitCode = kExitOk;
    const auto& inputs = request.inputs;
    const auto& output = request.output;
    const auto& dir = request.dir;
    if (output && inputs.size() != 1) return UsageError("pack: -o takes exactly one input file");
    const bool fromStandardInput = std::any_of(inputs.begin(), inputs.end(), IsStandardStream);
    if (fromStandardInput && !output) {
        return UsageError("pack: - reads standard input and needs -o OUT.C");
    }
    if (fromStandardInput && request.tableFrom && IsStandardStream(*request.tableFrom)) {
        return UsageError("pack: standard input cannot be both the source and --table-from");
    }

    std::optional<StepTable> sharedTable;
    if (const auto& tableFrom = request.tableFrom) {
        const auto other = LoadAnalysedSource(*tableFrom, request.HowToPrepare());
        if (!other) return kExitRefused;
        sharedTable = other->table;
    }

    Preparation how = request.HowToPrepare();
    how.refuseTooLong = true;  // not converted only to be refused
    for (const auto& input : inputs) {
        const auto source = LoadAnalysedSource(input, how);
        if (!source) {
            exitCode = kExitRefused;
            continue;
        }
        if (const Refusal refusal = StoreRefusal(source->loaded); refusal != Refusal::None) {
            Refuse(input, RefusalText(refusal));
            exitCode = kExitRefused;
            continue;
        }
        const PackedSample packed = PackWithEncoder(
            request.encoder, SamplesOf(source->loaded.image), sharedTable.value_or(source->table));
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

int RunRepack(const Request& request) {
    const auto source = LoadAnalysedSource(request.inputs[0], request.HowToPrepare());
    if (!source) return kExitRefused;
    return Write(*request.output, RepackedImage(*source, request.encoder)) ? kExitOk : kExitRefused;
}

// The sample as pack would pack it, with its loop, as a WAV file of any length.
int RunConvert(const Request& request) {
    const auto loaded = LoadPreparedSource(request.inputs[0], request.HowToPrepare());
    if (!loaded) return kExitRefused;
    return Write(*request.output, SampleFileOf(loaded->image, loaded->loop)) ? kExitOk
                                                                             : kExitRefused;
}

int RunSnr(const Request& request) {
    const auto source = LoadAnalysedSource(request.inputs[0], request.HowToPrepare());
    if (!source) return kExitRefused;
    const auto repacked = RepackedImage(*source, request.encoder);
    return PrintResult(
        SnrText(RepackedSnrDb(SamplesOf(source->loaded.image), SamplesOf(repacked))) + "\n",
        kExitOk);
}

int RunUnpack(const Request& request) {
    const std::string& input = request.inputs[0];
    std::string error;
    const auto bytes = ReadInput(input, error);
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
    const WaveHeader header = MonoWaveHeader(RateFor(request.unpackRate, request.rom, 0),
                                             static_cast<std::uint32_t>(samples.size()));
    std::vector<std::uint8_t> wav(header.bytes.begin(), header.bytes.end());
    wav.insert(wav.end(), samples.begin(), samples.end());
    return Write(*request.output, wav) ? kExitOk : kExitRefused;
}

int RunDepacker(const Request& request) {
    const std::string target = request.output.value_or("Depacker.txt");
    const std::string listing = DepackerListing();
    return Write(target, AsBytes(listing)) ? kExitOk : kExitRefused;
}

int RunDemo(const Request& request) {
    const std::string target = request.output.value_or("demo.wav");
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
