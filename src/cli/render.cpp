// corvane-cli render: what the card plays of a sample, as a WAV of 37 500 Hz, 16-bit mono.
#include <algorithm>
#include <array>
#include <cmath>

#include "card/bank.h"
#include "card/card_sound.h"
#include "cli/commands.h"
#include "cli/source_file.h"
#include "text/facts.h"

namespace corvane::cli {
namespace {

// The bytes the card stores of a sample and how it plays them, unless told otherwise.
struct StoredSound {
    std::vector<std::uint8_t> samples;
    CardNote note;  // a packed file brings none of its own: the card's default
    std::optional<CardLoop> loop;
};

bool StartsRiff(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && std::equal(bytes.begin(), bytes.begin() + 4, "RIFF");
}

// A packed file as it is; a WAV (or any file that is not a packed one) prepared and packed as
// `pack` does, with the note the bank's budget gives it. On refusal says why.
std::optional<StoredSound> StoredSoundOf(const Request& request) {
    const std::string& input = request.inputs[0];
    std::string error;
    auto bytes = ReadInput(input, error);
    if (bytes && !StartsRiff(*bytes)) {
        if (const auto packed = ParsePackedFile(*bytes)) {
            return StoredSound{StoredSamplesOf(*packed), {}, std::nullopt};
        }
    }
    const auto source = AnalyseSource(input, std::move(bytes), error, request.HowToPrepare());
    if (!source) return std::nullopt;
    if (const Refusal refusal = StoreRefusal(source->loaded); refusal != Refusal::None) {
        Refuse(input, RefusalText(refusal));
        return std::nullopt;
    }
    const BankSample sample = PackForBank(input, source->loaded, request.encoder, request.rom);
    return StoredSound{StoredSamplesOf(*ParsePackedFile(sample.file)), sample.pitch.note,
                       sample.loop};
}

// The canonical header of 16-bit mono PCM at the card's rate.
WaveHeader CardWaveHeader(std::uint32_t sampleCount) {
    WaveHeader header = MonoWaveHeader(kCardMixRate, 2 * sampleCount);
    header.SetBitsPerSample(16);
    header.SetBlockAlign(2);
    header.SetByteRate(2 * kCardMixRate);
    return header;
}

}  // namespace

int RunRender(const Request& request) {
    const auto sound = StoredSoundOf(request);
    if (!sound) return kExitRefused;
    const RenderChoice& choice = request.render;
    const CardNote note{choice.note.value_or(sound->note.note),
                        choice.finetune.value_or(sound->note.finetune)};
    CardChannel channel{.samples = sound->samples,
                        .period = StepPeriodOf(request.rom, note),
                        .volume = choice.volume,
                        .loop = sound->loop};
    const std::size_t steps =
        choice.seconds ? static_cast<std::size_t>(std::lround(*choice.seconds * kCardMixRate))
        : sound->loop  ? 2 * kCardMixRate
                       : StepsToPlayOnce(sound->samples.size(), channel.period);

    const WaveHeader header = CardWaveHeader(static_cast<std::uint32_t>(steps));
    std::vector<std::uint8_t> wav(header.bytes.begin(), header.bytes.end());
    wav.reserve(wav.size() + 2 * steps);
    std::array<std::int16_t, 4096> chunk{};
    for (std::size_t done = 0; done < steps;) {
        const std::size_t count = std::min(chunk.size(), steps - done);
        RenderCard({&channel, 1}, std::span(chunk).first(count));
        for (const std::int16_t value : std::span(chunk).first(count)) {
            wav.push_back(static_cast<std::uint8_t>(value & 0xFF));
            wav.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
        }
        done += count;
    }
    return Write(*request.output, wav) ? kExitOk : kExitRefused;
}

}  // namespace corvane::cli
