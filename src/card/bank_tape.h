#pragma once
// NAME.tap: a tape the Spectrum loads with LOAD "" to hear a bank on the card. Its blocks, each
// a header and its data: a BASIC loader that runs itself, the player (machine code at
// kTapePlayerAt), then the bank's pages. The player loads the bank into the card with the
// include's loader, each page from the tape into #C000 as the loader asks for it (so a bank of
// any number of pages loads on a 48K machine too), lists the samples with a key each (1 to 9,
// then A to Z), plays a sample when its key is pressed, stops every sample on SPACE and goes
// back to BASIC on BREAK; when the card does not answer it says so and goes back to BASIC.
#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

struct Bank;

constexpr std::uint16_t kTapePlayerAt = 32768;  // the loader's CLEAR 32767 keeps BASIC below it

// The player's Z80 text, the bank's include after it: what the tape's code block holds,
// assembled at kTapePlayerAt, starting there.
std::string TapePlayerText(const Bank& bank);

// The .tap file's bytes.
std::vector<std::uint8_t> BankTape(const Bank& bank);

// The 1 to 9, then A to Z that play the first 35 samples; a later sample has none (0).
char SampleKey(std::size_t sample);

}  // namespace corvane
