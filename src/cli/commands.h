#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "card/bank.h"
#include "card/card_sound.h"
#include "card/pitch.h"
#include "card/rate_choice.h"
#include "codec/encoder_choice.h"
#include "wave/source.h"

namespace corvane::cli {

// Exit codes: 0 success, 1 an input was refused or an output could not be written, 2 usage
// error.
constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

using Args = std::vector<std::string>;  // UTF-8

// The whole command line, program name left out.
int RunCommandLine(Args args);

constexpr double kMostRenderSeconds = 600;

// How `render` plays the sample: each unset choice is the one the sample brings.
struct RenderChoice {
    std::optional<int> note;       // 0 to 95
    std::optional<int> finetune;   // -8 to 7
    int volume = kCardFullVolume;  // 0 to 64
    std::optional<double> seconds;
};

// What a command was asked to do: its file arguments and the options it takes, as parsed.
struct Request {
    std::vector<std::string> inputs;
    std::optional<std::string> output;  // -o
    std::optional<std::string> dir;     // -d
    std::optional<std::string> tableFrom;
    Encoder encoder = Encoder::Greedy;  // bank: trellis, unless given
    bool json = false;
    bool tap = false;  // bank --tap: NAME.tap too, a tape that loads the bank and plays it
    RateChoice unpackRate{RateChoice::Kind::Hertz, 0, 22050};  // the rate unpack's WAV states
    RateChoice rate;                                           // bank: nearest, unless given
    Rom rom = Rom::V104;
    LoopChoice loop = LoopChoice::Keep;
    CardMemory card = CardMemory::Basic;
    std::optional<std::string> list;  // bank --list: a file naming the samples, one a line
    std::size_t firstPage = 0;        // bank --first-page
    std::size_t reserve = 0;          // bank --reserve: card bytes something else takes
    RenderChoice render;

    // How each source is prepared: the rate chosen, on the ROM chosen, and the loop.
    Preparation HowToPrepare() const;
};

int RunInfo(const Request& request);
int RunPack(const Request& request);
int RunRepack(const Request& request);
int RunConvert(const Request& request);
int RunSnr(const Request& request);
int RunUnpack(const Request& request);
int RunDepacker(const Request& request);
int RunDemo(const Request& request);
int RunBank(const Request& request);
int RunRender(const Request& request);

// UTF-8 text to standard output and standard error; on a Windows console, as the console's
// own wide text. Print is false with `error` set when the output refuses the text.
bool Print(std::string_view text, std::string& error);
void PrintError(std::string_view text);

// Text a command exists to print: when it cannot be written, says so on stderr and returns
// kExitRefused, else `status`.
int PrintResult(std::string_view text, int status);

// Prints "corvane-cli: <subject>: <why>" on stderr.
void Refuse(const std::string& subject, const std::string& why);
// Prints "corvane-cli: <why>" and where to find help, on one line; returns kExitUsage.
int UsageError(const std::string& why);

// Writes a whole output file, or standard output for "-"; when it cannot, says why on stderr.
bool Write(const std::string& target, std::span<const std::uint8_t> bytes);

// "-" names standard input or output.
inline bool IsStandardStream(const std::string& name) { return name == "-"; }

}  // namespace corvane::cli
