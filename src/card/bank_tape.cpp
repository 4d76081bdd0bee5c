// The tape: standard blocks (a 17-byte header, flag 0, then the data, flag FFh, each with its
// XOR checksum), the player assembled from its text here and the include's.
#include "card/bank_tape.h"

#include <stdexcept>

#include "card/bank.h"
#include "card/z80_assembler.h"

namespace corvane {
namespace {

// The player; `@` stands for the bank's label. Its own labels have no '_', so none is one of
// the include's, which all start with the bank's label and '_'. It uses the 48K ROM (paged in
// when BASIC runs USR, on a 128K too): CLS, CHAN-OPEN, RST 10h to print, LD-BYTES.
constexpr const char* kPlayer =
    R"(; The player: loads the bank into the card, lists its samples with a key each, plays a
; sample when its key is pressed, stops every sample on SPACE, back to BASIC on BREAK.
PSTART:
            CALL 0D6Bh              ; CLS
            LD A,2
            CALL 1601h              ; CHAN-OPEN: print on the upper screen
            LD HL,PSCREEN
            CALL PPRINT             ; the title and the samples, a key each
            LD HL,PLOADING
            CALL PPRINT
            CALL @_LOAD
            LD HL,PNOCARD
            JP C,PPRINT             ; the card did not answer: say so, back to BASIC
            LD HL,PREADY
            CALL PPRINT
PKEYUP:
            CALL PSCAN
            JR NZ,PKEYUP            ; until every key is up
PKEYDOWN:
            CALL PSCAN
            JR Z,PKEYDOWN           ; until a key is pressed
            CP ' '
            JR Z,PSPACE
            SUB '1'                 ; 1 to 9: samples 0 to 8
            CP 9
            JR C,PPLAY
            SUB 'A'-'1'-9           ; A to Z: samples 9 to 34
PPLAY:
            CP @_COUNT
            JR NC,PKEYUP            ; no sample has that key
            LD E,A
            LD D,0
            LD HL,@_HANDLES
            ADD HL,DE
            LD A,(HL)
            OUT (179),A             ; the sample's handle...
            LD A,39h
            CALL PCOMMAND           ; ...played on a channel the card picks
            IN A,(179)              ; the card's reply
            JR PKEYUP
PSPACE:
            LD A,0FEh
            IN A,(254)
            RRA
            RET NC                  ; CAPS SHIFT too: BREAK, back to BASIC
            LD A,0FFh
            OUT (179),A             ; every channel...
            LD A,3Ah
            CALL PCOMMAND           ; ...stopped
            JR PKEYUP

; Command A to the card; waits until it has taken it, or 65 536 status reads.
PCOMMAND:
            OUT (187),A
            LD BC,0
PCOMMANDW:
            IN A,(187)
            RRCA
            RET NC
            DJNZ PCOMMANDW
            DEC C
            JR NZ,PCOMMANDW
            RET

; The key pressed: A = its character ('1' to '9', 'A' to 'Z', ' '), NZ; A = 0 and Z when none
; (the shifts and ENTER do not count).
PSCAN:
            LD HL,PKEYS
            LD BC,0FEFEh            ; the half-rows from CAPS SHIFT's to SPACE's
PSCANROW:
            IN D,(C)
            LD E,5
PSCANKEY:
            RR D
            JR C,PSCANNEXT          ; a key that is up reads 1
            LD A,(HL)
            OR A
            RET NZ
PSCANNEXT:
            INC HL
            DEC E
            JR NZ,PSCANKEY
            RLC B
            JR C,PSCANROW
            XOR A
            RET
PKEYS:
            DB 0,"ZXCV","ASDFG","QWERT","12345","09876","POIUY",0,"LKJH"," ",0,"MNB"

; Prints the text at HL, up to FFh.
PPRINT:
            LD A,(HL)
            INC HL
            CP 0FFh
            RET Z
            PUSH HL
            RST 10h
            POP HL
            JR PPRINT

; The bank's page A from the tape into #C000 when the loader asks for it: the page's header,
; then its data, of the length @_SIZES gives. A tape error stops the program with BASIC's
; report "R Tape loading error".
SELECT_PAGE:
            SUB @_FIRST
            LD L,A
            LD H,0
            ADD HL,HL
            LD DE,@_SIZES
            ADD HL,DE
            LD E,(HL)
            INC HL
            LD D,(HL)
            PUSH DE
            LD IX,PHEADER
            LD DE,17
            XOR A                   ; a header
            SCF                     ; to load, not to verify
            CALL 0556h              ; LD-BYTES
            POP DE
            JR NC,PTAPEERROR
            LD IX,0C000h
            LD A,0FFh               ; its data
            SCF
            CALL 0556h
            RET C
PTAPEERROR:
            RST 8
            DB 1Ah                  ; R Tape loading error
PHEADER:
            DS 17

)";

constexpr std::size_t kListTop = 3, kListRows = 18, kColumnWidth = 16, kStatusRow = 21;

// A DB line printing `text` at (row, column): AT, then the text.
std::string At(std::size_t row, std::size_t column, const std::string& text) {
    return "            DB 22," + std::to_string(row) + "," + std::to_string(column) + ",\"" +
           text + "\"\n";
}

// What the player prints: the title and the list, then each status line (31 characters, so
// each covers the last and the screen never scrolls).
std::string ScreenText(const Bank& bank) {
    const std::size_t count = bank.samples.size();
    std::string text = "\nPSCREEN:\n";
    text += At(0, 0, (bank.label + ": " + std::to_string(count) + " samples").substr(0, 31));
    text += At(1, 0, "Keys play, SPACE stops all");
    for (std::size_t i = 0; i < count && SampleKey(i); ++i) {
        const std::string entry = std::string(1, SampleKey(i)) + " " + bank.samples[i].equate;
        text += At(kListTop + i % kListRows, i / kListRows * kColumnWidth,
                   entry.substr(0, kColumnWidth - 1));
    }
    text += "            DB 0FFh\n";
    const auto status = [](const char* label, std::string line) {
        line.resize(31, ' ');
        return std::string(label) + ":\n" + At(kStatusRow, 0, line) + "            DB 0FFh\n";
    };
    return text + status("PLOADING", "Loading the samples...") +
           status("PREADY", "Ready: press a sample's key") +
           status("PNOCARD", "No card answers (or it is full)") + "\n";
}

std::string TapeName(const std::string& name) {
    std::string padded = name.substr(0, 10);
    padded.resize(10, ' ');
    return padded;
}

void AddBlock(std::vector<std::uint8_t>& tape, std::uint8_t flag,
              const std::vector<std::uint8_t>& data) {
    const std::size_t length = data.size() + 2;
    tape.push_back(static_cast<std::uint8_t>(length));
    tape.push_back(static_cast<std::uint8_t>(length >> 8));
    tape.push_back(flag);
    std::uint8_t checksum = flag;
    for (const std::uint8_t byte : data) checksum ^= byte;
    tape.insert(tape.end(), data.begin(), data.end());
    tape.push_back(checksum);
}

// A header (type 0, a program; 3, bytes) and its data block.
void AddFile(std::vector<std::uint8_t>& tape, std::uint8_t type, const std::string& name,
             const std::vector<std::uint8_t>& data, std::uint16_t first, std::uint16_t second) {
    std::vector<std::uint8_t> header = {type};
    for (const char c : TapeName(name)) header.push_back(static_cast<std::uint8_t>(c));
    for (const std::size_t word : {data.size(), std::size_t{first}, std::size_t{second}}) {
        header.push_back(static_cast<std::uint8_t>(word));
        header.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    AddBlock(tape, 0x00, header);
    AddBlock(tape, 0xFF, data);
}

// A number in a BASIC line: its digits, then its hidden 5-byte form.
void AddNumber(std::vector<std::uint8_t>& line, unsigned value) {
    for (const char c : std::to_string(value)) line.push_back(static_cast<std::uint8_t>(c));
    line.insert(line.end(), {0x0E, 0, 0, static_cast<std::uint8_t>(value),
                             static_cast<std::uint8_t>(value >> 8), 0});
}

// 10 CLEAR 32767: LOAD ""CODE : RANDOMIZE USR 32768
std::vector<std::uint8_t> BasicLoader() {
    constexpr std::uint8_t kClear = 0xFD, kLoad = 0xEF, kCode = 0xAF, kRandomize = 0xF9,
                           kUsr = 0xC0, kEnter = 0x0D;
    std::vector<std::uint8_t> line = {kClear};
    AddNumber(line, kTapePlayerAt - 1);
    line.insert(line.end(), {':', kLoad, '"', '"', kCode, ':', kRandomize, kUsr});
    AddNumber(line, kTapePlayerAt);
    line.push_back(kEnter);
    std::vector<std::uint8_t> program = {0, 10, static_cast<std::uint8_t>(line.size()),
                                         static_cast<std::uint8_t>(line.size() >> 8)};
    program.insert(program.end(), line.begin(), line.end());
    return program;
}

}  // namespace

char SampleKey(std::size_t sample) {
    if (sample < 9) return static_cast<char>('1' + sample);
    return sample < 35 ? static_cast<char>('A' + sample - 9) : '\0';
}

std::string TapePlayerText(const Bank& bank) {
    std::string text = kPlayer;
    for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at)) {
        text.replace(at, 1, bank.label);
    }
    return text + ScreenText(bank) + BankListing(bank);
}

std::vector<std::uint8_t> BankTape(const Bank& bank) {
    std::vector<std::uint8_t> tape;
    const std::vector<std::uint8_t> basic = BasicLoader();
    AddFile(tape, 0, bank.label, basic, 10, static_cast<std::uint16_t>(basic.size()));
    const Z80Program player = AssembleZ80(TapePlayerText(bank), kTapePlayerAt);
    if (!player.error.empty()) throw std::logic_error("the tape's player: " + player.error);
    AddFile(tape, 3, bank.label, player.code, kTapePlayerAt, 32768);
    const auto pages = PageImages(bank);
    for (std::size_t page = 0; page < pages.size(); ++page) {
        const std::string number = "." + std::to_string(bank.firstPage + page);
        AddFile(tape, 3, bank.label.substr(0, 10 - number.size()) + number, pages[page],
                kPageAddress, 32768);
    }
    return tape;
}

}  // namespace corvane
