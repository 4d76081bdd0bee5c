// corvane-cli info: the facts of a source as the window shows them, or as one JSON object.
#include <cmath>
#include <nlohmann/json.hpp>

#include "card/card_loop.h"
#include "cli/commands.h"
#include "cli/source_file.h"
#include "codec/depacker_listing.h"
#include "text/card_text.h"
#include "text/facts.h"
#include "text/summary.h"

namespace corvane::cli {

namespace {

using Json = nlohmann::ordered_json;  // keys in the order README's table gives them

// `value` to `decimals` places: divided last, so 1.4 prints as 1.4.
double Rounded(double value, int decimals) {
    const double scale = std::pow(10, decimals);
    return std::round(value * scale) / scale;
}

// What the card makes of the sample: the note that plays it at its own pitch, its loop.
void PutCard(Json& json, Rom rom, const LoadedSource& loaded) {
    const std::uint32_t rate = WaveHeader::From(loaded.image).SampleRate();
    const PitchMatch match = NearestNote(rom, rate);
    const bool within = match.range == PitchMatch::Range::Within;
    const auto ifWithin = [within](Json value) { return within ? value : Json(nullptr); };
    json["rom"] = RomName(rom);
    json["rate"] = rate;
    json["cardNote"] = ifWithin(match.note.note);
    json["cardFinetune"] = ifWithin(match.note.finetune);
    json["cardNoteRate"] = ifWithin(Rounded(RateOf(rom, match.note), 2));
    json["pitchCents"] = ifWithin(Rounded(match.cents, 1) + 0.0);  // never -0.0
    json["pitchRange"] = within                                     ? "within"
                         : match.range == PitchMatch::Range::TooLow ? "low"
                                                                    : "high";
    const auto loop = loaded.loop;
    const auto card = loop ? CardLoopOf(*loop, SamplesOf(loaded.image).size()) : std::nullopt;
    json["loopStart"] = loop ? Json(loop->start) : Json(nullptr);
    json["loopEnd"] = loop ? Json(loop->end) : Json(nullptr);
    json["cardLoopBegin"] = card ? Json(card->begin) : Json(nullptr);
    json["cardLoopEnd"] = card ? Json(card->end) : Json(nullptr);
    json["loopProblem"] = loaded.loopProblem == LoopProblem::Malformed    ? Json("malformed")
                          : loaded.loopProblem == LoopProblem::OutOfRange ? Json("out-of-range")
                                                                          : Json(nullptr);
    static const char* const kKinds[] = {"forward", "ping-pong", "backward", "other"};
    json["loopType"] = loop ? Json(kKinds[static_cast<int>(loaded.loopKind)]) : Json(nullptr);
}

std::string InfoJson(const std::string& path, Rom rom, const LoadedSource& loaded,
                     const AnalysedSource* source) {
    Json json;
    json["file"] = path;
    const WaveFormat& f = loaded.format;
    const bool read = loaded.refusal != Refusal::Unreadable;
    const auto field = [read](long long value) { return read ? Json(value) : Json(nullptr); };
    json["formatCode"] = field(f.audioFormat);
    json["channels"] = field(f.channels);
    json["bitsPerSample"] = field(f.bitsPerSample);
    json["sampleRate"] = field(f.sampleRate);
    json["dataSize"] = field(f.dataSize);
    json["lengthSeconds"] = field(f.Seconds());
    json["accepted"] = loaded.Valid();
    json["refusal"] = loaded.Valid() ? Json(nullptr) : Json(RefusalWord(loaded.refusal));
    if (source) {
        const std::size_t samples = SamplesOf(loaded.image).size();
        const bool storable = PackedDataFits(samples);
        const HostCost cost = DepackerCost(PackedDataLength(samples));
        const auto target = [storable](Json value) { return storable ? value : Json(nullptr); };
        json["samples"] = samples;
        json["gainSpanLow"] = source->stats.gainSpanLow;
        json["gainSpanHigh"] = source->stats.gainSpanHigh;
        json["histogramPeak"] = source->stats.peak;
        json["stepTable"] = source->table;
        json["packedSize"] = PackedFileSize(samples);
        json["storable"] = storable;
        json["cardSamples"] = target(cost.cardSamples);
        json["streamSecondsAtLeast"] = target(static_cast<double>(cost.millisecondsAtLeast) / 1000);
        json["fitsHostPage"] = target(cost.fitsPage);
        json["loadAddressLowByteMax"] = kLoadAddressLowByteMax;
        PutCard(json, rom, loaded);
    }
    // A name that is not UTF-8 (any bytes are a POSIX file name) gets U+FFFD for each bad byte.
    return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace

int RunInfo(const Request& request) {
    const std::string& path = request.inputs[0];
    LoadedSource loaded;
    const auto source = LoadAnalysedSource(path, request.HowToPrepare(), &loaded, false);
    const int status = source ? kExitOk : kExitRefused;
    if (request.json) {
        return PrintResult(InfoJson(path, request.rom, source ? source->loaded : loaded,
                                    source ? &*source : nullptr),
                           status);
    }
    std::string text;
    for (const std::string& fact : FactLinesOf(source ? source->loaded : loaded)) {
        text += fact + "\n";
    }
    if (source) {
        const std::size_t samples = SamplesOf(source->loaded.image).size();
        std::string table = TableText(source->table);
        table.pop_back();  // the label's trailing space
        text += GainSpanText(source->stats.gainSpanLow, source->stats.gainSpanHigh) + "\n" +
                FileSizeText(samples) + "\nTable: " + table +
                "\nHistogram Peak: " + std::to_string(source->stats.peak) + "\n";
        if (PackedDataFits(samples)) {
            for (const std::string& line : HostCostLines(PackedDataLength(samples))) {
                text += line + "\n";
            }
        }
        for (const std::string& line : CardLines(request.rom, source->loaded)) text += line + "\n";
    }
    return PrintResult(text, status);
}

}  // namespace corvane::cli
