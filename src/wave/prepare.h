#pragma once
// From the canonical image to the sample the program works on: the format checks, the
// conversion to 8-bit mono (at the source's rate or another), the loop.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "codec/progress.h"
#include "wave/source.h"

namespace corvane {

// What a source file says beside its format, read before its image is made over its bytes.
struct SourceMarks {
    bool endsEarly = false;
    std::optional<SampleLoop> loop;  // as the "smpl" chunk states it, not yet checked
    LoopKind loopKind = LoopKind::Forward;
    LoopProblem loopProblem = LoopProblem::None;
    std::optional<SampleCoding> wide;  // 24/32-bit integer or 32-bit float samples
};
SourceMarks MarksOf(std::span<const std::uint8_t> file);

LoadedSource PrepareSource(std::vector<std::uint8_t> image, const SourceMarks& marks,
                           const Preparation& how, Progress* progress = nullptr);

}  // namespace corvane
