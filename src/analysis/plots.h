#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "analysis/statistics.h"

namespace corvane {

// Pixel buffers: 4 bytes a pixel (blue, green, red, unused), rows top-down.
constexpr int kHistogramWidth = 256;
constexpr int kHistogramHeight = 192;
constexpr int kWaveformWidth = 776;
constexpr int kWaveformHeight = 128;
constexpr std::size_t kHistogramBytes = std::size_t{kHistogramWidth} * kHistogramHeight * 4;
constexpr std::size_t kWaveformBytes = std::size_t{kWaveformWidth} * kWaveformHeight * 4;

// Sets blue, green and red of every pixel to 255; the fourth bytes are kept.
void ClearPixels(std::span<std::uint8_t> pixels);

// Draw over a cleared buffer: dots per sample plus the centre line.
void DrawWaveform(std::span<const std::uint8_t> samples,
                  std::span<std::uint8_t, kWaveformBytes> pixels);
// Log-scale bars, the zero line and the decade lines.
void DrawHistogram(const DifferenceHistogram& histogram, std::int32_t peak,
                   std::span<std::uint8_t, kHistogramBytes> pixels);

}  // namespace corvane
