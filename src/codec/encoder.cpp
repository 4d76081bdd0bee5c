#include "codec/encoder.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "codec/packed_format.h"

namespace corvane {
namespace {

// Header (length, table) in front of the data bytes already in `file`.
void FinishHeader(PackedSample& packed, const StepTable& table) {
    const std::size_t dataLength = packed.file.size() - kPackedHeaderSize;
    packed.storable = dataLength <= kMaxPackedDataLength;
    packed.file[0] = static_cast<std::uint8_t>(dataLength & 0xFF);
    packed.file[1] = static_cast<std::uint8_t>((dataLength >> 8) & 0xFF);
    std::copy(table.begin(), table.end(), packed.file.begin() + 2);
}

// The encoder's choice depends only on the table index and s - A: both
// candidates lie T[i + 1] and T[i - 1] from A on the side of s, so with
// d = |s - A|, |s - up| = |d - T[i + 1]| and |s - down| = |d - T[i - 1]|.
// A table of every move, one row per index 1..9 and one entry per s - A in
// -255..255, turns each sample into one lookup, which keeps the loop short
// and free of branches (the sign of s - A is a coin toss on real sound).
constexpr std::ptrdiff_t kRowLength = 511;
constexpr std::ptrdiff_t RowOf(int index) { return (index - 1) * kRowLength + 255; }
constexpr std::size_t kMoveCount = kLastIndex * kRowLength;

// Three arrays rather than one of records, so the change of A loads straight
// into the addition on the loop's critical path.
struct MoveTable {
    std::array<std::int32_t, kMoveCount> change;  // +T or -T at the moved index
    std::array<std::uint16_t, kMoveCount> next;   // the next index's row, at its s - A = 0
    std::array<std::uint8_t, kMoveCount> code;
};

void FillMoves(const StepTable& table, MoveTable& out) {
    for (int i = kFirstIndex; i <= kLastIndex; ++i) {
        const int up = table[static_cast<std::size_t>(i + 1)];
        const int down = table[static_cast<std::size_t>(i - 1)];
        for (int diff = -255; diff <= 255; ++diff) {
            const int d = std::abs(diff);
            const bool chooseUp = std::abs(d - up) <= std::abs(d - down);  // ties go up
            const unsigned code = (diff < 0 ? 2u : 0u) | (chooseUp ? 1u : 0u);
            const CodeMove move = MoveOf(i, code, table);
            const auto at = static_cast<std::size_t>(RowOf(i) + diff);
            out.change[at] = move.change;
            out.next[at] = static_cast<std::uint16_t>(RowOf(move.nextIndex));
            out.code[at] = static_cast<std::uint8_t>(code);
        }
    }
}

template <bool kTrack>
void Encode(std::span<const std::uint8_t> samples, std::size_t codeCount, const StepTable& table,
            std::uint8_t* data, std::uint8_t* tracked) {
    MoveTable moves;
    FillMoves(table, moves);
    std::ptrdiff_t amplitude = 128;
    std::ptrdiff_t row = RowOf(kFirstIndex);
    for (std::size_t c = 0; c < codeCount; c += 4) {
        unsigned byte = 0;
        for (std::size_t k = c; k < c + 4; ++k) {
            const auto at = static_cast<std::size_t>(row + samples[k + 1] - amplitude);
            // The chosen candidate, limited to 0..255 only after the choice.
            amplitude = ClampedAmplitude(static_cast<int>(amplitude) + moves.change[at]);
            row = moves.next[at];
            byte = byte << 2 | moves.code[at];
            if constexpr (kTrack) tracked[k] = static_cast<std::uint8_t>(amplitude);
        }
        data[c / 4] = static_cast<std::uint8_t>(byte);
    }
}

}  // namespace

PackedSample PackSamples(std::span<const std::uint8_t> samples, const StepTable& table,
                         std::vector<std::uint8_t>* tracked) {
    // Code the second to the second-to-last sample, as many as fill whole bytes.
    const std::size_t codeCount = 4 * PackedDataLength(samples.size());
    PackedSample packed;
    packed.file.assign(kPackedHeaderSize + codeCount / 4, 0);
    std::uint8_t* data = packed.file.data() + kPackedHeaderSize;
    if (tracked) {
        tracked->assign(codeCount, 0);
        Encode<true>(samples, codeCount, table, data, tracked->data());
    } else {
        Encode<false>(samples, codeCount, table, data, nullptr);
    }
    FinishHeader(packed, table);
    return packed;
}

PackedSample PackCodes(std::span<const std::uint8_t> codes, const StepTable& table) {
    const std::size_t dataLength = codes.size() / 4;
    PackedSample packed;
    packed.file.assign(kPackedHeaderSize + dataLength, 0);
    for (std::size_t c = 0; c < dataLength * 4; ++c) {
        packed.file[kPackedHeaderSize + c / 4] |=
            static_cast<std::uint8_t>((codes[c] & 3) << (6 - 2 * (c % 4)));
    }
    FinishHeader(packed, table);
    return packed;
}

}  // namespace corvane
