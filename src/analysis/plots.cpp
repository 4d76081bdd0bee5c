#include "analysis/plots.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace corvane {
namespace {

constexpr std::uint8_t kPlotBlue[3] = {215, 120, 0};  // blue, green, red
constexpr std::uint8_t kLineXor = 16;

void SetBlue(std::uint8_t* pixel) {
    pixel[0] = kPlotBlue[0];
    pixel[1] = kPlotBlue[1];
    pixel[2] = kPlotBlue[2];
}

void XorLine(std::uint8_t* pixel) {
    pixel[0] ^= kLineXor;
    pixel[1] ^= kLineXor;
    pixel[2] ^= kLineXor;
}

std::uint8_t* Pixel(std::span<std::uint8_t> pixels, int width, int x, int y) {
    return pixels.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                            static_cast<std::size_t>(x)) *
                               4;
}

// Top row of a bar or decade line for `count` on the log scale up to `peak`.
int LogRow(double count, std::int32_t peak) {
    return static_cast<int>(192.0 -
                            (std::log10(count) / std::log10(static_cast<double>(peak))) * 190.0);
}

}  // namespace

void ClearPixels(std::span<std::uint8_t> pixels) {
    for (std::size_t i = 0; i + 3 < pixels.size(); i += 4) {
        pixels[i] = pixels[i + 1] = pixels[i + 2] = 255;
    }
}

void DrawWaveform(std::span<const std::uint8_t> samples,
                  std::span<std::uint8_t, kWaveformBytes> pixels) {
    const std::size_t n = samples.size();
    std::size_t perColumn = n / kWaveformWidth;
    if (perColumn == 0) perColumn = 1;
    // Samples past the last whole column would land beyond the picture. Each
    // column first notes which rows its samples hit, so a long sample costs
    // one byte store per sample rather than a pixel write and a division.
    const std::size_t columns = std::min<std::size_t>(kWaveformWidth, n / perColumn);
    for (std::size_t x = 0; x < columns; ++x) {
        std::array<bool, 256> hit{};  // by sample value; values 2y and 2y + 1 share row 127 - y
        for (const std::uint8_t s : samples.subspan(x * perColumn, perColumn)) hit[s] = true;
        for (int y = 0; y < kWaveformHeight; ++y) {
            if (hit[static_cast<std::size_t>(254 - 2 * y)] ||
                hit[static_cast<std::size_t>(255 - 2 * y)]) {
                SetBlue(Pixel(pixels, kWaveformWidth, static_cast<int>(x), y));
            }
        }
    }
    for (int x = 0; x < kWaveformWidth; ++x) XorLine(Pixel(pixels, kWaveformWidth, x, 64));
}

void DrawHistogram(const DifferenceHistogram& histogram, std::int32_t peak,
                   std::span<std::uint8_t, kHistogramBytes> pixels) {
    for (int k = 0; k < kHistogramWidth; ++k) {
        const std::int32_t count = histogram[static_cast<std::size_t>(k)];
        if (count <= 0) continue;
        // With a peak of 1 the log scale has no height: every bar is full.
        const int top = std::max(0, peak > 1 ? LogRow(count, peak) : 2);
        for (int y = top; y <= 191; ++y) SetBlue(Pixel(pixels, kHistogramWidth, k, y));
    }
    for (int y = 0; y < kHistogramHeight; ++y) XorLine(Pixel(pixels, kHistogramWidth, 128, y));
    if (peak > 10) {
        for (long long v = 10; v < peak; v *= 10) {
            const int row = LogRow(static_cast<double>(v), peak);
            for (int x = 0; x < kHistogramWidth; ++x)
                XorLine(Pixel(pixels, kHistogramWidth, x, row));
        }
    }
}

}  // namespace corvane
