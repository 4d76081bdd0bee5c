#include "card/bank_list.h"

#include <cctype>

#include "card/asm_names.h"

namespace corvane {
namespace {

bool Space(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// A word of a line: in double quotes when it holds a space or a '#'.
std::string Word(const std::string& text) {
    return text.find_first_of(" \t#") != std::string::npos ? "\"" + text + "\"" : text;
}

const char* NameOf(Encoder encoder) {
    return encoder == Encoder::Greedy    ? "greedy"
           : encoder == Encoder::Trellis ? "trellis"
                                         : "optimal";
}

// The words of a line up to a '#' that starts one: a word in double quotes may hold spaces.
std::variant<std::vector<std::string>, std::string> Words(std::string_view line) {
    std::vector<std::string> words;
    for (std::size_t at = 0; at < line.size();) {
        if (Space(line[at])) {
            ++at;
        } else if (line[at] == '#') {
            break;
        } else if (line[at] == '"') {
            const std::size_t end = line.find('"', at + 1);
            if (end == std::string_view::npos) return std::string("a \" without its closing \"");
            words.emplace_back(line.substr(at + 1, end - at - 1));
            at = end + 1;
        } else {
            std::size_t end = at;
            while (end < line.size() && !Space(line[end])) ++end;
            words.emplace_back(line.substr(at, end - at));
            at = end;
        }
    }
    return words;
}

// Reads option `option` = `value` into `entry`; why not, when it cannot.
std::string TakeOption(const std::string& option, const std::string& value, BankEntry& entry) {
    if (option == "--rate") {
        const auto rate = ParseRateChoice(value);
        if (!rate) return "--rate takes source, nearest, note:36 to note:71, or 1000 to 100000";
        entry.rate = *rate;
    } else if (option == "--loop") {
        const auto loop = ParseLoopChoice(value);
        if (!loop) return "--loop takes keep, cut or ignore";
        entry.loop = *loop;
    } else if (option == "--encoder") {
        const auto encoder = ParseEncoderName(value);
        if (!encoder) return "--encoder takes greedy, trellis or optimal";
        entry.encoder = *encoder;
    } else if (option == "--name") {
        if (value.empty() || LabelOf(value) != value) return "--name takes letters, digits and _";
        entry.name = value;
    } else {
        return "a sample takes --rate, --loop, --encoder and --name, not " + option;
    }
    return "";
}

}  // namespace

std::variant<std::vector<BankEntry>, ListProblem> ParseBankList(std::string_view text,
                                                                const BankEntry& defaults) {
    std::vector<BankEntry> entries;
    std::size_t number = 0;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        auto words = Words(line);
        if (const auto* problem = std::get_if<std::string>(&words))
            return ListProblem{number, *problem};
        const auto& w = std::get<std::vector<std::string>>(words);
        if (w.empty()) continue;
        BankEntry entry = defaults;
        entry.file = w[0];
        entry.line = number;
        if (entry.file.starts_with("--"))
            return ListProblem{number, "a line starts with its file, not " + entry.file};
        for (std::size_t i = 1; i < w.size(); ++i) {
            std::string option = w[i], value;
            if (const std::size_t equals = option.find('='); equals != std::string::npos) {
                value = option.substr(equals + 1);
                option.resize(equals);
            } else if (i + 1 < w.size()) {
                value = w[++i];
            } else {
                return ListProblem{number, option + " needs a value"};
            }
            if (const std::string problem = TakeOption(option, value, entry); !problem.empty()) {
                return ListProblem{number, problem};
            }
        }
        entries.push_back(entry);
    }
    return entries;
}

std::string BankListText(const std::vector<BankEntry>& entries,
                         const std::vector<std::string>& comments) {
    std::string text;
    for (const std::string& comment : comments) text += "# " + comment + "\n";
    for (const BankEntry& e : entries) {
        text += Word(e.file) + " --rate=" + RateChoiceName(e.rate) +
                " --loop=" + LoopChoiceName(e.loop) + " --encoder=" + NameOf(e.encoder);
        if (!e.name.empty()) text += " --name=" + e.name;
        text += "\n";
    }
    return text;
}

std::string BankListCommand(const std::string& name, Rom rom, CardMemory card,
                            BankOptions options) {
    std::string command = "corvane-cli bank --list " + Word(name + ".txt") + " -o " + Word(name) +
                          " --rom=" + RomName(rom) + " --card=" + CardMemoryName(card);
    if (options.firstPage != 0) command += " --first-page=" + std::to_string(options.firstPage);
    if (options.reserve != 0) command += " --reserve=" + std::to_string(options.reserve);
    return command;
}

}  // namespace corvane
