#include "text/facts.h"

#include "text/digit_groups.h"

namespace corvane {

namespace {

std::string Marked(const std::string& text, bool ok) { return text + (ok ? " \u2713" : " \u2718"); }

}  // namespace

FileFacts FactLines(const WaveFormat& f) {
    const std::string channels = f.channels == 1   ? "mono"
                                 : f.channels == 2 ? "stereo"
                                                   : std::to_string(f.channels);
    return {Marked(f.Pcm() ? "Audio Format: PCM" : "Audio Format: NOT PCM", f.Pcm()),
            Marked("Channels: " + channels, f.ChannelsOk()),
            Marked("Bit Depth: " + std::to_string(f.bitsPerSample), f.BitsOk()),
            "Sample Rate: " + FormatDigitGroups(f.sampleRate) + "Hz",
            "Data Size: " + FormatDigitGroups(f.dataSize) + "bytes",
            "Length: " + std::to_string(f.Seconds()) + " sec."};
}

FileFacts UnreadableFactLines() {
    return {Marked("Audio Format: unreadable file", false),
            "Channels:",
            "Bit Depth:",
            "Sample Rate:",
            "Data Size:",
            "Length:"};
}

FileFacts FactLinesOf(const LoadedSource& source) {
    if (source.refusal == Refusal::Unreadable) return UnreadableFactLines();
    FileFacts lines = FactLines(source.format);
    if (source.Valid() && source.wide) {  // read through a conversion
        lines[0] =
            Marked(source.wide->floating ? "Audio Format: float" : "Audio Format: PCM", true);
        lines[2] = Marked("Bit Depth: " + std::to_string(source.format.bitsPerSample), true);
    }
    return lines;
}

std::string RefusalText(const LoadedSource& source) {
    const auto wide = source.wide;
    if (!wide || (source.refusal != Refusal::NotPcm && source.refusal != Refusal::BitDepth)) {
        return RefusalText(source.refusal);
    }
    return std::to_string(wide->bits) + (wide->floating ? "-bit float" : "-bit integer") +
           " samples are read only when a rate is chosen: use --rate=note:60, or convert the "
           "file to 16 bits";
}

std::string RefusalText(Refusal refusal) {
    switch (refusal) {
        case Refusal::None:
            break;
        case Refusal::Unreadable:
            return "the file could not be read";
        case Refusal::NotPcm:
            return "not a PCM WAV file";
        case Refusal::Channels:
            return "neither mono nor stereo";
        case Refusal::BitDepth:
            return "neither 8 nor 16 bits a sample";
        case Refusal::TooLong:
            return "too long: its packed data would exceed 65535 bytes";
        case Refusal::OutOfMemory:
            return "there was not enough memory to load and pack it";
        case Refusal::EndsEarly:
            return "it ended before the data size its header declares";
        case Refusal::RateUnconvertible:
            return "its sample rate cannot be converted to the rate chosen";
        case Refusal::NoCardSamples:
            return "too short: its packed file holds no sample for the card";
    }
    return {};
}

std::string RefusalWord(Refusal refusal) {
    switch (refusal) {
        case Refusal::None:
            break;
        case Refusal::Unreadable:
            return "unreadable";
        case Refusal::NotPcm:
            return "not-pcm";
        case Refusal::Channels:
            return "channels";
        case Refusal::BitDepth:
            return "bit-depth";
        case Refusal::TooLong:
            return "too-long";
        case Refusal::OutOfMemory:
            return "out-of-memory";
        case Refusal::EndsEarly:
            return "ends-early";
        case Refusal::RateUnconvertible:
            return "rate";
        case Refusal::NoCardSamples:
            return "no-card-samples";
    }
    return {};
}

}  // namespace corvane
