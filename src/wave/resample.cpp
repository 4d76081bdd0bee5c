#include "wave/resample.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>

namespace corvane {
namespace {

// Frames handed to the library at a time: a long source is never held as numbers whole.
constexpr std::size_t kBlockFrames = 8192;

struct ResamplerDeleter {
    void operator()(soxr* resampler) const { soxr_delete(resampler); }
};
using Resampler = std::unique_ptr<soxr, ResamplerDeleter>;

// libsoxr's very high quality, the filter of sox's `rate -v`: linear phase, flat to 91 % of the
// new band and 3 dB down at 95 %, 170 dB of stopband (28 bits, far beyond what 8 bits hold),
// worked out in double precision. Single precision would be quicker still, but it rounds the
// filter's and the transform's sines apart in the two builds' maths libraries, by enough to
// turn the odd 8-bit rounding; in double precision they differ far below it.
Resampler MakeResampler(std::uint32_t sourceRate, std::uint32_t targetRate) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    Resampler resampler(soxr_create(sourceRate, targetRate, 1, &error, &io, &quality, &runtime));
    return error ? nullptr : std::move(resampler);
}

std::int32_t Signed(const std::uint8_t* at, int bytes) {
    std::uint32_t v = 0;
    for (int k = 0; k < bytes; ++k) v |= std::uint32_t{at[k]} << (8 * k + 32 - 8 * bytes);
    return static_cast<std::int32_t>(v);  // sign-extended: the top byte holds the sign
}

// One sample in 8-bit units around 0, exactly (and a sum of two, halved).
template <int kBytes, bool kFloating>
double Value(const std::uint8_t* at) {
    if constexpr (kFloating) {
        float v = 0;
        std::memcpy(&v, at, sizeof v);  // little-endian, as x86 is
        return std::isnan(v) ? 0.0 : std::clamp(double{v}, -1.0, 1.0) * 128.0;
    } else if constexpr (kBytes == 1) {
        return *at - 128.0;
    } else {
        return Signed(at, kBytes) / 16777216.0;  // 2^24: v / 2^(8 bytes - 8)
    }
}

// `count` frames from `at`, mixed to mono, into `out`.
template <int kBytes, bool kFloating>
void MixFrames(const std::uint8_t* at, std::size_t count, std::uint16_t channels, double* out) {
    for (std::size_t k = 0; k < count; ++k, at += kBytes * channels) {
        out[k] = channels == 1
                     ? Value<kBytes, kFloating>(at)
                     : (Value<kBytes, kFloating>(at) + Value<kBytes, kFloating>(at + kBytes)) / 2.0;
    }
}

using Mixer = void (*)(const std::uint8_t*, std::size_t, std::uint16_t, double*);
Mixer MixerFor(SampleCoding coding) {
    if (coding.floating) return MixFrames<4, true>;
    switch (coding.bits) {
        case 8:
            return MixFrames<1, false>;
        case 16:
            return MixFrames<2, false>;
        case 24:
            return MixFrames<3, false>;
        default:
            return MixFrames<4, false>;
    }
}

// Rounded to nearest, halves up, clamped.
std::uint8_t EightBit(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::floor(value + 128.5), 0.0, 255.0));
}

}  // namespace

bool SampleCoding::Readable() const {
    return floating ? bits == 32 : bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool CanResample(std::uint32_t sourceRate, std::uint32_t targetRate) {
    return sourceRate > 0 && targetRate > 0 && std::uint64_t{targetRate} * 256 >= sourceRate &&
           targetRate <= std::uint64_t{sourceRate} * 256;
}

std::uint64_t ScaleToRate(std::uint32_t position, std::uint32_t sourceRate,
                          std::uint32_t targetRate) {
    if (sourceRate == 0) return 0;
    return (std::uint64_t{position} * targetRate + sourceRate / 2) / sourceRate;
}

std::optional<std::vector<std::uint8_t>> ResampleToEightBitMono(
    std::span<const std::uint8_t> samples, std::uint16_t channels, SampleCoding coding,
    std::uint32_t sourceRate, std::uint32_t targetRate, Progress* progress) {
    if ((channels != 1 && channels != 2) || !coding.Readable() ||
        !CanResample(sourceRate, targetRate)) {
        return std::nullopt;
    }
    const std::size_t frameBytes = std::size_t{channels} * (coding.bits / 8);
    const std::size_t frames = samples.size() / frameBytes;
    // A canonical image's data size is 32 bits, so are its frames.
    const std::size_t length =
        ScaleToRate(static_cast<std::uint32_t>(frames), sourceRate, targetRate);
    const Mixer mix = MixerFor(coding);
    std::vector<std::uint8_t> out;
    out.reserve(length);
    // Blocks no longer than a short source needs: clearing them is most of such a conversion.
    const std::size_t block = std::clamp<std::size_t>(frames, 1024, kBlockFrames);
    std::vector<double> in(block), converted(block);
    if (sourceRate == targetRate) {
        for (std::size_t next = 0; next < frames; next += block) {
            const std::size_t count = std::min(block, frames - next);
            mix(samples.data() + next * frameBytes, count, channels, in.data());
            for (std::size_t k = 0; k < count; ++k) out.push_back(EightBit(in[k]));
        }
        return out;
    }
    // libsoxr built without OpenMP keeps its transforms' tables in a cache no lock guards: one
    // conversion at a time, whatever threads (a bank's samples, the window's worker) ask.
    static std::mutex oneAtATime;
    const std::lock_guard<std::mutex> lock(oneAtATime);
    const Resampler resampler = MakeResampler(sourceRate, targetRate);
    if (!resampler) return std::nullopt;
    // After the source, silence: as much as the filter needs to bring out the last samples,
    // taken a block at a time until they are all there, rather than a flush, whose count the
    // library rounds in floating point.
    std::size_t next = 0;  // the first frame not yet mixed
    std::span<const double> pending;
    while (out.size() < length) {
        if (pending.empty()) {
            const std::size_t count = std::min(block, frames - next);
            mix(samples.data() + next * frameBytes, count, channels, in.data());
            std::fill(in.begin() + static_cast<std::ptrdiff_t>(count), in.end(), 0.0);
            next += count;
            pending = in;
        }
        std::size_t used = 0, made = 0;
        const std::size_t room = std::min(block, length - out.size());
        if (soxr_process(resampler.get(), pending.data(), pending.size(), &used, converted.data(),
                         room, &made) != nullptr ||
            (used == 0 && made == 0)) {
            return std::nullopt;
        }
        pending = pending.subspan(used);
        for (std::size_t k = 0; k < made; ++k) out.push_back(EightBit(converted[k]));
        if (progress != nullptr) {
            if (progress->Stopped()) return std::nullopt;
            progress->Report(out.size(), length);
        }
    }
    return out;
}

}  // namespace corvane
