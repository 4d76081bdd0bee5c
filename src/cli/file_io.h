#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvane::cli {

// The whole file, or nullopt with `error` set when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path,
                                                       std::string& error);

// Writes through a temporary file in the target's folder that then replaces the
// target, so a failure never leaves a truncated file or loses the old one.
bool WriteFileReplacing(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                        std::string& error);

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace corvane::cli
