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

Json BudgetJson(const Bank& bank, const std::string& name, const Request& request) {
    Json json;
    json["name"] = name;
    json["card"] = CardMemoryName(request.card);
    json["rom"] = RomName(request.rom);
    Json samples = Json::array();
    const std::string label = BankLabelOf(name);
    for (std::size_t i = 0; i < bank.samples.size(); ++i) {
        const BankSample& s = bank.samples[i];
        const auto loop = s.loop;
        samples.push_back({{"file", s.name},
                           {"equate", label + "_" + s.equate},
                           {"cardBytes", 4 * (s.file.size() - kPackedHeaderSize)},
                           {"hostBytes", s.file.size()},
                           {"page", bank.placements[i].page},
                           {"address", bank.placements[i].address},
                           {"note", s.pitch.note.note},
                           {"finetune", s.pitch.note.finetune},
                           {"pitchCents", std::round(s.pitch.cents * 10) / 10},
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
    const auto tooBig = BankTooBigText(b, request.card);
    json["refusal"] = tooBig ? Json(*tooBig) : Json(nullptr);
    return json;
}

}  // namespace

int RunBank(const Request& request) {
    const fs::path output = PathOf(*request.output);
    const std::string name = Utf8Of(output.filename());
    if (!ValidFileName(name)) {
        return UsageError("bank: -o DIR/NAME needs a NAME that is a file name, not '" + name + "'");
    }
    int exitCode = kExitOk;
    std::vector<BankSample> samples;
    Preparation how = request.HowToPrepare();
    how.wideFormats = true;    // 24- and 32-bit sources too, at any rate
    how.refuseTooLong = true;  // not converted only to be refused
    for (const std::string& input : request.inputs) {
        if (IsStandardStream(input)) return UsageError("bank: takes named files, not -");
        const auto source = LoadAnalysedSource(input, how);
        if (!source) continue;  // named, and left out
        if (const Refusal refusal = BankRefusal(source->loaded); refusal != Refusal::None) {
            Refuse(input, RefusalText(refusal));
            continue;
        }
        samples.push_back(PackForBank(Utf8Of(PathOf(input).filename()), source->loaded,
                                      request.encoder, request.rom));
    }
    if (samples.empty()) {
        PrintError("corvane-cli: bank: no sample left to put in it\n");
        return kExitRefused;
    }
    const Bank bank = LayOutBank(std::move(samples), request.card);
    std::string budget;
    if (request.json) {
        budget = BudgetJson(bank, name, request).dump(2) + "\n";
    } else {
        for (const std::string& line : BudgetLines(bank, name, request.card)) budget += line + "\n";
    }
    exitCode = PrintResult(budget, exitCode);
    if (const auto tooBig = BankTooBigText(bank.budget, request.card)) {
        PrintError("corvane-cli: bank: " + *tooBig + "\n");
        return kExitRefused;
    }
    if (exitCode != kExitOk) return exitCode;

    const auto made = BankFiles(bank, name);
    std::vector<FileToWrite> files;
    for (const BankFile& file : made)
        files.push_back({fs::path(output).concat(file.ending), file.bytes});
    std::string error;
    if (!WriteFilesReplacing(files, error)) {
        Refuse(*request.output, "cannot write the bank: " + error);
        return kExitRefused;
    }
    return kExitOk;
}

}  // namespace corvane::cli
