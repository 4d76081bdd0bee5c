#pragma once
#include <string>
#include <string_view>

namespace corvane {

// "drum.wav" -> "drum.C": the last three characters (of UTF-8 text) become "C"; a name
// shorter than three characters gets ".C" appended.
std::string PackedFileName(std::string_view entry);

}  // namespace corvane
