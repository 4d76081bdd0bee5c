#pragma once
// The one conversion between the core's UTF-8 texts and Windows' UTF-16, at the Win32 edge.
#include <string>
#include <string_view>

namespace corvane {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace corvane
