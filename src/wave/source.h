#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "codec/progress.h"
#include "wave/resample.h"
#include "wave/wave_header.h"

namespace corvane {

// Why a source cannot be made into a packed file, in the order the checks run; None when it
// can. One answer for the file facts, corvane-cli, the single save and the batch report.
enum class Refusal : std::uint8_t {
    None,
    Unreadable,         // not opened or read, or empty
    NotPcm,             // an audio format other than 1
    Channels,           // neither mono nor stereo
    BitDepth,           // neither 8 nor 16 bits a sample
    TooLong,            // its packed data would overflow the 16-bit length field
    OutOfMemory,        // no room to load or pack it
    EndsEarly,          // a stream that ended before the data size its header declares
    RateUnconvertible,  // its rate is 0, or too far from the rate chosen to convert
    NoCardSamples,      // for a bank: its packed file holds no sample for the card
};

// The header fields that decide whether a source is taken, as the file states them.
struct WaveFormat {
    std::uint16_t audioFormat = 0;
    std::uint16_t channels = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t dataSize = 0;

    bool Pcm() const { return audioFormat == 1; }
    bool ChannelsOk() const { return channels == 1 || channels == 2; }
    bool BitsOk() const { return bitsPerSample == 8 || bitsPerSample == 16; }
    // Bits per sample >> 3, kept in 8 bits as the normalisation reads it.
    std::uint8_t BytesPerSample() const { return static_cast<std::uint8_t>(bitsPerSample >> 3); }
    Refusal Check() const;  // the first check that fails, or None
    // Data size / bytes per sample / rate / channels, each division truncating; 0 when a
    // divisor is 0.
    std::uint32_t Seconds() const;
};

WaveFormat FormatOf(const WaveHeader& header);

// Data sizes a writer that cannot seek back leaves: 0 and 0xFFFFFFFF, and sox's 0x7FFFF000.
bool SizeUnknown(std::uint32_t size);

// Turns the bytes of a WAV file into a canonical image: a 44-byte header
// followed by the sample bytes. Files that start "RIFF"...."WAVE" have their
// chunks walked for the first "fmt " (>= 16 bytes) and "data" chunks; anything
// else is read with the fixed 44-byte layout (short files padded with zeros).
std::vector<std::uint8_t> CanonicalWaveImage(std::span<const std::uint8_t> file);
// The same image made inside the file's own buffer: no second copy of a long file.
std::vector<std::uint8_t> CanonicalWaveImageInPlace(std::vector<std::uint8_t> file);

// Rewrites the image in place to 8-bit unsigned mono (16 -> 8 bits, then
// stereo -> mono), keeping its header true to the new content.
void NormaliseSample(std::vector<std::uint8_t>& image, std::uint8_t bytesPerSample);

// The first loop of a WAV's "smpl" chunk, in sample frames; `end` is the loop's last frame.
struct SampleLoop {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    std::uint32_t Length() const { return end - start + 1; }
    bool operator==(const SampleLoop&) const = default;
};
// How a "smpl" chunk's loop plays on a sampler: forward, ping-pong, backward (types 0, 1, 2),
// or a type of a sampler's own. The card plays every loop forward.
enum class LoopKind : std::uint8_t { Forward, PingPong, Backward, Other };
// Why a "smpl" chunk's loop was not taken: too short to hold one, or not inside the samples.
enum class LoopProblem : std::uint8_t { None, Malformed, OutOfRange };

// What a sample that has a loop keeps: the loop and what follows it, the loop alone with
// nothing after it (a sustained instrument never plays past the loop), or no loop.
enum class LoopChoice : std::uint8_t { Keep, Cut, Ignore };

// How a source is made into the sample the program works on: its own rate or another one,
// and its loop.
struct Preparation {
    std::uint32_t rate = 0;  // samples a second; 0 keeps the source's own
    LoopChoice loop = LoopChoice::Keep;
    // 24- and 32-bit integer and 32-bit float sources are read whenever a rate is asked; this
    // reads them at the source's own rate too (a bank converts every source anyway).
    bool wideFormats = false;
    // A sample that a packed file could not hold is refused as too long before it is converted.
    bool refuseTooLong = false;
    // When set, the rate for a source of the rate given (0: its own), instead of `rate`.
    std::function<std::uint32_t(std::uint32_t)> rateFor = nullptr;
};

// A source file loaded as the program works on it: canonical image, format checks,
// normalisation (which runs whether or not the format is accepted), or conversion to another
// rate for an accepted one; the loop carried through.
struct LoadedSource {
    std::vector<std::uint8_t> image;  // normalised: 44-byte header + 8-bit mono samples
    WaveFormat format;  // as the file states it, before normalisation; a data size that means
                        // "unknown" (a stream's) is the data read
    Refusal refusal = Refusal::Unreadable;
    // The file ends before the data size its header declares, a size that means "unknown"
    // aside. A named file is packed as far as it goes; a stream that ends early was cut off.
    bool endsEarly = false;
    // In the image's samples; none when ignored. A loop kept is prepared for the card: it never
    // starts at sample 0 (the card does not store it; a silent sample goes before), and the
    // samples after its end reach a byte's end, so the card stores the loop's last sample.
    std::optional<SampleLoop> loop;
    LoopKind loopKind = LoopKind::Forward;
    LoopProblem loopProblem = LoopProblem::None;
    bool hasLoop = false;  // the file has a usable loop, kept or ignored
    // A mono or stereo source of 24- or 32-bit integers or 32-bit floats, which only a
    // conversion reads: its coding (refused or not); none for any other source.
    std::optional<SampleCoding> wide;
    bool Valid() const { return refusal == Refusal::None; }
};

LoadedSource LoadSourceBytes(std::span<const std::uint8_t> file, const Preparation& how = {});
// The same from a buffer the caller hands over (a file just read): the image
// is made and normalised inside it, as the program's one WAV buffer is. A conversion to another
// rate reports to `progress` and stops when it asks (the source is then refused).
LoadedSource LoadSourceInPlace(std::vector<std::uint8_t> file, const Preparation& how = {},
                               Progress* progress = nullptr);

// Why a loaded source cannot be stored as a packed file: its own refusal, else too long.
Refusal StoreRefusal(const LoadedSource& source);

// The samples of a normalised image (bytes from 44 on).
std::span<const std::uint8_t> SamplesOf(std::span<const std::uint8_t> image);
std::span<std::uint8_t> MutableSamplesOf(std::span<std::uint8_t> image);

}  // namespace corvane
