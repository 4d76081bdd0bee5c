#pragma once
// Runs Corvane's depacker listing, assembled by pasmo, on an emulated Z80 with an emulated
// General Sound card, and reports what the card received and when.
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::z80 {

// One write the card saw: a command on port 187 or a data byte on port 179.
struct CardWrite {
    bool command = false;
    std::uint8_t value = 0;
    std::uint64_t clock = 0;  // T-states since the driver started
    bool operator==(const CardWrite& other) const {
        return command == other.command && value == other.value;
    }
};

struct DepackerRun {
    std::string fault;              // first misbehaviour seen, empty if none
    std::vector<CardWrite> writes;  // every port write, in order
};

// The listing rewritten for pasmo: statements joined by " : " go on lines of their own.
std::string ListingForPasmo(std::string_view listing);

// Assembles the listing (once per load address) and runs it over `packedFile` placed at
// `fxAddr`. After each write the card reports busy for `busyReads` status reads.
DepackerRun RunDepacker(std::span<const std::uint8_t> packedFile, std::uint16_t fxAddr,
                        int busyReads = 3);

// Passes when the routine, run over `packedFile` at `fxAddr`, sends commands #38 and #D1,
// then exactly `expectedSamples` as data, then command #D2, waits out every busy status,
// touches no memory but its amplitude and its stack, and returns to its caller.
::testing::AssertionResult DepackerSends(std::span<const std::uint8_t> packedFile,
                                         std::span<const std::uint8_t> expectedSamples,
                                         std::uint16_t fxAddr);

// The same, with the expected samples taken from Corvane's decoder (the 4n samples after the
// starting 128).
::testing::AssertionResult DepackerMatchesDecoder(std::span<const std::uint8_t> packedFile,
                                                  std::uint16_t fxAddr);

}  // namespace corvane::z80
