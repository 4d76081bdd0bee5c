#include "codec/trellis.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

#include "codec/helper_thread.h"
#include "codec/packed_format.h"

#if defined(__GNUC__)
#define CORVANE_UNROLL _Pragma("GCC unroll 11")
#else
#define CORVANE_UNROLL
#endif

#if defined(__x86_64__) && defined(__GNUC__) && \
    (!defined(_WIN32) || defined(CORVANE_UNALIGNED_VECTOR_MOVES))
// Wide vectors only where a spilled one cannot meet an aligned move on a
// misaligned stack slot: GCC keeps 32- and 64-byte slots aligned except on
// 64-bit Windows, where the build has the assembler make every vector move an
// unaligned one (src/CMakeLists.txt).
#define CORVANE_TRELLIS_X86 1
#include <immintrin.h>
#endif

namespace corvane {
namespace {

// The dynamic programme runs backward over the samples: the least error still
// to come from each decoder state, one step at a time. Its decisions (2 bits a
// state a step) do not fit in memory for long sources, so the first pass keeps
// only a checkpoint of the costs every kSegment steps; tracing the codes forward
// then recomputes one segment's decisions at a time from its checkpoint.
constexpr int kRows = kLastIndex;             // index 1..9 between codes
constexpr int kDecisionBytes = 20 * 256 / 8;  // 11 sign rows, 9 shift rows
constexpr std::size_t kNormaliseEvery = 64;
constexpr std::size_t kSegment = 2048;
static_assert(kSegment % kNormaliseEvery == 0, "each segment ends on a normalised step");
// The row of the index a move to index k leaves the decoder in.
constexpr int RowOfIndex(int k) { return PulledBackIndex(k) - kFirstIndex; }

// What every step of one search reads.
template <class Cost>
struct StepJob {
    const Cost* squares;  // squares[x + 255] = x * x
    const Cost* zeros;    // 256 zeros: no error after the last step
    const std::uint8_t* samples;
    int steps[kStepTableLength];
    int pad;            // pad of each cost row: a multiple of 16, at least the largest step
    int rowPad[kRows];  // how much of the pad steps from row r read: the same, per row
};

// Vectors as plain arrays, for any processor: compilers turn the lane loops
// into whatever vector instructions the target has.
template <class CostType, CostType kSpread>
struct ArrayOps {
    using Cost = CostType;
    static constexpr int kWidth = 8;
    static constexpr Cost kSafeSpread = kSpread;
    struct Vec {
        Cost lane[kWidth];
    };
    static Vec Load(const Cost* p) {
        Vec v;
        std::memcpy(v.lane, p, sizeof v.lane);
        return v;
    }
    static void Store(Cost* p, const Vec& v) { std::memcpy(p, v.lane, sizeof v.lane); }
    static Vec Broadcast(Cost c) {
        Vec v;
        for (Cost& x : v.lane) x = c;
        return v;
    }
    static Vec Min(const Vec& a, const Vec& b) {
        Vec v;
        for (int j = 0; j < kWidth; ++j) v.lane[j] = b.lane[j] < a.lane[j] ? b.lane[j] : a.lane[j];
        return v;
    }
    static Vec Max(const Vec& a, const Vec& b) {
        Vec v;
        for (int j = 0; j < kWidth; ++j) v.lane[j] = a.lane[j] < b.lane[j] ? b.lane[j] : a.lane[j];
        return v;
    }
    static Vec Add(const Vec& a, const Vec& b) {
        Vec v;
        for (int j = 0; j < kWidth; ++j) v.lane[j] = a.lane[j] + b.lane[j];
        return v;
    }
    static Vec Sub(const Vec& a, const Vec& b) {
        Vec v;
        for (int j = 0; j < kWidth; ++j) v.lane[j] = a.lane[j] - b.lane[j];
        return v;
    }
    static Vec MinKeeping(std::uint8_t* row, int a, const Vec& x, const Vec& y) {
        unsigned bits = 0;
        for (int j = 0; j < kWidth; ++j) bits |= (x.lane[j] < y.lane[j] ? 1u : 0u) << j;
        row[a / 8] = static_cast<std::uint8_t>(bits);
        return Min(x, y);
    }
};

namespace portable {
using Ops = ArrayOps<std::int32_t, std::int32_t{1} << 30>;
#include "codec/trellis_kernel.inc"
}  // namespace portable

namespace wide {
using Ops = ArrayOps<std::int64_t, std::int64_t{1} << 60>;
#include "codec/trellis_kernel.inc"
}  // namespace wide

#if CORVANE_TRELLIS_X86
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
namespace avx2 {
struct Ops {
    using Cost = std::int32_t;
    using Vec = __m256i;
    static constexpr int kWidth = 8;
    static constexpr Cost kSafeSpread = Cost{1} << 30;
    static Vec Load(const Cost* p) { return _mm256_loadu_si256(reinterpret_cast<const Vec*>(p)); }
    static void Store(Cost* p, Vec v) { _mm256_storeu_si256(reinterpret_cast<Vec*>(p), v); }
    static Vec Broadcast(Cost c) { return _mm256_set1_epi32(c); }
    static Vec Min(Vec a, Vec b) { return _mm256_min_epi32(a, b); }
    static Vec Max(Vec a, Vec b) { return _mm256_max_epi32(a, b); }
    static Vec Add(Vec a, Vec b) { return _mm256_add_epi32(a, b); }
    static Vec Sub(Vec a, Vec b) { return _mm256_sub_epi32(a, b); }
    static Vec MinKeeping(std::uint8_t* row, int a, Vec x, Vec y) {
        row[a / 8] = static_cast<std::uint8_t>(
            _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(y, x))));
        return Min(x, y);
    }
};
#include "codec/trellis_kernel.inc"
}  // namespace avx2
#if defined(__clang__)
#pragma clang attribute pop
#pragma clang attribute push(__attribute__((target("avx512f"))), apply_to = function)
#else
#pragma GCC pop_options
#pragma GCC push_options
#pragma GCC target("avx512f")
#endif
namespace avx512 {
struct Ops {
    using Cost = std::int32_t;
    using Vec = __m512i;
    static constexpr int kWidth = 16;
    static constexpr Cost kSafeSpread = Cost{1} << 30;
    static Vec Load(const Cost* p) { return _mm512_loadu_si512(p); }
    static void Store(Cost* p, Vec v) { _mm512_storeu_si512(p, v); }
    static Vec Broadcast(Cost c) { return _mm512_set1_epi32(c); }
    // The masked forms: GCC 12 warns about the unmasked ones' undefined source.
    static Vec Min(Vec a, Vec b) { return _mm512_maskz_min_epi32(0xFFFF, a, b); }
    static Vec Max(Vec a, Vec b) { return _mm512_maskz_max_epi32(0xFFFF, a, b); }
    static Vec Add(Vec a, Vec b) { return _mm512_add_epi32(a, b); }
    static Vec Sub(Vec a, Vec b) { return _mm512_sub_epi32(a, b); }
    static Vec MinKeeping(std::uint8_t* row, int a, Vec x, Vec y) {
        const __mmask16 less = _mm512_cmplt_epi32_mask(x, y);
        _store_mask16(reinterpret_cast<__mmask16*>(row + a / 8), less);
        return _mm512_mask_blend_epi32(less, y, x);  // x where it is below y
    }
};
#include "codec/trellis_kernel.inc"
}  // namespace avx512
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif  // CORVANE_TRELLIS_X86

template <class Cost>
using RunStepsFn = bool (*)(Cost*, Cost*, const StepJob<Cost>&, std::size_t, std::size_t,
                            std::uint8_t*, std::uint64_t&);

bool Decision(const std::uint8_t* bits, int row, int amplitude) {
    return (bits[row * 32 + amplitude / 8] >> (amplitude % 8)) & 1;
}

// A buffer of `count` elements starting on a 64-byte boundary, so that wide
// stores never straddle cache lines.
template <class T>
class AlignedBuffer {
  public:
    explicit AlignedBuffer(std::size_t count) : storage_(count + 64 / sizeof(T)) {
        const auto address = reinterpret_cast<std::uintptr_t>(storage_.data());
        data_ = storage_.data() + ((64 - address % 64) % 64) / sizeof(T);
    }
    T* data() { return data_; }

  private:
    std::vector<T> storage_;
    T* data_;
};

// The whole search with one kernel; nullopt when its costs would overflow.
// Without codes, the pass gives up once the error is known to reach `bound`.
template <class Cost>
std::optional<TrellisResult> Solve(std::span<const std::uint8_t> samples, const StepTable& table,
                                   RunStepsFn<Cost> runSteps, bool wantCodes, std::uint64_t bound,
                                   Progress* progress) {
    TrellisResult result;
    const std::size_t codeCount = 4 * PackedDataLength(samples.size());
    if (codeCount == 0) return result;

    std::vector<Cost> squares(511);
    for (int x = -255; x <= 255; ++x) squares[static_cast<std::size_t>(x + 255)] = x * x;
    const std::vector<Cost> zeros(256);
    StepJob<Cost> job{squares.data(), zeros.data(), samples.data(), {}, 16, {}};
    for (int k = 0; k < kStepTableLength; ++k) {
        job.steps[k] = table[static_cast<std::size_t>(k)];
        int& rowPad = job.rowPad[RowOfIndex(k)];
        rowPad = std::max({rowPad, 16, (job.steps[k] + 15) / 16 * 16});
        job.pad = std::max(job.pad, rowPad);
    }
    const int stride = 256 + 2 * job.pad;
    const std::size_t costCount = static_cast<std::size_t>(kRows * stride);

    AlignedBuffer<Cost> w(costCount);
    AlignedBuffer<Cost> spare(costCount);
    const Cost* lastError = squares.data() + 255 - samples[codeCount];
    for (int r = 0; r < kRows; ++r) {
        Cost* row = w.data() + r * stride;
        std::fill(row, row + job.pad, lastError[0]);
        std::copy(lastError, lastError + 256, row + job.pad);
        std::fill(row + job.pad + 256, row + stride, lastError[255]);
    }

    std::uint64_t removed = 0;
    const auto total = [&] {
        return removed + static_cast<std::uint64_t>(w.data()[job.pad + 128]);  // state (128, 1)
    };
    const std::size_t segments = (codeCount + kSegment - 1) / kSegment;
    if (!wantCodes) {
        // A segment ends on a normalised step, whose least cost is 0: then
        // `removed` is what every path from the start costs at least.
        for (std::size_t g = segments; g-- > 0;) {
            if (!runSteps(w.data(), spare.data(), job, std::min((g + 1) * kSegment, codeCount),
                          g * kSegment, nullptr, removed)) {
                return std::nullopt;
            }
            if (removed >= bound) {
                result.squaredError = removed;
                return result;
            }
        }
        result.squaredError = total();
        return result;
    }

    // Backward pass: a checkpoint at the top of each segment, decisions for the
    // first segment, which the trace reads first.
    std::vector<Cost> checkpoints((segments - 1) * costCount);
    std::vector<std::uint8_t> decisions(std::min(codeCount, kSegment) * kDecisionBytes);
    // Half the work is the backward pass, half the trace; a stop ends either with no codes.
    const auto goOn = [&](std::size_t done) {
        if (progress == nullptr) return true;
        progress->Report(done, 2 * segments);
        return !progress->Stopped();
    };
    for (std::size_t g = segments; g-- > 0;) {
        if (!goOn(segments - 1 - g)) return TrellisResult{};
        const std::size_t top = std::min((g + 1) * kSegment, codeCount);
        if (g > 0) std::copy_n(w.data(), costCount, checkpoints.begin() + (g - 1) * costCount);
        if (!runSteps(w.data(), spare.data(), job, top, g * kSegment,
                      g == 0 ? decisions.data() : nullptr, removed)) {
            return std::nullopt;
        }
    }
    result.squaredError = total();

    // Forward trace from the start state, segment by segment. Segments after the
    // first are recomputed from their checkpoints two at a time, the second on
    // a helper thread, so both processor cores share the work.
    result.codes.reserve(codeCount);
    DecoderState state;
    const auto trace = [&](std::size_t g, const std::vector<std::uint8_t>& bits) {
        const std::size_t bottom = g * kSegment;
        const std::size_t top = std::min(bottom + kSegment, codeCount);
        for (std::size_t t = bottom + 1; t <= top; ++t) {
            const std::uint8_t* step = bits.data() + (t - bottom - 1) * kDecisionBytes;
            const int index = state.index;
            const bool down = Decision(step, 11 + index - 1, state.amplitude);
            const bool minus = Decision(step, down ? index - 1 : index + 1, state.amplitude);
            const auto code = static_cast<std::uint8_t>((minus ? 2 : 0) | (down ? 0 : 1));
            ApplyCode(state, code, table);
            result.codes.push_back(code);
        }
    };
    AlignedBuffer<Cost> otherW(costCount);
    AlignedBuffer<Cost> otherSpare(costCount);
    std::vector<std::uint8_t> otherDecisions(decisions.size());
    const auto recompute = [&](std::size_t g, Cost* into, Cost* scratch,
                               std::vector<std::uint8_t>& bits) {
        std::copy_n(checkpoints.begin() + (g - 1) * costCount, costCount, into);
        // The same costs as in the first pass, which kept them in range.
        std::uint64_t ignored = 0;
        runSteps(into, scratch, job, std::min((g + 1) * kSegment, codeCount), g * kSegment,
                 bits.data(), ignored);
    };
    const auto recomputeAndTrace = [&](std::size_t g) {
        recompute(g, w.data(), spare.data(), decisions);
        trace(g, decisions);
    };
    HelperThread helper;
    trace(0, decisions);
    for (std::size_t g = 1; g < segments; g += 2) {
        if (!goOn(segments + g)) return TrellisResult{};
        if (g + 1 == segments) {
            recomputeAndTrace(g);
        } else {
            helper.RunBoth(
                [&] { recompute(g + 1, otherW.data(), otherSpare.data(), otherDecisions); },
                [&] { recomputeAndTrace(g); });
            trace(g + 1, otherDecisions);
        }
    }
    return result;
}

#if CORVANE_TRELLIS_X86
bool CpuHas(TrellisKernel kernel) {
    __builtin_cpu_init();
    if (kernel == TrellisKernel::Avx2) return __builtin_cpu_supports("avx2");
    return __builtin_cpu_supports("avx512f");
}
#endif

TrellisKernel Resolve(TrellisKernel kernel) {
    if (kernel != TrellisKernel::Automatic) return kernel;
    if (TrellisKernelAvailable(TrellisKernel::Avx512)) return TrellisKernel::Avx512;
    if (TrellisKernelAvailable(TrellisKernel::Avx2)) return TrellisKernel::Avx2;
    return TrellisKernel::Portable;
}

TrellisResult Run(std::span<const std::uint8_t> samples, const StepTable& table,
                  TrellisKernel kernel, bool wantCodes, std::uint64_t bound,
                  Progress* progress = nullptr) {
    std::optional<TrellisResult> result;
    switch (Resolve(kernel)) {
#if CORVANE_TRELLIS_X86
        case TrellisKernel::Avx512:
            result =
                Solve<std::int32_t>(samples, table, &avx512::RunSteps, wantCodes, bound, progress);
            break;
        case TrellisKernel::Avx2:
            result =
                Solve<std::int32_t>(samples, table, &avx2::RunSteps, wantCodes, bound, progress);
            break;
#endif
        case TrellisKernel::Portable:
            result = Solve<std::int32_t>(samples, table, &portable::RunSteps, wantCodes, bound,
                                         progress);
            break;
        default:
            break;
    }
    // 32-bit costs drifting apart (only with odd tables): redo with 64-bit ones.
    if (!result)
        result = Solve<std::int64_t>(samples, table, &wide::RunSteps, wantCodes, bound, progress);
    return std::move(*result);
}

}  // namespace

bool TrellisKernelAvailable(TrellisKernel kernel) {
    if (kernel != TrellisKernel::Avx2 && kernel != TrellisKernel::Avx512) return true;
#if CORVANE_TRELLIS_X86
    return CpuHas(kernel);
#else
    return false;
#endif
}

TrellisResult TrellisSearch(std::span<const std::uint8_t> samples, const StepTable& table,
                            TrellisKernel kernel, Progress* progress) {
    return Run(samples, table, kernel, true, UINT64_MAX, progress);
}

std::uint64_t TrellisError(std::span<const std::uint8_t> samples, const StepTable& table,
                           TrellisKernel kernel) {
    return Run(samples, table, kernel, false, UINT64_MAX).squaredError;
}

std::uint64_t TrellisErrorBelow(std::span<const std::uint8_t> samples, const StepTable& table,
                                std::uint64_t bound, TrellisKernel kernel) {
    return Run(samples, table, kernel, false, bound).squaredError;
}

PackedSample PackSamplesTrellis(std::span<const std::uint8_t> samples, const StepTable& table,
                                std::vector<std::uint8_t>* tracked, Progress* progress) {
    const TrellisResult result = TrellisSearch(samples, table, TrellisKernel::Automatic, progress);
    if (tracked) {
        tracked->clear();
        tracked->reserve(result.codes.size());
        DecoderState state;
        for (const std::uint8_t code : result.codes) {
            tracked->push_back(ApplyCode(state, code, table));
        }
    }
    return PackCodes(result.codes, table);
}

}  // namespace corvane
