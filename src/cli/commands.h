#pragma once
#include <string>
#include <vector>

namespace corvane::cli {

// Exit codes: 0 success, 1 an input was refused, 2 usage error.
constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

using Args = std::vector<std::string>;  // the arguments after the command name

int RunInfo(const Args& args);
int RunPack(const Args& args);
int RunRepack(const Args& args);
int RunSnr(const Args& args);
int RunUnpack(const Args& args);
int RunDepacker(const Args& args);
int RunDemo(const Args& args);

// Prints "corvane-cli: <subject>: <why>" on stderr.
void Refuse(const std::string& subject, const std::string& why);
int UsageError(const std::string& why);

}  // namespace corvane::cli
