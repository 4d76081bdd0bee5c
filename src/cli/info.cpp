// corvane-cli info: the facts of a source as the window shows them, or as one JSON object.
#include <cstdio>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/source_file.h"
#include "codec/depacker_listing.h"
#include "text/facts.h"
#include "text/summary.h"

namespace corvane::cli {

namespace {

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// One JSON object, its members written in order.
class Json {
  public:
    Json& Put(const char* key, const std::string& value) {
        text_ += (text_.size() > 1 ? ",\n  " : "\n  ") + Quoted(key) + ": " + value;
        return *this;
    }
    Json& Put(const char* key, long long value) { return Put(key, std::to_string(value)); }
    Json& Put(const char* key, bool value) {
        return Put(key, std::string(value ? "true" : "false"));
    }
    std::string Text() const { return text_ + "\n}\n"; }

  private:
    std::string text_ = "{";
};

std::string Table(const StepTable& table) {
    std::string text = "[";
    for (std::size_t k = 0; k < table.size(); ++k) {
        text += (k ? ", " : "") + std::to_string(table[k]);
    }
    return text + "]";
}

std::string InfoJson(const std::string& path, const LoadedSource& loaded,
                     const AnalysedSource* source) {
    Json json;
    json.Put("file", Quoted(path));
    const WaveFormat& f = loaded.format;
    const bool read = loaded.refusal != Refusal::Unreadable;
    const auto field = [read](long long value) { return read ? std::to_string(value) : "null"; };
    json.Put("formatCode", field(f.audioFormat))
        .Put("channels", field(f.channels))
        .Put("bitsPerSample", field(f.bitsPerSample))
        .Put("sampleRate", field(f.sampleRate))
        .Put("dataSize", field(f.dataSize))
        .Put("lengthSeconds", field(f.Seconds()))
        .Put("accepted", loaded.Valid())
        .Put("refusal", loaded.Valid() ? "null" : Quoted(RefusalWord(loaded.refusal)));
    if (!source) return json.Text();
    const std::size_t samples = SamplesOf(loaded.image).size();
    const bool storable = PackedDataFits(samples);
    const HostCost cost = DepackerCost(PackedDataLength(samples));
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", cost.secondsAtLeast);
    const auto target = [storable](const std::string& value) { return storable ? value : "null"; };
    json.Put("samples", static_cast<long long>(samples))
        .Put("gainSpanLow", static_cast<long long>(source->stats.gainSpanLow))
        .Put("gainSpanHigh", static_cast<long long>(source->stats.gainSpanHigh))
        .Put("histogramPeak", static_cast<long long>(source->stats.peak))
        .Put("stepTable", Table(source->table))
        .Put("packedSize", static_cast<long long>(PackedFileSize(samples)))
        .Put("storable", storable)
        .Put("cardSamples", target(std::to_string(cost.cardSamples)))
        .Put("streamSecondsAtLeast", target(seconds))
        .Put("fitsHostPage", target(cost.fitsPage ? "true" : "false"))
        .Put("loadAddressLowByteMax", static_cast<long long>(kLoadAddressLowByteMax));
    return json.Text();
}

}  // namespace

int RunInfo(const Args& args) {
    std::string error;
    const auto options = ParseOptions(args, {}, error, {"--json"});
    if (!options) return UsageError(error);
    if (options->positional.size() != 1) return UsageError("info takes one WAV file");
    const std::string& path = options->positional[0];

    LoadedSource loaded;
    const auto source = LoadAnalysedSource(path, &loaded);
    if (options->flags.contains("--json")) {
        Print(InfoJson(path, source ? source->loaded : loaded, source ? &*source : nullptr));
        return source ? kExitOk : kExitRefused;
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
    Print(text);
    return source ? kExitOk : kExitRefused;
}

}  // namespace corvane::cli
