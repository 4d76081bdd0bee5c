#include "codec/packed_name.h"

namespace corvane {

std::string PackedFileName(std::string_view entry) {
    std::size_t cut = entry.size();
    for (int characters = 0; characters < 3; ++characters) {
        if (cut == 0) return std::string(entry) + ".C";
        // Step back over one character: continuation bytes are 10xxxxxx.
        do --cut;
        while (cut > 0 && (static_cast<unsigned char>(entry[cut]) & 0xC0) == 0x80);
    }
    return std::string(entry.substr(0, cut)) + "C";
}

}  // namespace corvane
