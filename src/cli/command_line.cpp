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
    "  info FILE.wav [--json]        file facts, gain span, packed size, step table, peak,\n"
    "                                and what the packed file costs the target\n"
    "  pack FILE.wav... [-o OUT | -d DIR] [--table-from OTHER.wav] [--encoder=E]\n"
    "                                write packed files (drum.wav -> drum.C beside the\n"
    "                                source, into DIR, or to OUT for one input)\n"
    "  repack FILE.wav -o OUT.wav [--encoder=E]\n"
    "                                the sample packed and unpacked again, as a WAV\n"
    "  snr FILE.wav [--encoder=E]    signal-to-noise ratio of the repacked sample\n"
    "  unpack FILE.C -o OUT.wav [--rate HZ]\n"
    "                                decode a packed file to 8-bit mono (default 22050 Hz)\n"
    "  depacker [-o FILE]            write the Z80 depacker listing (default Depacker.txt)\n"
    "  demo [-o FILE]                write a short demo WAV (default demo.wav)\n"
    "\n"
    "'-' as FILE.wav reads standard input, '-o -' writes standard output, so sox can\n"
    "resample, trim or mix first: sox in.wav -r 11025 -c 1 -t wav - | corvane-cli pack - -o x.C\n"
    "Encoders E: greedy (the default, as the window packs), trellis (the codes of\n"
    "least squared error for the derived table), optimal (trellis with a table\n"
    "searched for the sample; slower).\n"
    "Options: --help, --version\n"
    "Exit status: 0 success, 1 an input was refused or an output could not be written,\n"
    "2 usage error.\n";

// A whole number of Hz from `low` up.
CLI::Validator HertzFrom(std::uint32_t low) {
    return CLI::Validator(
        [low](std::string& text) -> std::string {
            std::uint32_t value = 0;
            const char* end = text.data() + text.size();
            const auto [ptr, ec] = std::from_chars(text.data(), end, value);
            if (ec != std::errc() || ptr != end || value < low) {
                return "needs a whole number of Hz, at least " + std::to_string(low);
            }
            return {};
        },
        "HZ");
}

void AddEncoder(CLI::App& app, Request& request) {
    app.add_option_function<std::string>("--encoder",
                                         [&request](const std::string& name) {
                                             request.encoder =
                                                 ParseEncoderName(name).value_or(Encoder::Greedy);
                                         })
        ->check(CLI::Validator(
            [](std::string& name) -> std::string {
                return ParseEncoderName(name) ? "" : "takes greedy, trellis or optimal";
            },
            "E"));
}

// The arguments and options `command` takes; nullptr for a command there is not.
using Runner = int (*)(const Request&);
Runner DefineCommand(const std::string& command, CLI::App& app, Request& request) {
    const auto files = [&](bool many) {
        CLI::Option* option = app.add_option("FILE", request.inputs)->required();
        if (!many) option->expected(1);
    };
    const auto output = [&] { return app.add_option("-o,--output", request.output); };
    if (command == "info") {
        files(false);
        app.add_flag("--json", request.json);
        return RunInfo;
    }
    if (command == "pack") {
        files(true);
        output()->excludes(app.add_option("-d,--dir", request.dir));
        app.add_option("--table-from", request.tableFrom);
        AddEncoder(app, request);
        return RunPack;
    }
    if (command == "repack" || command == "snr") {
        files(false);
        if (command == "repack") output()->required();
        AddEncoder(app, request);
        return command == "repack" ? RunRepack : RunSnr;
    }
    if (command == "unpack") {
        files(false);
        output()->required();
        app.add_option("--rate", request.unpackRate)->check(HertzFrom(1));
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
