#pragma once
// Writing a whole file so that a failure never leaves a truncated file behind.
#include <cstdint>
#include <span>
#include <string>

namespace corvane {

// Writes `bytes` to a new file in the folder of `path`, then moves it over `path`. Either
// `path` afterwards holds exactly `bytes`, or it is as it was and `error` says why.
bool WriteFileReplacing(const std::wstring& path, std::span<const std::uint8_t> bytes,
                        std::wstring& error);

// The system's text for an error code, without the trailing line break.
std::wstring SystemErrorText(unsigned long code);

}  // namespace corvane
