#pragma once
#include <string>

namespace corvane {

// The Z80 depacker routine's source text: Windows-1251, LF line endings.
std::string DepackerListing();

}  // namespace corvane
