#include "codec/packed_name.h"

namespace corvane {

std::wstring PackedFileName(std::wstring_view entry) {
    if (entry.size() < 3) return std::wstring(entry) + L".C";
    return std::wstring(entry.substr(0, entry.size() - 3)) + L"C";
}

}  // namespace corvane
