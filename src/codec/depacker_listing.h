#pragma once
#include <cstddef>
#include <string>

namespace corvane {

// The Z80 depacker routine's source text: Windows-1251, LF line endings.
std::string DepackerListing();

// T-states the routine spends on one data byte at the least: every code takes its shortest
// path and the card takes each sample at once. The emulated-Z80 test measures it.
constexpr long kDepackerTStatesPerByte = 770;
constexpr long kHostClockHz = 3'500'000;
constexpr std::size_t kHostPageBytes = 16384;
// The routine moves only the low byte of its table pointer, so the 11 table bytes must lie in
// one 256-byte page: the packed file's address may have a low byte of at most #F3.
constexpr unsigned kLoadAddressLowByteMax = 0xF3;

// What playing a packed file of `dataLength` data bytes costs the host.
struct HostCost {
    std::size_t bytesRun;     // a length of 0 runs the routine over 65 536 bytes
    std::size_t cardSamples;  // four a data byte
    // At kHostClockHz, in whole milliseconds rounded down: longer while the card is busy.
    std::size_t millisecondsAtLeast;
    bool fitsPage;  // the whole file in one memory page of the host
};
HostCost DepackerCost(std::size_t dataLength);

}  // namespace corvane
