#pragma once
// What each platform's file code gives the one way files are written (file_io.cpp).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace corvane {

// A new temporary file beside `path` holding `bytes`, flushed to disk; nothing with `error`
// set when it cannot be made whole, and then no file is left.
std::optional<std::filesystem::path> WriteTemporaryBeside(const std::filesystem::path& path,
                                                          std::span<const std::uint8_t> bytes,
                                                          std::string& error);
// Renames the temporary file over `path`, durably.
bool ReplaceWithTemporary(const std::filesystem::path& temporary, const std::filesystem::path& path,
                          std::string& error);
void RemoveTemporary(const std::filesystem::path& temporary);

}  // namespace corvane
