#include "cli/options.h"

namespace corvane::cli {

std::optional<std::string> Options::Get(const std::string& name) const {
    const auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args,
                                    const std::map<std::string, std::string>& known,
                                    std::string& error, const std::set<std::string>& flags) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-' || arg == "--") {
            options.positional.push_back(arg);  // "-" alone names standard output
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (flags.contains(name) && !value) {
            options.flags.insert(name);
            continue;
        }
        const auto it = known.find(name);
        if (it == known.end()) {
            error = "unknown option " + name;
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                error = "option " + name + " needs a value";
                return std::nullopt;
            }
            value = args[++i];
        }
        options.values[it->second] = *value;
    }
    return options;
}

}  // namespace corvane::cli
