#include "card/asm_names.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <set>
#include <sstream>

#include "card/bank_loader.h"

namespace corvane {
namespace {

// ASCII for the letters of a block of code points, from `first` on: a word each, "-" for a
// code point that is no letter, "'" for a letter written as nothing (the Cyrillic signs).
struct Script {
    char32_t first;
    const char* words;
};
constexpr Script kScripts[] = {
    {0xC0,  // Latin-1 and Latin Extended-A
     "A A A A A A AE C E E E E I I I I D N O O O O O - O U U U U Y Th ss a a a a a a ae c e e e "
     "e i i i i d n o o o o o - o u u u u y th y A a A a A a C c C c C c C c D d D d E e E e E e "
     "E e E e G g G g G g G g H h H h I i I i I i I i I i IJ ij J j K k k L l L l L l L l L l N "
     "n N n N n n N n O o O o O o OE oe R r R r R r S s S s S s S s T t T t T t U u U u U u U u "
     "U u U u W w Y y Y Z z Z z Z z s"},
    {0x391,  // Greek
     "A B G D E Z I Th I K L M N X O P R - S T Y F Ch Ps O - - - - - - - a b g d e z i th i k l "
     "m n x o p r s s t y f ch ps o"},
    {0x400,  // Cyrillic
     "E Yo Dj Gj Ye Dz I Yi J Lj Nj C Kj I U Dzh A B V G D E Zh Z I Y K L M N O P R S T U F Kh "
     "Ts Ch Sh Shch ' Y ' E Yu Ya a b v g d e zh z i y k l m n o p r s t u f kh ts ch sh shch ' "
     "y ' e yu ya e yo dj gj ye dz i yi j lj nj c kj i u dzh"},
};

// The ASCII of code point `c` ("_" for a sign of these scripts that is no letter), or nothing
// when it lies outside them.
std::optional<std::string> Transliterated(char32_t c) {
    for (const Script& script : kScripts) {
        if (c < script.first) continue;
        std::istringstream words(script.words);
        std::string word;
        for (char32_t at = script.first; words >> word; ++at) {
            if (at == c) {
                if (word == "-") return "_";
                return word == "'" ? "" : word;
            }
        }
    }
    return std::nullopt;
}

// Punctuation, symbols, arrows, boxes, dingbats, CJK punctuation, emoji and the like.
bool IsSymbol(char32_t c) {
    return (c >= 0x2000 && c <= 0x2BFF) || (c >= 0x3000 && c <= 0x303F) ||
           (c >= 0xFE00 && c <= 0xFE6F) || (c >= 0xFF00 && c <= 0xFF20) || c >= 0x1F000 || c < 0xC0;
}

// The next code point of UTF-8 `text` at `at`, moving `at` past it; U+FFFD for a bad byte.
char32_t NextCodePoint(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(at++);
    const int extra = lead < 0x80         ? 0
                      : (lead >> 5) == 6  ? 1
                      : (lead >> 4) == 14 ? 2
                      : (lead >> 3) == 30 ? 3
                                          : -1;
    if (extra < 0) return 0xFFFD;
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (at >= text.size() || (byte(at) & 0xC0) != 0x80) return 0xFFFD;
        c = c << 6 | (byte(at++) & 0x3F);
    }
    return c;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::string LabelOf(std::string_view text) {
    std::string label;
    for (std::size_t at = 0; at < text.size();) {
        const char32_t c = NextCodePoint(text, at);
        if (c < 0x80 && (std::isalnum(static_cast<int>(c)) || c == '_')) {
            label += static_cast<char>(c);
        } else if (const auto ascii = Transliterated(c)) {
            label += *ascii;
        } else if (IsSymbol(c) || c == 0xFFFD) {
            label += '_';
        } else {
            char hex[12];
            std::snprintf(hex, sizeof hex, "u%X", static_cast<unsigned>(c));
            label += hex;
        }
    }
    return label;
}

std::string BankLabelOf(std::string_view name) {
    std::string label = LabelOf(name);
    if (label.empty() || std::isdigit(static_cast<unsigned char>(label[0]))) label = "_" + label;
    label.resize(std::min(label.size(), kLongestBankLabel));
    return label;
}

namespace {

// Whether the include uses `upper` (a name in upper case) after the bank's label itself.
bool Reserved(const std::string& upper, std::string_view bankLabel) {
    static const std::set<std::string> own = [] {
        std::set<std::string> names(LoaderLabelNames().begin(), LoaderLabelNames().end());
        names.insert({"COUNT", "FIRST", "PAGES", "SIZES", "HANDLES", "DIR"});  // the listing's own
        return names;
    }();
    return own.contains(upper) ||
           (upper == "PAGE" && Upper(std::string(bankLabel)) == "SELECT");  // SELECT_PAGE
}

}  // namespace

std::string EquateProblem(std::string_view name, std::string_view bankLabel) {
    if (name.empty() || LabelOf(name) != name) return "a name is letters, digits and _";
    if (bankLabel.size() + 1 + name.size() > kLongestLabel) {
        return "the name is longer than the " +
               std::to_string(kLongestLabel - bankLabel.size() - 1) +
               " characters a label of this bank leaves";
    }
    if (Reserved(Upper(std::string(name)), bankLabel)) {
        return "the include uses " + std::string(bankLabel) + "_" + std::string(name) + " itself";
    }
    return "";
}

std::vector<std::string> EquatesOf(const std::vector<std::string>& fileNames,
                                   std::string_view bankLabel,
                                   const std::vector<std::string>& given) {
    const std::size_t room = kLongestLabel - bankLabel.size() - 1;
    std::set<std::string> taken;  // besides the include's own names
    for (const std::string& name : given) taken.insert(Upper(name));
    std::vector<std::string> equates;
    for (std::size_t i = 0; i < fileNames.size(); ++i) {
        if (i < given.size() && !given[i].empty()) {
            equates.push_back(given[i]);
            continue;
        }
        const std::string& name = fileNames[i];
        const std::size_t slash = name.find_last_of("/\\");
        std::string stem = slash == std::string::npos ? name : name.substr(slash + 1);
        if (const std::size_t dot = stem.rfind('.'); dot != std::string::npos && dot > 0) {
            stem.resize(dot);
        }
        const std::string base = LabelOf(stem.empty() ? "sample" : stem);
        std::string equate = base.substr(0, room);
        for (int n = 2; taken.contains(Upper(equate)) || Reserved(Upper(equate), bankLabel); ++n) {
            const std::string number = "_" + std::to_string(n);
            equate = base.substr(0, room - number.size()) + number;
        }
        taken.insert(Upper(equate));
        equates.push_back(equate);
    }
    return equates;
}

}  // namespace corvane
