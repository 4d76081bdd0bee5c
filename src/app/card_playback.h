#pragma once
// The card's sound through the PC's wave output: one channel rendered by the card model
// (card_sound.h) chunk by chunk on a thread of its own, as it plays.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "card/card_sound.h"

namespace corvane {

// Where the card's sound goes: 16-bit mono at the card's rate.
class SoundOutput {
  public:
    virtual ~SoundOutput() = default;
    // Queues a chunk (copied), first waiting while the output holds all it takes; false once
    // halted or failed.
    virtual bool Queue(std::span<const std::int16_t> chunk) = 0;
    // Waits until what was queued has played, or the output is halted.
    virtual void Drain() = 0;
    // From any thread: Queue and Drain return at once from now on. The sound stops when the
    // output is destroyed.
    virtual void Halt() = 0;
};

// Opens the output; nothing when there is none. Replaceable so tests can take what is queued.
using SoundOutputMaker = std::unique_ptr<SoundOutput> (*)();
SoundOutputMaker SetSoundOutputMaker(SoundOutputMaker maker);  // returns the previous

// Plays `channel` over `samples` from its start: the sample once and, with a loop, the loop
// until StopCardPlayback. Stops what the card played before.
void PlayOnCard(std::vector<std::uint8_t> samples, CardChannel channel);
// Stops the card's sound and waits for its thread; harmless when nothing plays.
void StopCardPlayback();

}  // namespace corvane
