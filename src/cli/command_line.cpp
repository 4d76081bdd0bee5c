// corvane-cli: the Corvane core on the command line.
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
    "Exit status: 0 success, 1 an input was refused, 2 usage error.\n";

}  // namespace

int RunCommandLine(Args args) {
    if (args.empty()) return UsageError("no command given");
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        Print(kUsage);
        return kExitOk;
    }
    if (command == "--version") {
        Print("corvane-cli " CORVANE_VERSION "\n");  // project(VERSION) in CMakeLists.txt
        return kExitOk;
    }
    for (const auto& arg : args) {
        if (arg == "--help" || arg == "-h") {
            Print(kUsage);
            return kExitOk;
        }
    }
    try {
        if (command == "info") return RunInfo(args);
        if (command == "pack") return RunPack(args);
        if (command == "repack") return RunRepack(args);
        if (command == "snr") return RunSnr(args);
        if (command == "unpack") return RunUnpack(args);
        if (command == "depacker") return RunDepacker(args);
        if (command == "demo") return RunDemo(args);
    } catch (const std::bad_alloc&) {
        Refuse(command, "there was not enough memory");
        return kExitRefused;
    }
    return UsageError("unknown command '" + command + "'");
}

void Refuse(const std::string& subject, const std::string& why) {
    PrintError("corvane-cli: " + (IsStandardStream(subject) ? "standard input" : subject) + ": " +
               why + "\n");
}

int UsageError(const std::string& why) {
    PrintError("corvane-cli: " + why + "\nTry 'corvane-cli --help'.\n");
    return kExitUsage;
}

}  // namespace corvane::cli
