// Two passes over the text: the first finds each label's address (every instruction's length
// is known from its form alone, so unknown labels count as 0 there), the second writes the bytes.
#include "card/z80_assembler.h"

#include <array>
#include <cctype>
#include <optional>

namespace corvane {
namespace {

struct Failure {
    std::string why;
};

bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::string Trim(std::string_view text) {
    const std::size_t from = text.find_first_not_of(" \t\r");
    if (from == std::string_view::npos) return "";
    return std::string(text.substr(from, text.find_last_not_of(" \t\r") - from + 1));
}

// An operand as registers are matched: upper case, without spaces.
std::string Key(std::string_view text) {
    std::string key;
    for (const char c : text) {
        if (c != ' ' && c != '\t')
            key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return key;
}

// A quote that opens a string or character: not the one of AF'.
bool OpensQuote(std::string_view text, std::size_t at) {
    return (text[at] == '"' || text[at] == '\'') && (at == 0 || !IsNameChar(text[at - 1]));
}

// Where the text outside quotes has `c`, from `from`; npos when it has none.
std::size_t FindOutsideQuotes(std::string_view text, char c, std::size_t from = 0) {
    for (std::size_t at = from; at < text.size(); ++at) {
        if (OpensQuote(text, at)) {
            const std::size_t close = text.find(text[at], at + 1);
            if (close == std::string_view::npos) throw Failure{"a quote is not closed"};
            at = close;
        } else if (text[at] == c) {
            return at;
        }
    }
    return std::string_view::npos;
}

std::vector<std::string> SplitOperands(std::string_view text) {
    std::vector<std::string> operands;
    if (Trim(text).empty()) return operands;
    std::size_t from = 0;
    for (std::size_t comma; (comma = FindOutsideQuotes(text, ',', from)) != std::string::npos;
         from = comma + 1) {
        operands.push_back(Trim(text.substr(from, comma - from)));
    }
    operands.push_back(Trim(text.substr(from)));
    return operands;
}

int IndexOf(const std::string& key, std::initializer_list<const char*> names) {
    int index = 0;
    for (const char* name : names) {
        if (key == name) return index;
        ++index;
    }
    return -1;
}

int Reg8(const std::string& key) {
    return IndexOf(key, {"B", "C", "D", "E", "H", "L", "(HL)", "A"});
}
int Pair(const std::string& key) { return IndexOf(key, {"BC", "DE", "HL", "SP"}); }
int Condition(const std::string& key) {
    return IndexOf(key, {"NZ", "Z", "NC", "C", "PO", "PE", "P", "M"});
}
// A memory operand (an address in brackets), not a register's.
bool IsMemory(const std::string& key) {
    return key.size() > 2 && key.front() == '(' && key.back() == ')' && Reg8(key) < 0 &&
           IndexOf(key, {"(BC)", "(DE)", "(SP)", "(C)", "(IX)"}) < 0;
}

class Assembler {
  public:
    Assembler(std::uint16_t origin, bool final) : origin_(origin), final_(final) {}
    std::map<std::string, std::uint16_t> symbols;
    std::vector<std::uint8_t> code;

    void Line(std::string_view line) {
        line = line.substr(0, FindOutsideQuotes(line, ';'));
        here_ = static_cast<std::uint32_t>(origin_ + code.size());
        std::string label;
        std::size_t at = 0;
        if (!line.empty() && line[0] != ' ' && line[0] != '\t') {
            while (at < line.size() && IsNameChar(line[at])) ++at;
            label = std::string(line.substr(0, at));
            if (label.empty() || std::isdigit(static_cast<unsigned char>(label[0]))) {
                throw Failure{"not a label: " + Trim(line)};
            }
            if (at < line.size() && line[at] == ':') ++at;
        }
        const std::string rest = Trim(line.substr(at));
        std::size_t end = 0;
        while (end < rest.size() && IsNameChar(rest[end])) ++end;
        const std::string mnemonic = Key(rest.substr(0, end));
        const std::vector<std::string> operands = SplitOperands(std::string_view(rest).substr(end));
        if (mnemonic == "EQU") {
            if (label.empty() || operands.size() != 1)
                throw Failure{"EQU needs a label and a value"};
            return Define(label, Value(operands[0]));
        }
        if (!label.empty()) Define(label, here_);
        if (!mnemonic.empty()) Statement(mnemonic, operands);
    }

  private:
    void Define(const std::string& label, long value) {
        const auto v = static_cast<std::uint16_t>(value);
        const auto [it, added] = symbols.emplace(label, v);
        if (!added && !final_) throw Failure{label + " is defined twice"};
        it->second = v;  // the second pass: an equate's value with every label known
    }

    long Term(std::string_view text, std::size_t& at) {
        const std::size_t from = at;
        if (text[at] == '\'') {
            if (at + 2 >= text.size() || text[at + 2] != '\'') throw Failure{"a bad character"};
            at += 3;
            return static_cast<unsigned char>(text[from + 1]);
        }
        while (at < text.size() && (IsNameChar(text[at]) || (at == from && text[at] == '#'))) ++at;
        const std::string word(text.substr(from, at - from));
        if (word.empty() && text[at] == '$') return ++at, here_;
        if (word.empty()) throw Failure{"an expression expected: " + std::string(text)};
        if (std::isdigit(static_cast<unsigned char>(word[0])) || word[0] == '#') {
            const bool hex =
                word[0] == '#' || std::toupper(static_cast<unsigned char>(word.back())) == 'H';
            const std::string digits = word[0] == '#' ? word.substr(1)
                                       : hex          ? word.substr(0, word.size() - 1)
                                                      : word;
            std::size_t used = 0;
            long value = -1;
            try {
                value = std::stol(digits, &used, hex ? 16 : 10);
            } catch (...) {
            }
            if (digits.empty() || used != digits.size()) throw Failure{"not a number: " + word};
            return value;
        }
        const auto it = symbols.find(word);
        if (it != symbols.end()) return it->second;
        if (final_) throw Failure{"unknown label " + word};
        return 0;
    }

    // Terms added and subtracted, left to right.
    long Value(std::string_view text) {
        long total = 0;
        int sign = 1;
        std::size_t at = 0;
        const auto skip = [&] {
            while (at < text.size() && text[at] == ' ') ++at;
        };
        skip();
        if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
            sign = text[at++] == '-' ? -1 : 1;
            skip();
        }
        while (true) {
            if (at >= text.size()) throw Failure{"an expression expected"};
            total += sign * Term(text, at);
            skip();
            if (at == text.size()) return total;
            if (text[at] != '+' && text[at] != '-')
                throw Failure{"not an expression: " + std::string(text)};
            sign = text[at++] == '-' ? -1 : 1;
            skip();
        }
    }

    void Byte(long value) {
        if (final_ && (value < -128 || value > 255)) throw Failure{"a byte out of range"};
        code.push_back(static_cast<std::uint8_t>(value));
    }
    void Bytes(std::initializer_list<int> bytes) {
        for (const int b : bytes) Byte(b);
    }
    void Word(long value) {
        if (final_ && (value < -32768 || value > 65535)) throw Failure{"a word out of range"};
        code.push_back(static_cast<std::uint8_t>(value));
        code.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    void Relative(const std::string& target) {
        const long offset = Value(target) - static_cast<long>(here_ + 2);
        if (final_ && (offset < -128 || offset > 127))
            throw Failure{"a relative jump out of reach"};
        code.push_back(static_cast<std::uint8_t>(offset));
    }
    std::string Inner(const std::string& operand) {  // the address of a memory operand
        const std::string trimmed = Trim(operand);
        return trimmed.substr(1, trimmed.size() - 2);
    }

    void Statement(const std::string& m, const std::vector<std::string>& ops) {
        const std::size_t n = ops.size();
        std::vector<std::string> keys;
        for (const std::string& op : ops) keys.push_back(Key(op));
        const auto key = [&](std::size_t i) { return i < n ? keys[i] : std::string(); };
        if (m == "DB" || m == "DEFB" || m == "DM" || m == "DEFM") {
            for (const std::string& op : ops) {
                if (op.size() >= 2 && op.front() == '"' && op.back() == '"') {
                    for (std::size_t i = 1; i + 1 < op.size(); ++i)
                        Byte(static_cast<unsigned char>(op[i]));
                } else {
                    Byte(Value(op));
                }
            }
            return;
        }
        if (m == "DW" || m == "DEFW") {
            for (const std::string& op : ops) Word(Value(op));
            return;
        }
        if (m == "DS" || m == "DEFS") {
            if (n < 1 || n > 2) throw Failure{"DS takes a length and a filler"};
            const long length = Value(ops[0]), filler = n == 2 ? Value(ops[1]) : 0;
            if (length < 0 || length > 0x10000) throw Failure{"a bad length"};
            for (long i = 0; i < length; ++i) Byte(filler);
            return;
        }
        if (Plain(m, n)) return;
        if (Arithmetic(m, keys, ops)) return;
        if (m == "LD" && n == 2) return Load(keys, ops);
        const bool inc = m == "INC";
        if ((inc || m == "DEC") && n == 1) {
            if (Reg8(key(0)) >= 0) return Byte((inc ? 0x04 : 0x05) | Reg8(key(0)) << 3);
            if (Pair(key(0)) >= 0) return Byte((inc ? 0x03 : 0x0B) | Pair(key(0)) << 4);
            if (key(0) == "IX") return Bytes({0xDD, inc ? 0x23 : 0x2B});
        }
        const bool push = m == "PUSH";
        if ((push || m == "POP") && n == 1) {
            const int pair = IndexOf(key(0), {"BC", "DE", "HL", "AF"});
            if (pair >= 0) return Byte((push ? 0xC5 : 0xC1) | pair << 4);
            if (key(0) == "IX") return Bytes({0xDD, push ? 0xE5 : 0xE1});
        }
        if (m == "JP" && n == 1 && key(0) == "(HL)") return Byte(0xE9);
        if (m == "JP" && n == 1 && key(0) == "(IX)") return Bytes({0xDD, 0xE9});
        if ((m == "JP" || m == "CALL") && n == 1)
            return Byte(m == "JP" ? 0xC3 : 0xCD), Word(Value(ops[0]));
        if ((m == "JP" || m == "CALL") && n == 2 && Condition(key(0)) >= 0) {
            Byte((m == "JP" ? 0xC2 : 0xC4) | Condition(key(0)) << 3);
            return Word(Value(ops[1]));
        }
        if (m == "RET" && n == 0) return Byte(0xC9);
        if (m == "RET" && n == 1 && Condition(key(0)) >= 0)
            return Byte(0xC0 | Condition(key(0)) << 3);
        if (m == "JR" && n == 1) return Byte(0x18), Relative(ops[0]);
        if (m == "JR" && n == 2 && Condition(key(0)) >= 0 && Condition(key(0)) < 4) {
            return Byte(0x20 | Condition(key(0)) << 3), Relative(ops[1]);
        }
        if (m == "DJNZ" && n == 1) return Byte(0x10), Relative(ops[0]);
        if (m == "RST" && n == 1) {
            const long target = Value(ops[0]);
            if (target < 0 || target > 0x38 || target % 8) throw Failure{"RST takes 0, 8 ... 38h"};
            return Byte(0xC7 | static_cast<int>(target));
        }
        if (m == "EX" && n == 2) {
            const std::string both = key(0) + "," + key(1);
            const int form = IndexOf(both, {"DE,HL", "AF,AF'", "(SP),HL", "(SP),IX"});
            if (form == 3) return Bytes({0xDD, 0xE3});
            if (form >= 0) return Byte(std::array{0xEB, 0x08, 0xE3}[form]);
        }
        if (m == "IM" && n == 1) {
            const long mode = Value(ops[0]);
            if (mode >= 0 && mode <= 2) return Bytes({0xED, std::array{0x46, 0x56, 0x5E}[mode]});
        }
        if (m == "IN" && n == 2 && key(0) == "A" && IsMemory(key(1)))
            return Byte(0xDB), Byte(Value(Inner(ops[1])));
        if (m == "IN" && n == 2 && key(1) == "(C)" && Reg8(key(0)) >= 0 && Reg8(key(0)) != 6) {
            return Bytes({0xED, 0x40 | Reg8(key(0)) << 3});
        }
        if (m == "OUT" && n == 2 && key(1) == "A" && IsMemory(key(0)))
            return Byte(0xD3), Byte(Value(Inner(ops[0])));
        if (m == "OUT" && n == 2 && key(0) == "(C)" && Reg8(key(1)) >= 0 && Reg8(key(1)) != 6) {
            return Bytes({0xED, 0x41 | Reg8(key(1)) << 3});
        }
        const int shift = IndexOf(m, {"RLC", "RRC", "RL", "RR", "SLA", "SRA", "SLL", "SRL"});
        if (shift >= 0 && n == 1 && Reg8(key(0)) >= 0)
            return Bytes({0xCB, shift << 3 | Reg8(key(0))});
        const int bitOp = IndexOf(m, {"BIT", "RES", "SET"});
        if (bitOp >= 0 && n == 2 && Reg8(key(1)) >= 0) {
            const long bit = Value(ops[0]);
            if (bit < 0 || bit > 7) throw Failure{"a bit number is 0 to 7"};
            return Bytes({0xCB, (bitOp + 1) << 6 | static_cast<int>(bit) << 3 | Reg8(key(1))});
        }
        std::string all;
        for (const std::string& op : ops) all += (all.empty() ? " " : ",") + op;
        throw Failure{"not an instruction this assembler knows: " + m + all};
    }

    bool Plain(const std::string& m, std::size_t n) {
        static const std::map<std::string, std::vector<int>> kPlain = {
            {"NOP", {0x00}},        {"RLCA", {0x07}},       {"RRCA", {0x0F}},
            {"RLA", {0x17}},        {"RRA", {0x1F}},        {"DAA", {0x27}},
            {"CPL", {0x2F}},        {"SCF", {0x37}},        {"CCF", {0x3F}},
            {"HALT", {0x76}},       {"DI", {0xF3}},         {"EI", {0xFB}},
            {"EXX", {0xD9}},        {"NEG", {0xED, 0x44}},  {"RETI", {0xED, 0x4D}},
            {"RETN", {0xED, 0x45}}, {"LDI", {0xED, 0xA0}},  {"LDIR", {0xED, 0xB0}},
            {"LDD", {0xED, 0xA8}},  {"LDDR", {0xED, 0xB8}}, {"CPIR", {0xED, 0xB1}},
            {"RLD", {0xED, 0x6F}},  {"RRD", {0xED, 0x67}}};
        const auto it = kPlain.find(m);
        if (n != 0 || it == kPlain.end()) return false;
        for (const int b : it->second) Byte(b);
        return true;
    }

    // ADD, ADC, SUB, SBC, AND, XOR, OR, CP of A; the 16-bit ADD, ADC and SBC.
    bool Arithmetic(const std::string& m, const std::vector<std::string>& keys,
                    const std::vector<std::string>& ops) {
        const int alu = IndexOf(m, {"ADD", "ADC", "SUB", "SBC", "AND", "XOR", "OR", "CP"});
        if (alu < 0) return false;
        const std::size_t n = ops.size();
        if (n == 2 && (keys[0] == "HL" || keys[0] == "IX") && alu != 2 && alu <= 3) {
            const int pair = keys[1] == keys[0] ? 2 : Pair(keys[1]);
            if (pair < 0 || (keys[1] == "HL" && keys[0] == "IX")) throw Failure{"a bad pair"};
            if (keys[0] == "IX" && alu != 0) throw Failure{"only ADD IX"};
            if (keys[0] == "IX") Byte(0xDD);
            if (alu == 0)
                Byte(0x09 | pair << 4);
            else
                Bytes({0xED, (alu == 1 ? 0x4A : 0x42) | pair << 4});
            return true;
        }
        std::size_t source = 0;
        if (n == 2 && keys[0] == "A")
            source = 1;
        else if (n != 1)
            throw Failure{m + " takes A and a value"};
        const int r = Reg8(keys[source]);
        if (r >= 0)
            Byte(0x80 | alu << 3 | r);
        else
            Byte(0xC6 | alu << 3), Byte(Value(ops[source]));
        return true;
    }

    void Load(const std::vector<std::string>& keys, const std::vector<std::string>& ops) {
        const std::string &a = keys[0], &b = keys[1];
        const int ra = Reg8(a), rb = Reg8(b), pa = Pair(a), pb = Pair(b);
        if (ra >= 0 && rb >= 0 && !(ra == 6 && rb == 6)) return Byte(0x40 | ra << 3 | rb);
        if (a == "A" && (b == "(BC)" || b == "(DE)")) return Byte(b == "(BC)" ? 0x0A : 0x1A);
        if (b == "A" && (a == "(BC)" || a == "(DE)")) return Byte(a == "(BC)" ? 0x02 : 0x12);
        if (a == "A" && (b == "I" || b == "R")) return Bytes({0xED, b == "I" ? 0x57 : 0x5F});
        if (b == "A" && (a == "I" || a == "R")) return Bytes({0xED, a == "I" ? 0x47 : 0x4F});
        if (a == "A" && IsMemory(b)) return Byte(0x3A), Word(Value(Inner(ops[1])));
        if (b == "A" && IsMemory(a)) return Byte(0x32), Word(Value(Inner(ops[0])));
        if (ra >= 0 && !IsMemory(b) && rb < 0 && pb < 0)
            return Byte(0x06 | ra << 3), Byte(Value(ops[1]));
        if (a == "SP" && (b == "HL" || b == "IX"))
            return b == "IX" ? Bytes({0xDD, 0xF9}) : Byte(0xF9);
        if ((pa >= 0 || a == "IX") && IsMemory(b)) {
            if (a == "IX")
                Bytes({0xDD, 0x2A});
            else if (a == "HL")
                Byte(0x2A);
            else
                Bytes({0xED, 0x4B | pa << 4});
            return Word(Value(Inner(ops[1])));
        }
        if ((pb >= 0 || b == "IX") && IsMemory(a)) {
            if (b == "IX")
                Bytes({0xDD, 0x22});
            else if (b == "HL")
                Byte(0x22);
            else
                Bytes({0xED, 0x43 | pb << 4});
            return Word(Value(Inner(ops[0])));
        }
        if ((pa >= 0 || a == "IX") && !IsMemory(b) && Reg8(b) < 0 && Pair(b) < 0) {
            if (a == "IX")
                Bytes({0xDD, 0x21});
            else
                Byte(0x01 | pa << 4);
            return Word(Value(ops[1]));
        }
        throw Failure{"not a load this assembler knows: LD " + ops[0] + "," + ops[1]};
    }

    std::uint16_t origin_;
    bool final_;
    std::uint32_t here_ = 0;
};

}  // namespace

Z80Program AssembleZ80(std::string_view text, std::uint16_t origin) {
    std::map<std::string, std::uint16_t> symbols;
    for (const bool final : {false, true}) {
        Assembler assembler(origin, final);
        assembler.symbols = symbols;
        std::size_t number = 0;
        for (std::size_t from = 0; from <= text.size(); ++number) {
            std::size_t end = text.find('\n', from);
            if (end == std::string_view::npos) end = text.size();
            try {
                assembler.Line(text.substr(from, end - from));
            } catch (const Failure& failure) {
                return {{}, {}, "line " + std::to_string(number + 1) + ": " + failure.why};
            }
            from = end + 1;
        }
        if (final) return {std::move(assembler.code), std::move(assembler.symbols), ""};
        symbols = std::move(assembler.symbols);
    }
    return {};
}

}  // namespace corvane
