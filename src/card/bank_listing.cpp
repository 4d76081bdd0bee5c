// NAME.asm: what a Z80 program includes to load a bank into the card in one call.
#include <cstdio>

#include "card/bank.h"

namespace corvane {
namespace {

// The loader: `@` stands for the bank's label. It follows the card's guide: SC = command to
// port 187 and wait for bit 0 to clear, SD = data to port 179 and wait for bit 7 to clear;
// a new effect's handle is read from port 179 once bit 7 is set. Each sample is streamed as
// the depacker listing streams it, the table's edges found at run time instead.
constexpr const char* kLoader = R"(
; @_LOAD: loads every sample of the bank into the card, in order, keeps the handle the card
; gives each in @_HANDLES, and sends each sample's note (#40), finetune (#42) and loop (#48,
; #49) where they are not the card's own (note 60, finetune 0, no loop). Calls SELECT_PAGE
; with A = the bank's page of each sample; changes AF, BC, DE, HL and IX.
@_LOAD
            LD IX,@_DIR
            LD HL,@_HANDLES
            LD B,@_COUNT
@_NEXT
            PUSH BC
            PUSH HL
            PUSH IX
            LD A,(IX+0)
            CALL SELECT_PAGE
            POP IX
            LD L,(IX+1)
            LD H,(IX+2)
            CALL @_UNPACK
            POP HL
            LD (HL),A
            INC HL
            PUSH HL
            LD A,(IX+3)
            CP 60
            JR Z,@_FINETUNE
            LD C,#40
            CALL @_SET
@_FINETUNE
            LD A,(IX+4)
            OR A
            JR Z,@_LOOP
            LD C,#42
            CALL @_SET
@_LOOP
            LD A,(IX+7)
            INC A
            JR Z,@_DONE
            LD A,(IX+5)
            LD C,#48
            CALL @_SET
            LD A,(IX+6)
            CALL @_SD
            LD A,(IX+7)
            CALL @_SD
            LD A,(IX+8)
            LD C,#49
            CALL @_SET
            LD A,(IX+9)
            CALL @_SD
            LD A,(IX+10)
            CALL @_SD
@_DONE
            LD DE,11
            ADD IX,DE
            POP HL
            POP BC
            DJNZ @_NEXT
            RET

; Data A, then command C.
@_SET
            OUT (179),A
            LD A,C
; Command A; waits until the card has taken it.
@_SC
            OUT (187),A
@_WC
            IN A,(187)
            RRCA
            JR C,@_WC
            RET
; Data A; waits until the card has taken it.
@_SD
            OUT (179),A
@_WD
            IN A,(187)
            RLCA
            JR C,@_WD
            RET

; Loads the packed file at HL into the card as a new effect; returns its handle in A.
@_UNPACK
            LD A,#38
            CALL @_SC
@_WN
            IN A,(187)
            RLCA
            JR NC,@_WN
            IN A,(179)
            LD (@_HANDLE),A
            LD A,#D1
            CALL @_SC
            LD C,(HL)
            INC HL
            LD B,(HL)
            INC HL
            LD A,L
            LD (@_EDGE_LOW+1),A
            ADD A,10
            LD (@_EDGE_HIGH+1),A
            LD D,H
            LD E,L
            INC DE
            LD A,L
            ADD A,11
            LD L,A
            JR NC,@_DATA
            INC H
@_DATA
            LD A,128
            LD (@_AMPLITUDE+1),A
            LD A,B
            OR C
            JR Z,@_CLOSE
@_BYTE
            PUSH BC
            LD C,(HL)
            EX DE,HL
            LD B,4
@_CODE
            BIT 6,C
            JR Z,@_DOWN
            INC HL
            JR @_SIGN
@_DOWN
            DEC HL
@_SIGN
            RL C
@_AMPLITUDE
            LD A,128
            JR C,@_MINUS
            ADD A,(HL)
            JR NC,@_OUT
            LD A,255
            JR @_OUT
@_MINUS
            AND A
            SBC A,(HL)
            JR NC,@_OUT
            XOR A
@_OUT
            OUT (179),A
            LD (@_AMPLITUDE+1),A
            RL C
            LD A,L
@_EDGE_LOW
            CP 0
            JR NZ,@_NOT_LOW
            INC L
@_NOT_LOW
@_EDGE_HIGH
            CP 0
            JR NZ,@_TAKEN
            DEC L
@_TAKEN
            IN A,(187)
            RLCA
            JR C,@_TAKEN
            DJNZ @_CODE
            EX DE,HL
            INC HL
            POP BC
            DEC BC
            LD A,B
            OR C
            JR NZ,@_BYTE
@_CLOSE
            LD A,#D2
            CALL @_SC
            LD A,(@_HANDLE)
            RET
@_HANDLE
            DB 0
)";

std::string Replaced(std::string text, std::string_view label) {
    for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at)) {
        text.replace(at, 1, label);
        at += label.size();
    }
    return text;
}

std::string Hex(unsigned value, int digits) {
    char text[8];
    std::snprintf(text, sizeof text, "#%0*X", digits, value);
    return text;
}

// A 24-bit loop offset as three bytes, low first.
std::string Offset(std::uint32_t value) {
    return Hex(value & 0xFF, 2) + "," + Hex(value >> 8 & 0xFF, 2) + "," +
           Hex(value >> 16 & 0xFF, 2);
}

}  // namespace

std::string BankListing(const Bank& bank, std::string_view fileName) {
    const std::string name = BankLabelOf(fileName);
    const std::string files(fileName);
    const std::size_t count = bank.samples.size();
    const auto line = [](std::string left, const std::string& right, std::size_t column = 24) {
        left.resize(std::max(left.size() + 1, column), ' ');
        return left + right + "\n";
    };
    std::string text = "; General Sound sample bank " + name +
                       ", written by Corvane: " + std::to_string(count) + " samples in " +
                       std::to_string(bank.budget.pages) +
                       " host page(s) of 16 KB at #C000.\n"
                       "; The program puts the bank's pages (files " +
                       files +
                       ".0.bin ...) "
                       "into its own, defines\n; SELECT_PAGE (select the bank's page A at "
                       "#C000), includes this file and calls " +
                       name +
                       "_LOAD\n; once. A "
                       "sample's handle is then at " +
                       name + "_HANDLES + its equate.\n\n";
    text += line(name + "_COUNT", "EQU " + std::to_string(count));
    for (std::size_t i = 0; i < count; ++i) {
        const std::string equate =
            line(name + "_" + bank.samples[i].equate, "EQU " + std::to_string(i));
        text += line(equate.substr(0, equate.size() - 1), "; " + bank.samples[i].name, 40);
    }
    text += "\n; The card's handle of each sample, in the order above.\n" + name + "_HANDLES\n";
    text += "            DS " + std::to_string(count) + "\n";
    text +=
        "\n; Per sample: page, address, note, finetune as #42 takes it (twice its 4-bit "
        "form),\n; loop begin and end (24 bits, low byte first; a begin of #FFFFFF: no "
        "loop).\n" +
        name + "_DIR\n";
    for (std::size_t i = 0; i < count; ++i) {
        const BankSample& sample = bank.samples[i];
        const Placement& at = bank.placements[i];
        const unsigned finetune = static_cast<unsigned>(sample.pitch.note.finetune & 15) << 1;
        const std::uint32_t begin = sample.loop ? sample.loop->begin : 0xFFFFFF;
        const std::uint32_t end = sample.loop ? sample.loop->end : 0;
        text += line("            DB " + std::to_string(at.page), "; " + sample.name, 48) +
                "            DW " + Hex(at.address, 4) + "\n            DB " +
                std::to_string(sample.pitch.note.note) + "," + Hex(finetune, 2) + "," +
                Offset(begin) + "," + Offset(end) + "\n";
    }
    return text + Replaced(kLoader, name);
}

}  // namespace corvane
