#pragma once
// Reading and writing whole files, the one way both programs do it.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvane {

// A source is read whole into memory; its image size is a 32-bit signed count.
constexpr std::uintmax_t kLargestFile = 0x7FFFFFFF;

// The whole file, or nothing with `error` saying why (the system's words, UTF-8) when it
// cannot be opened or read, is a folder, or is larger than kLargestFile. Never creates a file.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path,
                                                       std::string& error);

// Writes `bytes` to a temporary file created new in the folder of `path`, flushes it to disk
// and renames it over `path`. Either `path` then holds exactly `bytes`, or it is as it was,
// no temporary file is left behind and `error` says why. Safe for several processes and
// threads writing into one folder at once.
bool WriteFileReplacing(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                        std::string& error);

}  // namespace corvane
