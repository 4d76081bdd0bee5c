// corvane-cli bank: a set of samples ready for a Z80 program to load into the card in one call.
#include "card/bank.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/source_file.h"
#include "files/file_io.h"
#include "text/bank_text.h"
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
                          {"needed", b.needed},
                          {"capacity", b.capacity}};
    json["effects"] = b.effects;
    json["pages"] = b.pages;
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
    const auto tooBig = BankTooBigOf(b, request.card);
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

}  // namespace

int RunBank(const Request& request) {
    const fs::path output = PathOf(*request.output);
    const std::string name = BankNameOf(output);
    if (!ValidFileName(name)) {
        return UsageError("bank: -o DIR/NAME needs a NAME that is a file name, not '" + name + "'");
    }
    for (const std::string& input : request.inputs) {
        if (IsStandardStream(input)) return UsageError("bank: takes named files, not -");
    }
    const fs::path folder = output.parent_path();
    std::error_code error;
    if (!folder.empty() && !fs::is_directory(folder, error)) {
        Refuse(*request.output, "cannot write the bank: there is no folder " + Utf8Of(folder));
        return kExitRefused;
    }
    std::vector<BankSample> samples;
    std::vector<LeftOut> leftOut;
    for (const std::string& input : request.inputs) {
        LoadedSource refused;
        const auto source = LoadAnalysedSource(input, request.HowToPrepare(), &refused);
        if (!source) {  // said on stderr
            leftOut.push_back({input, refused.refusal});
            continue;
        }
        if (const Refusal refusal = BankRefusal(source->loaded); refusal != Refusal::None) {
            Refuse(input, RefusalText(refusal));
            leftOut.push_back({input, refusal});
            continue;
        }
        samples.push_back(PackForBank(Utf8Of(PathOf(input).filename()), source->loaded,
                                      request.encoder, request.rom));
    }
    if (samples.empty()) {
        PrintError("corvane-cli: bank: no sample left to put in it\n");
        return kExitRefused;
    }
    const Bank bank = LayOutBank(std::move(samples), request.card, name);
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
    if (const auto tooBig = BankTooBigOf(bank.budget, request.card)) {
        PrintError("corvane-cli: bank: " + tooBig->text + "\n");
        return kExitRefused;
    }
    if (printed != kExitOk) return printed;

    const std::vector<BankFile> made = BankFiles(bank);  // the bytes the files below point at
    std::vector<FileToWrite> files;
    for (const BankFile& file : made) {
        files.push_back({fs::path(folder / name).concat(file.ending), file.bytes});
    }
    std::string writeError;
    if (!WriteFilesReplacing(files, writeError)) {
        Refuse(*request.output, "cannot write the bank: " + writeError);
        return kExitRefused;
    }
    return leftOut.empty() ? kExitOk : kExitRefused;
}

}  // namespace corvane::cli
