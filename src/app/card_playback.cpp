#include "app/card_playback.h"

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <optional>
#include <system_error>
#include <thread>

namespace corvane {

namespace {

constexpr std::size_t kChunkSteps = 4096;  // about 0.11 s a chunk

// The PC's wave output, told by an event when a buffer has played. A few buffers in turn: the
// sound keeps on while the next chunk is rendered.
class WaveOutput final : public SoundOutput {
  public:
    static std::unique_ptr<SoundOutput> Open() {
        auto output = std::make_unique<WaveOutput>();
        WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, kCardMixRate, 2 * kCardMixRate, 2, 16, 0};
        if (output->event_ == nullptr || waveOutOpen(&output->device_, WAVE_MAPPER, &format,
                                                     reinterpret_cast<DWORD_PTR>(output->event_), 0,
                                                     CALLBACK_EVENT) != MMSYSERR_NOERROR) {
            return nullptr;
        }
        return output;
    }
    ~WaveOutput() override {
        if (device_ != nullptr) {
            waveOutReset(device_);
            for (Buffer& buffer : buffers_) {
                if (buffer.header.dwFlags & WHDR_PREPARED) {
                    waveOutUnprepareHeader(device_, &buffer.header, sizeof(WAVEHDR));
                }
            }
            waveOutClose(device_);
        }
        if (event_ != nullptr) CloseHandle(event_);
    }

    bool Queue(std::span<const std::int16_t> chunk) override {
        for (;;) {
            if (halted_) return false;
            for (Buffer& buffer : buffers_) {
                if (!Free(buffer)) continue;
                WAVEHDR& header = buffer.header;
                if (header.dwFlags & WHDR_PREPARED) {
                    waveOutUnprepareHeader(device_, &header, sizeof(WAVEHDR));
                }
                const std::size_t count = std::min(chunk.size(), buffer.samples.size());
                std::copy_n(chunk.begin(), count, buffer.samples.begin());
                header = {};
                header.lpData = reinterpret_cast<LPSTR>(buffer.samples.data());
                header.dwBufferLength = static_cast<DWORD>(2 * count);
                return waveOutPrepareHeader(device_, &header, sizeof(WAVEHDR)) ==
                           MMSYSERR_NOERROR &&
                       waveOutWrite(device_, &header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
            }
            WaitForSingleObject(event_, 50);
        }
    }
    void Drain() override {
        while (!halted_ && !std::all_of(buffers_.begin(), buffers_.end(), Free)) {
            WaitForSingleObject(event_, 50);
        }
    }
    void Halt() override {
        halted_ = true;
        SetEvent(event_);
    }

  private:
    struct Buffer {
        WAVEHDR header{};
        std::array<std::int16_t, kChunkSteps> samples{};
    };
    // Not with the output: never written, or played (the output sets its flags meanwhile).
    static bool Free(const Buffer& buffer) {
        return (static_cast<volatile const DWORD&>(buffer.header.dwFlags) & WHDR_INQUEUE) == 0;
    }

    HANDLE event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HWAVEOUT device_ = nullptr;
    std::array<Buffer, 4> buffers_{};
    std::atomic<bool> halted_{false};
};

SoundOutputMaker makeOutput = WaveOutput::Open;

// What plays: the stored bytes the channel reads, the output, the thread rendering into it.
struct CardPlayer {
    std::vector<std::uint8_t> samples;
    std::unique_ptr<SoundOutput> output;
    std::thread thread;
};
std::unique_ptr<CardPlayer> player;  // only the window's thread touches it

// Renders chunk after chunk into the output: `steps` of them, or without end until halted.
void Play(SoundOutput& output, CardChannel channel, std::optional<std::size_t> steps) {
    std::array<std::int16_t, kChunkSteps> chunk{};
    for (std::size_t done = 0; !steps || done < *steps;) {
        const std::size_t count = steps ? std::min(kChunkSteps, *steps - done) : kChunkSteps;
        RenderCard({&channel, 1}, std::span(chunk).first(count));
        if (!output.Queue(std::span(chunk).first(count))) return;
        done += count;
    }
    output.Drain();
}

}  // namespace

SoundOutputMaker SetSoundOutputMaker(SoundOutputMaker maker) {
    const SoundOutputMaker previous = makeOutput;
    makeOutput = maker != nullptr ? maker : WaveOutput::Open;
    return previous;
}

void PlayOnCard(std::vector<std::uint8_t> samples, CardChannel channel) {
    StopCardPlayback();
    auto next = std::make_unique<CardPlayer>();
    next->samples = std::move(samples);
    next->output = makeOutput();
    if (next->output == nullptr) return;  // no sound to be had, as PlaySound without a device
    channel.samples = next->samples;
    std::optional<std::size_t> steps;
    if (!channel.loop) steps = StepsToPlayOnce(next->samples.size(), channel.period);
    try {
        next->thread = std::thread(Play, std::ref(*next->output), channel, steps);
    } catch (const std::system_error&) {
        return;
    }
    player = std::move(next);
}

void StopCardPlayback() {
    if (!player) return;
    player->output->Halt();
    player->thread.join();
    player.reset();  // the output closes: its sound stops
}

}  // namespace corvane
