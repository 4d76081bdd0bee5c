#pragma once
#include <string>
#include <string_view>

namespace corvane {

// "drum.wav" -> "drum.C": the last three characters become "C"; a name shorter
// than three characters gets ".C" appended.
std::wstring PackedFileName(std::wstring_view entry);

}  // namespace corvane
