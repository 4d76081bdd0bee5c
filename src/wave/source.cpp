#include "wave/source.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "codec/packed_format.h"
#include "wave/prepare.h"

namespace corvane {
namespace {

bool HasId(std::span<const std::uint8_t> file, std::size_t at, const char* id) {
    return at + 4 <= file.size() && std::memcmp(file.data() + at, id, 4) == 0;
}

std::uint32_t ReadU32(std::span<const std::uint8_t> file, std::size_t at) {
    WaveHeader h;
    for (std::size_t k = 0; k < 4 && at + k < file.size(); ++k) h.bytes[k] = file[at + k];
    return h.U32(0);
}

struct Chunk {
    std::size_t payload = 0;  // offset of the payload in the file
    std::uint32_t size = 0;   // declared payload size
};

struct ChunkWalk {
    std::optional<Chunk> fmt;
    std::optional<Chunk> data;
    std::optional<Chunk> smpl;
};

// A data chunk a writer that could not seek back left open: sizes 0, its samples running to
// the end of the file.
bool Streamed(std::span<const std::uint8_t> file, const Chunk& data) {
    const std::uint32_t riffSize = ReadU32(file, 4);
    return data.size == 0 && (riffSize == 0 || riffSize == 0xFFFFFFFF);
}

ChunkWalk WalkChunks(std::span<const std::uint8_t> file) {
    ChunkWalk walk;
    std::uint64_t at = 12;
    while (at + 8 <= file.size() && !(walk.fmt && walk.data && walk.smpl)) {
        const auto pos = static_cast<std::size_t>(at);
        const Chunk chunk{pos + 8, ReadU32(file, pos + 4)};
        if (!walk.fmt && HasId(file, pos, "fmt ") && chunk.size >= 16) walk.fmt = chunk;
        if (!walk.smpl && HasId(file, pos, "smpl")) walk.smpl = chunk;
        if (!walk.data && HasId(file, pos, "data")) {
            walk.data = chunk;
            if (Streamed(file, chunk)) break;  // nothing follows samples that run to the end
        }
        at += 8 + std::uint64_t{chunk.size} + (chunk.size & 1);
    }
    return walk;
}

// Up to `declared` bytes from `from`, clipped to the end of the file.
std::span<const std::uint8_t> Payload(std::span<const std::uint8_t> file, std::size_t from,
                                      std::uint32_t declared) {
    if (from >= file.size()) return {};
    return file.subspan(from, std::min<std::size_t>(declared, file.size() - from));
}

// The sub-formats of WAVE_FORMAT_EXTENSIBLE that hold plain PCM and floats: the GUID whose
// first two bytes are the plain format's code.
bool HasSubFormat(std::span<const std::uint8_t> fmt, std::uint8_t code) {
    static constexpr std::uint8_t kTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                               0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    return fmt.size() >= 40 && fmt[24] == code && fmt[25] == 0 &&
           std::equal(fmt.begin() + 26, fmt.begin() + 40, kTail);
}

std::uint32_t FmtU16(std::span<const std::uint8_t> fmt, std::size_t at) {
    return ReadU32(fmt, at) & 0xFFFFu;
}

// WAVE_FORMAT_EXTENSIBLE whose extension says plain PCM: the PCM sub-format, as many valid
// bits as the container holds (8 or 16), one or two channels. Other extensible files stay
// as they are and are refused as not PCM.
bool IsExtensiblePcm(std::span<const std::uint8_t> fmt) {
    if (fmt.size() < 40) return false;
    const std::uint32_t channels = FmtU16(fmt, 2), bits = FmtU16(fmt, 14);
    return FmtU16(fmt, 0) == 0xFFFE && FmtU16(fmt, 16) >= 22 && (channels == 1 || channels == 2) &&
           (bits == 8 || bits == 16) && FmtU16(fmt, 18) == bits && HasSubFormat(fmt, 1);
}

// 24- or 32-bit integers or 32-bit floats, as the plain formats 1 and 3 or as their extensible
// sub-formats (integers with up to as many valid bits as their container, left-justified).
std::optional<SampleCoding> WideCodingOf(std::span<const std::uint8_t> fmt) {
    if (fmt.size() < 16) return std::nullopt;
    const std::uint32_t format = FmtU16(fmt, 0), bits = FmtU16(fmt, 14);
    const bool extensible = format == 0xFFFE && FmtU16(fmt, 16) >= 22;
    const std::uint32_t valid = extensible ? FmtU16(fmt, 18) : bits;
    const bool integer = format == 1 || (extensible && HasSubFormat(fmt, 1));
    const bool floating = format == 3 || (extensible && HasSubFormat(fmt, 3));
    if (integer && (bits == 24 || bits == 32) && valid > 0 && valid <= bits) {
        return SampleCoding{static_cast<std::uint16_t>(bits), false};
    }
    if (floating && bits == 32 && valid == 32) return SampleCoding{32, true};
    return std::nullopt;
}

// A RIFF/WAVE file with "fmt " and "data" chunks: its canonical header and
// where its sample bytes lie (the data chunk, clipped to the end of the file).
struct WalkedLayout {
    WaveHeader header;
    std::span<const std::uint8_t> samples;
    bool endsEarly = false;
};

bool EndsBefore(std::uint32_t declared, std::size_t available) {
    return !SizeUnknown(declared) && available < declared;
}

std::optional<WalkedLayout> WalkLayout(std::span<const std::uint8_t> file) {
    if (!HasId(file, 0, "RIFF") || !HasId(file, 8, "WAVE")) return std::nullopt;
    const ChunkWalk walk = WalkChunks(file);
    if (!walk.fmt || !walk.data) return std::nullopt;
    const Chunk data = *walk.data;
    const bool canonical = walk.fmt->payload == 20 && walk.fmt->size == 16 && data.payload == 44;
    WalkedLayout layout;
    if (canonical) {
        layout.header = WaveHeader::From(file);
    } else {
        layout.header = MonoWaveHeader(0, 0);  // ids and fmt size; the rest follows
        const auto fmt = Payload(file, walk.fmt->payload, walk.fmt->size);
        std::fill(layout.header.bytes.begin() + 20, layout.header.bytes.begin() + 36, 0);
        std::copy_n(fmt.begin(), std::min<std::size_t>(fmt.size(), 16),
                    layout.header.bytes.begin() + 20);
        if (IsExtensiblePcm(fmt)) layout.header.SetU16(20, 1);
        layout.header.SetRiffSize(36 + data.size);
        layout.header.SetDataSize(data.size);
    }
    // A writer that cannot seek back (into a pipe) leaves the sizes 0: the samples then run
    // to the end of the file, as they do for the 0xFFFFFFFF others write.
    layout.samples = Payload(file, data.payload, Streamed(file, data) ? 0xFFFFFFFF : data.size);
    layout.endsEarly = EndsBefore(data.size, layout.samples.size());
    return layout;
}

// The first loop of a "smpl" chunk: 36 bytes of sampler fields, the loop count at 28, then
// 24 bytes a loop (cue id, type, start, end, fraction, play count).
void ReadLoop(std::span<const std::uint8_t> smpl, SourceMarks& marks) {
    if (smpl.size() < 36) {
        marks.loopProblem = LoopProblem::Malformed;
    } else if (ReadU32(smpl, 28) == 0) {
        return;  // a sampler chunk without loops
    } else if (smpl.size() < 36 + 24) {
        marks.loopProblem = LoopProblem::Malformed;
    } else {
        marks.loop = SampleLoop{ReadU32(smpl, 44), ReadU32(smpl, 48)};
        const std::uint32_t type = ReadU32(smpl, 40);
        marks.loopKind = type <= 2 ? static_cast<LoopKind>(type) : LoopKind::Other;
    }
}

}  // namespace

bool SizeUnknown(std::uint32_t size) {
    return size == 0 || size == 0xFFFFFFFF || size == 0x7FFFF000;
}

SourceMarks MarksOf(std::span<const std::uint8_t> file) {
    SourceMarks marks;
    if (const auto layout = WalkLayout(file)) {
        marks.endsEarly = layout->endsEarly;
        const ChunkWalk walk = WalkChunks(file);
        if (walk.smpl) ReadLoop(Payload(file, walk.smpl->payload, walk.smpl->size), marks);
        marks.wide = WideCodingOf(Payload(file, walk.fmt->payload, walk.fmt->size));
        return marks;
    }
    marks.wide = WideCodingOf(Payload(file, 20, 16));  // fixed layout
    const std::size_t available = file.size() > kWaveHeaderSize ? file.size() - kWaveHeaderSize : 0;
    marks.endsEarly = EndsBefore(WaveHeader::From(file).DataSize(), available);  // fixed layout
    return marks;
}

std::vector<std::uint8_t> CanonicalWaveImage(std::span<const std::uint8_t> file) {
    std::vector<std::uint8_t> image;
    if (const auto layout = WalkLayout(file)) {
        image.assign(layout->header.bytes.begin(), layout->header.bytes.end());
        image.insert(image.end(), layout->samples.begin(), layout->samples.end());
        return image;
    }
    // Fixed layout: header at 0, samples from 44 to the end of the file.
    image.assign(file.begin(), file.end());
    if (image.size() < kWaveHeaderSize) image.resize(kWaveHeaderSize, 0);
    return image;
}

Refusal WaveFormat::Check() const {
    if (!Pcm()) return Refusal::NotPcm;
    if (!ChannelsOk()) return Refusal::Channels;
    if (!BitsOk()) return Refusal::BitDepth;
    return Refusal::None;
}

std::uint32_t WaveFormat::Seconds() const {
    if (BytesPerSample() == 0 || sampleRate == 0 || channels == 0) return 0;
    return dataSize / BytesPerSample() / sampleRate / channels;
}

WaveFormat FormatOf(const WaveHeader& header) {
    return {header.AudioFormat(), header.Channels(), header.BitsPerSample(), header.SampleRate(),
            header.DataSize()};
}

std::vector<std::uint8_t> CanonicalWaveImageInPlace(std::vector<std::uint8_t> file) {
    const auto layout = WalkLayout(file);
    if (!layout) {
        if (file.size() < kWaveHeaderSize) file.resize(kWaveHeaderSize, 0);
        return file;
    }
    if (layout->samples.empty()) return CanonicalWaveImage(file);
    const std::size_t at = static_cast<std::size_t>(layout->samples.data() - file.data());
    // Samples that lie before byte 44 would have to move right: rare, so copy.
    if (at < kWaveHeaderSize) return CanonicalWaveImage(file);
    const std::size_t count = layout->samples.size();
    const WaveHeader header = layout->header;  // before the move overwrites its source
    if (at != kWaveHeaderSize) std::memmove(file.data() + kWaveHeaderSize, file.data() + at, count);
    file.resize(kWaveHeaderSize + count);
    header.WriteTo(file);
    return file;
}

LoadedSource LoadSourceBytes(std::span<const std::uint8_t> file, const Preparation& how) {
    if (file.empty()) return {};
    return PrepareSource(CanonicalWaveImage(file), MarksOf(file), how);
}

LoadedSource LoadSourceInPlace(std::vector<std::uint8_t> file, const Preparation& how,
                               Progress* progress) {
    if (file.empty()) return {};
    const SourceMarks marks = MarksOf(file);  // before the image is made over the file's bytes
    return PrepareSource(CanonicalWaveImageInPlace(std::move(file)), marks, how, progress);
}

Refusal StoreRefusal(const LoadedSource& source) {
    if (!source.Valid()) return source.refusal;
    return PackedDataFits(SamplesOf(source.image).size()) ? Refusal::None : Refusal::TooLong;
}

std::span<const std::uint8_t> SamplesOf(std::span<const std::uint8_t> image) {
    return image.size() > kWaveHeaderSize ? image.subspan(kWaveHeaderSize)
                                          : std::span<const std::uint8_t>{};
}

std::span<std::uint8_t> MutableSamplesOf(std::span<std::uint8_t> image) {
    return image.size() > kWaveHeaderSize ? image.subspan(kWaveHeaderSize)
                                          : std::span<std::uint8_t>{};
}

}  // namespace corvane
