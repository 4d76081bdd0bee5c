// corvane-cli: the Corvane core on the command line.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <new>

#include "cli/commands.h"

namespace corvane::cli {

namespace {

constexpr const char* kUsage =
    "Usage: corvane-cli COMMAND [OPTIONS]\n"
    "Prepares WAV samples for the General Sound card: 2-bit ADPCM, four samples a byte.\n"
    "\n"
    "Commands:\n"
    "  info FILE.wav [--json] [P]    file facts, gain span, packed size, step table, peak,\n"
    "                                what the packed file costs the target, the card note\n"
    "                                that plays it at its own pitch, its loop\n"
    "  pack FILE.wav... [-o OUT | -d DIR] [--table-from OTHER.wav] [--encoder=E] [P]\n"
    "                                write packed files (drum.wav -> drum.C beside the\n"
    "                                source, into DIR, or to OUT for one input)\n"
    "  repack FILE.wav -o OUT.wav [--encoder=E] [P]\n"
    "                                the sample packed and unpacked again, as a WAV\n"
    "  snr FILE.wav [--encoder=E] [P]\n"
    "                                signal-to-noise ratio of the repacked sample\n"
    "  bank FILE.wav... | --list LIST -o DIR/NAME [--card=112k|466k] [--json]\n"
    "       [--first-page=N] [--reserve=BYTES|NK] [--tap] [--encoder=E] [P]\n"
    "                                a set of samples for the card: NAME.asm (a loader to\n"
    "                                include, with each sample's note, finetune and loop)\n"
    "                                and NAME.0.bin ... (16 KB host pages at #C000); prints\n"
    "                                what it costs the card's memory and the host first.\n"
    "                                --tap: NAME.tap too, a tape that loads the bank into\n"
    "                                the card and plays each sample by a key\n"
    "                                LIST: a file a line, then its own --rate, --loop,\n"
    "                                --encoder, --name; --rate=nearest and\n"
    "                                --encoder=trellis are bank's defaults\n"
    "  convert FILE.wav -o OUT.wav [P]\n"
    "                                the 8-bit mono sample pack would pack, any length,\n"
    "                                its loop in a smpl chunk\n"
    "  render FILE -o OUT.wav [--note=N] [--finetune=F] [--volume=V] [--seconds=S]\n"
    "         [--encoder=E] [P]      what the card plays of a packed file, or of a WAV\n"
    "                                packed as pack does: 37500 Hz 16-bit mono; note\n"
    "                                (0 to 95) and finetune (-8 to 7) by default those\n"
    "                                that play the sample at its own pitch (a packed\n"
    "                                file: 60 and 0), volume 0 to 64 (default 64), S\n"
    "                                seconds (default: the sample once; 2 if it loops)\n"
    "  unpack FILE.C -o OUT.wav [--rate HZ|note:N] [--rom=1.04|1.05]\n"
    "                                decode a packed file to 8-bit mono (default 22050 Hz)\n"
    "  depacker [-o FILE]            write the Z80 depacker listing (default Depacker.txt)\n"
    "  demo [-o FILE]                write a short demo WAV (default demo.wav)\n"
    "\n"
    "'-' as FILE.wav reads standard input, '-o -' writes standard output, so sox can\n"
    "resample, trim or mix first: sox in.wav -r 11025 -c 1 -t wav - | corvane-cli pack - -o x.C\n"
    "Encoders E: greedy (the default, as the window packs), trellis (the codes of\n"
    "least squared error for the derived table), optimal (trellis with a table\n"
    "searched for the sample; slower).\n"
    "How a source is prepared, P:\n"
    "  --rate=source|nearest|note:N|HZ\n"
    "                               the source's rate (the default but for bank), the rate\n"
    "                               of the card note and finetune nearest its pitch, the\n"
    "                               rate card note N (36 to 71) plays at, or 1000 to 100000\n"
    "  --rom=1.04|1.05              the card's ROM, which says the rate a note plays\n"
    "                               (default 1.04)\n"
    "  --loop=keep|cut|ignore       a smpl loop kept (the default), the samples after it\n"
    "                               cut, or the loop ignored\n"
    "  24- and 32-bit integer and 32-bit float sources are read when a rate is chosen,\n"
    "  and always by bank.\n"
    "Options: --help, --version\n"
    "Exit status: 0 success, 1 an input was refused or an output could not be written,\n"
    "2 usage error.\n";

// An option whose text `parse` reads into what `take` keeps; any other text is a usage error
// that says what is `allowed`.
template <typename Parse, typename Take>
void AddChoice(CLI::App& app, const char* name, const char* allowed, Parse parse, Take take) {
    app.add_option_function<std::string>(
           name, [parse, take](const std::string& text) { take(*parse(text)); })
        ->check(CLI::Validator([parse, allowed](std::string& text)
                                   -> std::string { return parse(text) ? "" : allowed; },
                               "VALUE"));
}

// A number of bytes, or of K (1 024 bytes) with a K after it.
std::optional<std::size_t> ParseBytes(std::string_view text) {
    const bool kilo = !text.empty() && (text.back() == 'K' || text.back() == 'k');
    if (kilo) text.remove_suffix(1);
    std::size_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value > (kilo ? 1u << 20 : 1u << 30)) {
        return std::nullopt;
    }
    return kilo ? value * 1024 : value;
}

std::optional<std::size_t> ParsePage(std::string_view text) {
    std::size_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value > 255) return std::nullopt;
    return value;
}

// "note:N" for a usable note, or a whole number of Hz from 1 up.
std::optional<RateChoice> ParseUnpackRate(std::string_view text) {
    if (text.starts_with("note:")) return ParseRateChoice(text);
    std::uint32_t hertz = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, hertz);
    if (ec != std::errc() || ptr != end || hertz == 0) return std::nullopt;
    return RateChoice{RateChoice::Kind::Hertz, 0, hertz};
}

// A decimal whole number from `low` to `high`.
std::optional<int> WholeNumber(std::string_view digits, int low, int high) {
    int value = 0;
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, value);
    if (ec != std::errc() || ptr != end || value < low || value > high) return std::nullopt;
    return value;
}

void AddRom(CLI::App& app, Request& request) {
    AddChoice(app, "--rom", "takes 1.04 or 1.05", ParseRom,
              [&request](Rom rom) { request.rom = rom; });
}

void AddEncoder(CLI::App& app, Request& request) {
    AddChoice(app, "--encoder", "takes greedy, trellis or optimal", ParseEncoderName,
              [&request](Encoder encoder) { request.encoder = encoder; });
}

// How a source is prepared: its rate, its loop, and the ROM that says which rate a note plays.
void AddPreparation(CLI::App& app, Request& request) {
    AddChoice(app, "--rate", "takes source, nearest, note:36 to note:71, or 1000 to 100000 (Hz)",
              ParseRateChoice, [&request](RateChoice rate) { request.rate = rate; });
    AddRom(app, request);
    AddChoice(app, "--loop", "takes keep, cut or ignore", ParseLoopChoice,
              [&request](LoopChoice loop) { request.loop = loop; });
}

// How `render` plays the sample: --note, --finetune, --volume, --seconds.
void AddRenderChoice(CLI::App& app, RenderChoice& render) {
    const auto whole = [](int low, int high) {
        return [low, high](std::string_view text) { return WholeNumber(text, low, high); };
    };
    AddChoice(app, "--note", "takes 0 to 95", whole(0, kCardHighestNote),
              [&render](int note) { render.note = note; });
    AddChoice(app, "--finetune", "takes -8 to 7", whole(-8, 7),
              [&render](int finetune) { render.finetune = finetune; });
    AddChoice(app, "--volume", "takes 0 to 64", whole(0, kCardFullVolume),
              [&render](int volume) { render.volume = volume; });
    const auto seconds = [](std::string_view text) -> std::optional<double> {
        double value = 0;
        const char* end = text.data() + text.size();
        const auto [ptr, ec] = std::from_chars(text.data(), end, value);
        if (ec != std::errc() || ptr != end || !(value > 0 && value <= kMostRenderSeconds)) {
            return std::nullopt;
        }
        return value;
    };
    AddChoice(app, "--seconds", "takes more than 0, at most 600", seconds,
              [&render](double value) { render.seconds = value; });
}

// The arguments and options `command` takes; nullptr for a command there is not.
using Runner = int (*)(const Request&);
Runner DefineCommand(const std::string& command, CLI::App& app, Request& request) {
    const auto files = [&](bool many) {
        CLI::Option* option = app.add_option("FILE", request.inputs)->required();
        // One file: a second is an error, not the last one taken as options are.
        if (!many) option->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    };
    const auto output = [&] { return app.add_option("-o,--output", request.output); };
    if (command == "info") {
        files(false);
        app.add_flag("--json", request.json);
        AddPreparation(app, request);
        return RunInfo;
    }
    if (command == "pack") {
        files(true);
        output()->excludes(app.add_option("-d,--dir", request.dir));
        app.add_option("--table-from", request.tableFrom);
        AddEncoder(app, request);
        AddPreparation(app, request);
        return RunPack;
    }
    if (command == "repack" || command == "snr") {
        files(false);
        if (command == "repack") output()->required();
        AddEncoder(app, request);
        AddPreparation(app, request);
        return command == "repack" ? RunRepack : RunSnr;
    }
    if (command == "convert") {
        files(false);
        output()->required();
        AddPreparation(app, request);
        return RunConvert;
    }
    if (command == "bank") {
        app.add_option("FILE", request.inputs);
        app.add_option("--list", request.list);
        output()->required();
        app.add_flag("--json", request.json);
        app.add_flag("--tap", request.tap);
        request.encoder = Encoder::Trellis;  // the best coder that packs a full kit in a moment
        AddEncoder(app, request);
        request.rate = {RateChoice::Kind::Nearest};
        AddPreparation(app, request);
        AddChoice(app, "--card", "takes 112k or 466k", ParseCardMemory,
                  [&request](CardMemory card) { request.card = card; });
        AddChoice(app, "--first-page", "takes 0 to 255", ParsePage,
                  [&request](std::size_t page) { request.firstPage = page; });
        AddChoice(app, "--reserve", "takes a number of bytes, or of K (1 024 bytes) as 20K",
                  ParseBytes, [&request](std::size_t bytes) { request.reserve = bytes; });
        return RunBank;
    }
    if (command == "render") {
        files(false);
        output()->required();
        AddEncoder(app, request);
        AddPreparation(app, request);
        AddRenderChoice(app, request.render);
        return RunRender;
    }
    if (command == "unpack") {
        files(false);
        output()->required();
        AddChoice(app, "--rate", "takes note:36 to note:71, or a whole number of Hz from 1",
                  ParseUnpackRate, [&request](RateChoice rate) { request.unpackRate = rate; });
        AddRom(app, request);
        return RunUnpack;
    }
    if (command == "depacker" || command == "demo") {
        output();
        return command == "demo" ? RunDemo : RunDepacker;
    }
    return nullptr;
}

}  // namespace

int RunCommandLine(Args args) {
    if (args.empty()) return UsageError("no command given");
    const std::string command = args.front();
    args.erase(args.begin());
    const bool help =
        command == "help" || std::any_of(args.begin(), args.end(), [](const std::string& arg) {
            return arg == "--help" || arg == "-h";
        });
    if (help || command == "--help" || command == "-h") return PrintResult(kUsage, kExitOk);
    if (command == "--version") {
        return PrintResult("corvane-cli " CORVANE_VERSION "\n", kExitOk);  // project(VERSION)
    }

    Request request;
    CLI::App app("corvane-cli " + command);
    app.set_help_flag();
    app.allow_windows_style_options(false);  // "/x" is a path, on Windows too
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    const Runner run = DefineCommand(command, app, request);
    if (run == nullptr) return UsageError("unknown command '" + command + "'");
    try {
        std::reverse(args.begin(), args.end());  // CLI11 takes them last first
        app.parse(args);
    } catch (const CLI::ParseError& error) {
        return UsageError(command + ": " + error.what());
    }
    try {
        return run(request);
    } catch (const std::bad_alloc&) {
        Refuse(command, "there was not enough memory");
        return kExitRefused;
    }
}

int PrintResult(std::string_view text, int status) {
    std::string error;
    if (Print(text, error)) return status;
    PrintError("corvane-cli: standard output: cannot write: " + error + "\n");
    return kExitRefused;
}

void Refuse(const std::string& subject, const std::string& why) {
    PrintError("corvane-cli: " + (IsStandardStream(subject) ? "standard input" : subject) + ": " +
               why + "\n");
}

int UsageError(const std::string& why) {
    PrintError("corvane-cli: " + why + " (see 'corvane-cli --help')\n");
    return kExitUsage;
}

}  // namespace corvane::cli
