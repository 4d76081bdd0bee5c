// corvane-cli bank: a set of samples ready for a Z80 program to load into the card in one call.
#include "card/bank.h"

#include <cctype>
#include <cmath>
#include <nlohmann/json.hpp>
#include <set>
#include <variant>

#include "card/asm_names.h"
#include "card/bank_list.h"
#include "card/bank_tape.h"
#include "cli/commands.h"
#include "cli/source_file.h"
#include "files/file_io.h"
#include "text/bank_text.h"
#include "text/card_text.h"
#include "text/facts.h"

namespace corvane::cli {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

// A name every file system takes: no separator, no character Windows refuses, no device name.
bool ValidFileName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ') {
        return false;
    }
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) {
            return false;
        }
    }
    std::string device = name.substr(0, name.find('.'));
    for (char& c : device) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* reserved : {"CON", "PRN", "AUX", "NUL"}) {
        if (device == reserved) return false;
    }
    return !(device.size() == 4 && (device.starts_with("COM") || device.starts_with("LPT")) &&
             device[3] >= '1' && device[3] <= '9');
}

// A source left out of the bank, and why.
struct LeftOut {
    std::string file;
    Refusal refusal;
};

Json BudgetJson(const Bank& bank, const Request& request, const std::vector<LeftOut>& leftOut) {
    Json json;
    json["name"] = bank.name;
    json["card"] = CardMemoryName(request.card);
    json["rom"] = RomName(request.rom);
    Json samples = Json::array();
    for (std::size_t i = 0; i < bank.samples.size(); ++i) {
        const BankSample& s = bank.samples[i];
        const auto loop = s.loop;
        samples.push_back({{"file", s.name},
                           {"equate", bank.label + "_" + s.equate},
                           {"cardBytes", 4 * (s.file.size() - kPackedHeaderSize)},
                           {"hostBytes", s.file.size()},
                           {"page", bank.firstPage + bank.placements[i].page},
                           {"address", bank.placements[i].address},
                           {"note", s.pitch.note.note},
                           {"finetune", s.pitch.note.finetune},
                           {"pitchCents", std::round(s.pitch.cents * 10) / 10 + 0.0},
                           {"pitchInRange", s.pitch.range == PitchMatch::Range::Within},
                           {"cardLoopBegin", loop ? Json(loop->begin) : Json(nullptr)},
                           {"cardLoopEnd", loop ? Json(loop->end) : Json(nullptr)}});
    }
    json["samples"] = samples;
    const BankBudget& b = bank.budget;
    json["cardMemory"] = {{"samples", b.sampleBytes},
                          {"perSample", kCardBytesPerSample * b.effects},
                          {"keptFree", kCardBytesKeptFree},
                          {"reserved", b.reserved},
                          {"needed", b.needed},
                          {"capacity", b.capacity}};
    json["effects"] = b.effects;
    json["pages"] = b.pages;
    json["firstPage"] = bank.firstPage;
    json["loadsInStages"] = b.LoadsInStages();
    const double seconds = static_cast<double>(b.loadTStates) / 3.5e6;
    json["load"] = {
        {"tStates", b.loadTStates},
        {"seconds", std::round(seconds * 100) / 100},
        {"tStatesPerCardByte", b.sampleBytes ? std::round(static_cast<double>(b.loadTStates) /
                                                          static_cast<double>(b.sampleBytes) * 10) /
                                                   10
                                             : 0.0}};
    json["warnings"] = BankWarnings(bank);
    Json left = Json::array();
    for (const auto& [file, refusal] : leftOut) {
        left.push_back(
            {{"file", file}, {"reason", RefusalWord(refusal)}, {"text", RefusalText(refusal)}});
    }
    json["leftOut"] = left;
    const auto tooBig = BankTooBigOf(bank, request.card);
    json["refusal"] = tooBig ? Json(tooBig->word) : Json(nullptr);
    json["refusalText"] = tooBig ? Json(tooBig->text) : Json(nullptr);
    return json;
}

// The bank's name as -o gives it: its last part, without an ending .asm (the window's save
// dialog takes NAME.asm alike).
std::string BankNameOf(const fs::path& output) {
    std::string name = Utf8Of(output.filename());
    if (name.size() > 4) {
        std::string ending = name.substr(name.size() - 4);
        for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ending == ".asm") name.resize(name.size() - 4);
    }
    return name;
}

// The bank's samples: a list's lines, its files relative to its folder, then the command line's
// files; each with the command line's choices unless its line has its own. A usage error's text
// when the list cannot be read or has a wrong line.
std::variant<std::vector<BankEntry>, std::string> EntriesOf(const Request& request) {
    BankEntry defaults;
    defaults.rate = request.rate;
    defaults.loop = request.loop;
    defaults.encoder = request.encoder;
    std::vector<BankEntry> entries;
    if (request.list) {
        std::string error;
        const auto bytes = ReadWholeFile(PathOf(*request.list), error);
        if (!bytes) return *request.list + ": cannot be read: " + error;
        const auto parsed =
            ParseBankList({reinterpret_cast<const char*>(bytes->data()), bytes->size()}, defaults);
        if (const auto* problem = std::get_if<ListProblem>(&parsed)) {
            return *request.list + ":" + std::to_string(problem->line) + ": " + problem->reason;
        }
        entries = std::get<std::vector<BankEntry>>(parsed);
        const fs::path folder = PathOf(*request.list).parent_path();
        for (BankEntry& entry : entries) entry.file = Utf8Of(folder / PathOf(entry.file));
    }
    for (const std::string& input : request.inputs) {
        if (IsStandardStream(input)) return "bank: takes named files, not -";
        defaults.file = input;
        entries.push_back(defaults);
    }
    if (entries.empty()) return "bank: needs FILE.wav... or --list LIST";
    return entries;
}

// Why a --name of a list's line cannot be: not a name, too long, the include's own, or another
// sample's; empty when all can.
std::string NamesProblem(const std::vector<BankEntry>& entries, const std::string& label,
                         const std::string& list) {
    std::set<std::string> taken;
    for (const BankEntry& entry : entries) {
        if (entry.name.empty()) continue;
        std::string problem = EquateProblem(entry.name, label);
        std::string upper = entry.name;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (problem.empty() && !taken.insert(upper).second) {
            problem = "another sample has the name " + entry.name;
        }
        if (!problem.empty()) return list + ":" + std::to_string(entry.line) + ": " + problem;
    }
    return "";
}

}  // namespace

int RunBank(const Request& request) {
    const fs::path output = PathOf(*request.output);
    const std::string name = BankNameOf(output);
    if (!ValidFileName(name)) {
        return UsageError("bank: -o DIR/NAME needs a NAME that is a file name, not '" + name + "'");
    }
    const auto listed = EntriesOf(request);
    if (const auto* problem = std::get_if<std::string>(&listed)) return UsageError(*problem);
    const auto& entries = std::get<std::vector<BankEntry>>(listed);
    const std::string names = NamesProblem(entries, BankLabelOf(name), request.list.value_or(""));
    if (!names.empty()) return UsageError(names);
    const fs::path folder = output.parent_path();
    std::error_code error;
    if (!folder.empty() && !fs::is_directory(folder, error)) {
        Refuse(*request.output, "cannot write the bank: there is no folder " + Utf8Of(folder));
        return kExitRefused;
    }

    // Read one after another, prepared and packed several at once; said in the entries' order.
    std::vector<BankSource> sources;
    std::vector<std::string> readErrors(entries.size());  // of a file that could not be read
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const BankEntry& entry = entries[i];
        auto bytes = ReadWholeFile(PathOf(entry.file), readErrors[i]);
        if (bytes && bytes->empty()) readErrors[i] = "it is empty";
        if (!readErrors[i].empty()) continue;
        std::error_code same;  // one file named two ways is one file
        const fs::path canonical = fs::weakly_canonical(PathOf(entry.file), same);
        Preparation how = PreparationFor(entry.rate, request.rom, entry.loop);
        how.wideFormats = true;    // 24- and 32-bit sources too, at any rate
        how.refuseTooLong = true;  // not converted only to be refused
        sources.push_back({Utf8Of(PathOf(entry.file).filename()), Utf8Of(canonical),
                           std::move(*bytes), std::move(how), entry.encoder, entry.name});
    }
    std::vector<BankPacking> packed = PackBankSources(std::move(sources), request.rom);
    std::vector<BankSample> samples;
    std::vector<LeftOut> leftOut;
    for (std::size_t i = 0, next = 0; i < entries.size(); ++i) {
        const std::string& file = entries[i].file;
        if (!readErrors[i].empty()) {
            Refuse(file, RefusalText(Refusal::Unreadable) + ": " + readErrors[i]);
            leftOut.push_back({file, Refusal::Unreadable});
            continue;
        }
        BankPacking& result = packed[next++];
        if (result.refusal != Refusal::None) {
            Refuse(file, RefusalText(result.refusal));
            leftOut.push_back({file, result.refusal});
            continue;
        }
        if (result.loopProblem != LoopProblem::None && entries[i].loop == LoopChoice::Cut) {
            PrintError("corvane-cli: " + file + ": Loop: " + LoopProblemText(result.loopProblem) +
                       "; --loop=cut cut nothing\n");
        }
        samples.push_back(std::move(*result.sample));
    }
    if (samples.empty()) {
        PrintError("corvane-cli: bank: no sample left to put in it\n");
        return kExitRefused;
    }
    const Bank bank =
        LayOutBank(std::move(samples), request.card, name, {request.firstPage, request.reserve});
    std::string budget;
    if (request.json) {
        // A name that is not UTF-8 (any bytes are a POSIX file name) gets U+FFFD a bad byte.
        budget =
            BudgetJson(bank, request, leftOut).dump(2, ' ', false, Json::error_handler_t::replace) +
            "\n";
    } else {
        for (const std::string& line : BudgetLines(bank, request.card)) budget += line + "\n";
    }
    const int printed = PrintResult(budget, kExitOk);
    if (const auto tooBig = BankTooBigOf(bank, request.card)) {
        PrintError("corvane-cli: bank: " + tooBig->text + "\n");
        return kExitRefused;
    }
    if (printed != kExitOk) return printed;

    std::vector<BankFile> made = BankFiles(bank);  // the bytes the files below point at
    if (request.tap) made.push_back({".tap", BankTape(bank)});
    std::vector<FileToWrite> toWrite;
    for (const BankFile& file : made) {
        toWrite.push_back({fs::path(folder / name).concat(file.ending), file.bytes});
    }
    std::string writeError;
    if (!WriteFilesReplacing(toWrite, writeError)) {
        Refuse(*request.output, "cannot write the bank: " + writeError);
        return kExitRefused;
    }
    return leftOut.empty() ? kExitOk : kExitRefused;
}

}  // namespace corvane::cli
