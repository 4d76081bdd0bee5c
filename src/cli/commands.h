#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace corvane::cli {

// Exit codes: 0 success, 1 an input was refused, 2 usage error.
constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

using Args = std::vector<std::string>;  // UTF-8, the arguments after the command name

// The whole command line, program name left out.
int RunCommandLine(Args args);

int RunInfo(const Args& args);
int RunPack(const Args& args);
int RunRepack(const Args& args);
int RunSnr(const Args& args);
int RunUnpack(const Args& args);
int RunDepacker(const Args& args);
int RunDemo(const Args& args);

// UTF-8 text to standard output and standard error; on a Windows console, as the console's
// own wide text.
void Print(std::string_view text);
void PrintError(std::string_view text);

// Prints "corvane-cli: <subject>: <why>" on stderr.
void Refuse(const std::string& subject, const std::string& why);
int UsageError(const std::string& why);

// "-" names standard input or output.
inline bool IsStandardStream(const std::string& name) { return name == "-"; }

}  // namespace corvane::cli
