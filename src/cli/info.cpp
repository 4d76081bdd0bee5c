// corvane-cli info: the facts of a source as the window shows them, or as one JSON object.
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/source_file.h"
#include "codec/depacker_listing.h"
#include "text/facts.h"
#include "text/summary.h"

namespace corvane::cli {

namespace {

using Json = nlohmann::ordered_json;  // keys in the order README's table gives them

std::string InfoJson(const std::string& path, const LoadedSource& loaded,
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
    }
    // A name that is not UTF-8 (any bytes are a POSIX file name) gets U+FFFD for each bad byte.
    return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace

int RunInfo(const Request& request) {
    const std::string& path = request.inputs[0];
    LoadedSource loaded;
    const auto source = LoadAnalysedSource(path, &loaded);
    const int status = source ? kExitOk : kExitRefused;
    if (request.json) {
        return PrintResult(
            InfoJson(path, source ? source->loaded : loaded, source ? &*source : nullptr), status);
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
    }
    return PrintResult(text, status);
}

}  // namespace corvane::cli
