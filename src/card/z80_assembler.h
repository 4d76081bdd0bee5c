#pragma once
// A small Z80 assembler for the text Corvane writes itself: a bank's include and the tape's
// player. One statement a line: an optional label in the first column (with or without ':'),
// an instruction or EQU, DB, DW or DS, and a ';' comment. Numbers are decimal, hexadecimal as
// 0C000h or #C000, or a character in single quotes; an expression adds and subtracts them,
// labels and $ (the statement's address). Mnemonics and registers in any letter case, labels as
// written. The Z80's documented instructions without IY and indexed operands; IX as a pair.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

struct Z80Program {
    std::vector<std::uint8_t> code;  // from the origin
    std::map<std::string, std::uint16_t> symbols;
    std::string error;  // "line N: why" when the text could not be assembled; code empty then
};

Z80Program AssembleZ80(std::string_view text, std::uint16_t origin);

}  // namespace corvane
