#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "wave/wave_header.h"

namespace corvane {

// The six file-fact lines, in label order: audio format, channels, bit depth,
// sample rate, data size, length.
using FileFacts = std::array<std::wstring, 6>;

// Turns the bytes of a WAV file into a canonical image: a 44-byte header
// followed by the sample bytes. Files that start "RIFF"...."WAVE" have their
// chunks walked for the first "fmt " (>= 16 bytes) and "data" chunks; anything
// else is read with the fixed 44-byte layout (short files padded with zeros).
std::vector<std::uint8_t> CanonicalWaveImage(std::span<const std::uint8_t> file);
// The same image made inside the file's own buffer: no second copy of a long file.
std::vector<std::uint8_t> CanonicalWaveImageInPlace(std::vector<std::uint8_t> file);

struct FormatCheck {
    bool valid = false;               // PCM, 1 or 2 channels, 8 or 16 bits
    std::uint8_t bytesPerSample = 0;  // bits per sample >> 3, kept in 8 bits
    FileFacts facts;
};

FormatCheck CheckFormat(const WaveHeader& header);

// Facts of a file that is empty or could not be read.
FileFacts UnreadableFileFacts();

// Rewrites the image in place to 8-bit unsigned mono (16 -> 8 bits, then
// stereo -> mono), keeping its header true to the new content.
void NormaliseSample(std::vector<std::uint8_t>& image, std::uint8_t bytesPerSample);

// Everything loading a source does short of touching files or controls:
// canonical image, format checks, facts, normalisation.
struct LoadedSource {
    std::vector<std::uint8_t> image;  // normalised: 44-byte header + 8-bit mono samples
    bool valid = false;
    std::uint8_t bytesPerSample = 0;
    FileFacts facts;
};

LoadedSource LoadSourceBytes(std::span<const std::uint8_t> file);
// The same from a buffer the caller hands over (a file just read): the image
// is made and normalised inside it, as the program's one WAV buffer is.
LoadedSource LoadSourceInPlace(std::vector<std::uint8_t> file);

// The samples of a normalised image (bytes from 44 on).
std::span<const std::uint8_t> SamplesOf(std::span<const std::uint8_t> image);
std::span<std::uint8_t> MutableSamplesOf(std::span<std::uint8_t> image);

}  // namespace corvane
