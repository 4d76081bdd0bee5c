#pragma once
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace corvane::cli {

// Positional arguments, "-x VALUE" / "--name VALUE" / "--name=VALUE" options and flags.
struct Options {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;  // keyed by the long name
    std::set<std::string> flags;

    std::optional<std::string> Get(const std::string& name) const;
};

// `known` maps each accepted option (short "-o" or long "--output") to its long
// name; `flags` are the accepted options without a value. Returns nullopt with `error` set
// for an unknown or incomplete option.
std::optional<Options> ParseOptions(const std::vector<std::string>& args,
                                    const std::map<std::string, std::string>& known,
                                    std::string& error, const std::set<std::string>& flags = {});

}  // namespace corvane::cli
