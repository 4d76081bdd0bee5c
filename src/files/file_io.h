#pragma once
// Reading and writing whole files, the one way both programs do it.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
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

// Several files written as one: every temporary file is written and flushed before any target
// is replaced, so a failure to write leaves every target as it was. Only a rename failing
// midway (a target in use) leaves the ones before it replaced.
struct FileToWrite {
    std::filesystem::path path;
    std::span<const std::uint8_t> bytes;
};
bool WriteFilesReplacing(std::span<const FileToWrite> files, std::string& error);

// All of standard input, in binary; nothing with `error` set when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadStandardInput(std::string& error);
// All of `bytes` to standard output, in binary, flushed; false with `error` set when the
// output refuses them (a pipe whose reader went away).
bool WriteStandardOutput(std::span<const std::uint8_t> bytes, std::string& error);

// A path from UTF-8 text and back, whatever the platform's own encoding of paths.
inline std::filesystem::path PathOf(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

}  // namespace corvane
