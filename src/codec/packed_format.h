#pragma once
// The packed sample file and the reconstruction rule that the encoders, the decoder and the
// Z80 depacker all follow. Everything else in the codec builds on this header alone.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace corvane {

// Packed file: u16 data length (LE), the step table, then 2-bit codes four to a byte, first
// code in bits 7-6. Only complete bytes are stored.
constexpr int kStepTableLength = 11;
constexpr int kPackedHeaderSize = 2 + kStepTableLength;
constexpr std::size_t kMaxPackedDataLength = 65535;

using StepTable = std::array<std::uint8_t, kStepTableLength>;

// Data bytes the encoders produce for `sampleCount` source samples: (N - 2) / 4.
std::size_t PackedDataLength(std::size_t sampleCount);
std::size_t PackedFileSize(std::size_t sampleCount);  // 13 + PackedDataLength
bool PackedDataFits(std::size_t sampleCount);         // data length <= 65535

// The reconstruction rule. A code's bit 0 moves the table index up (1) or down (0), and the
// step at the moved index is added (bit 1 clear) or subtracted; the amplitude is clamped to
// 0..255, then the index is pulled back from the ends of the table into 1..9.
constexpr int kFirstIndex = 1;
constexpr int kLastIndex = kStepTableLength - 2;

constexpr int PulledBackIndex(int moved) {
    return moved < kFirstIndex ? kFirstIndex : moved > kLastIndex ? kLastIndex : moved;
}

// What one code does from table index `index` (1..9).
struct CodeMove {
    int change;     // signed step added to the amplitude, before clamping
    int nextIndex;  // the index the next code starts from
};

constexpr CodeMove MoveOf(int index, unsigned code, const StepTable& table) {
    const int moved = index + ((code & 1) ? 1 : -1);
    const int step = table[static_cast<std::size_t>(moved)];
    return {(code & 2) ? -step : step, PulledBackIndex(moved)};
}

constexpr int ClampedAmplitude(int amplitude) {
    return amplitude < 0 ? 0 : amplitude > 255 ? 255 : amplitude;
}

struct DecoderState {
    std::uint8_t amplitude = 128;
    std::uint8_t index = kFirstIndex;
};

// Applies one 2-bit code and returns the rebuilt sample.
inline std::uint8_t ApplyCode(DecoderState& state, unsigned code, const StepTable& table) {
    const CodeMove move = MoveOf(state.index, code, table);
    state.amplitude = static_cast<std::uint8_t>(ClampedAmplitude(state.amplitude + move.change));
    state.index = static_cast<std::uint8_t>(move.nextIndex);
    return state.amplitude;
}

// A packed file as read back from bytes: table and data view.
struct PackedView {
    StepTable table{};
    std::span<const std::uint8_t> data;
};

// Parses a stored packed file; refuses one whose size is not 13 + data length.
std::optional<PackedView> ParsePackedFile(std::span<const std::uint8_t> file);

// The table a packed file's header carries (also for a file too long to store).
StepTable TableOf(std::span<const std::uint8_t> file);

}  // namespace corvane
