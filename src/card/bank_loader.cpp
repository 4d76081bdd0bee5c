// The bank loader's text and its cost. Its decoder keeps the table index in the program counter:
// a block of code for each index (1 to 9) and each code's place in its byte (0 to 3), whose
// additions hold the step table, patched for each sample. A code then takes two shifts and
// jumps, an addition, a look at the card's status and the sample written out.
#include "card/bank_loader.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <span>

#include "card/bank.h"
#include "codec/packed_format.h"

namespace corvane {
namespace {

// The fixed part of the routine; `@` stands for the bank's label. Data before a command is
// written without a wait (the card reads it when it runs the command); a reply the card writes
// before it takes its command (#38, #42) is read at once.
constexpr const char* kRoutines = R"(
; @_LOAD: loads the bank's samples into the card in the directory's order, keeps the handle the
; card gives each in @_HANDLES, and sends each effect's finetune (#42), note (#40) and loop (#48,
; #49) where they are not the card's own. Returns with carry clear when all are loaded; with
; carry set and A = the number of the sample it was loading (0 for the first) when the card did
; not answer or took no more effects; the handles of the samples before it are kept.
@_LOAD:
            LD (@_SP),SP
            LD HL,@_DIR
            LD (@_ENTRY),HL
            XOR A
            LD (@_INDEX),A
            LD A,@_FIRST
            DEC A
            LD (@_PAGE_AT),A           ; none of the bank's pages is at #C000 yet
@_NEXT:
            LD A,(@_INDEX)
            CP @_COUNT
            RET NC                  ; all loaded, carry clear
            LD HL,(@_ENTRY)
            LD A,(HL)
            CALL @_TO_PAGE          ; the page the packed file starts in
            INC HL
            LD E,(HL)
            INC HL
            LD D,(HL)
            INC HL
            LD (@_ENTRY),HL         ; the sample's note, finetune and loop
            EX DE,HL
            LD E,(HL)
            INC HL
            LD D,(HL)
            INC HL
            LD (@_LEFT),DE          ; its data bytes
            CALL @_TABLE            ; its step table into the decoder; HL: its data
            LD A,38h
            CALL @_SC               ; a new effect...
            IN A,(179)              ; ...whose handle the card wrote before it took #38
            OR A
            JP Z,@_FAIL             ; 0: the card takes no more effects
            PUSH HL
            LD HL,@_HANDLES
            LD DE,(@_INDEX)
            LD D,0
            ADD HL,DE
            LD (HL),A
            POP HL
            LD A,0D1h
            CALL @_SC
            CALL @_STREAM
            LD A,0D2h
            CALL @_SC
            CALL @_PARAMETERS
            LD HL,@_INDEX
            INC (HL)
            JR @_NEXT

; The card did not answer, or took no more effects: back to the caller of @_LOAD.
@_FAIL:
            LD SP,(@_SP)
            LD A,(@_INDEX)
            SCF
            RET

; Page A of the bank at #C000, unless it is there already.
@_TO_PAGE:
            LD B,A
            LD A,(@_PAGE_AT)
            CP B
            RET Z
            LD A,B
; Page A at #C000, through the program's SELECT_PAGE.
@_SELECT:
            LD (@_PAGE_AT),A
            PUSH HL
            CALL SELECT_PAGE
            POP HL
            RET
; The bank's next page at #C000; HL: its first byte.
@_NEXT_PAGE:
            LD A,(@_PAGE_AT)
            INC A
            CALL @_SELECT
            LD HL,0C000h
            RET

; The effect's finetune, note and loop from the directory (HL, @_ENTRY). The card works out
; the period at #40 from the note and the finetune it holds then: so #42 first, and #40 after
; it whenever the note or the finetune is not the card's own.
@_PARAMETERS:
            LD HL,(@_ENTRY)
            INC HL
            LD A,(HL)               ; the finetune, as #42 takes it
            DEC HL
            OR A
            JR Z,@_NOTE
            LD B,42h
            CALL @_SET
            IN A,(179)              ; the old finetune, written before the card took #42
            JR @_SEND_NOTE
@_NOTE:
            LD A,(HL)
            CP 60
            JR Z,@_LOOP
@_SEND_NOTE:
            LD A,(HL)
            LD B,40h
            CALL @_SET
@_LOOP:
            INC HL
            INC HL                  ; the loop's begin, low byte first
            INC HL
            INC HL
            LD A,(HL)               ; its high byte: FFh for no loop
            DEC HL
            DEC HL
            INC A
            JR Z,@_NO_LOOP
            LD B,48h
            CALL @_POINT
            LD B,49h
            CALL @_POINT
            JR @_PARAMETERS_END
@_NO_LOOP:
            LD DE,6
            ADD HL,DE
@_PARAMETERS_END:
            LD (@_ENTRY),HL         ; the next sample's entry
            RET
; Loop point B (#48, #49): the three bytes at HL, low first; HL past them.
@_POINT:
            LD A,(HL)
            INC HL
            CALL @_SET
            LD A,(HL)
            INC HL
            CALL @_SD
            LD A,(HL)
            INC HL
            JP @_SD

; Data A, then command B; waits until the card has taken the command.
@_SET:
            OUT (179),A
            LD A,B
; Command A; waits until the card has taken it.
@_SC:
            OUT (187),A
            LD D,1
            JR @_WAITS
; Data A; waits until the card has read it.
@_SD:
            OUT (179),A
            LD D,80h
; Waits until the card's status bits D are clear; fails after 65 536 reads. Changes A, BC.
@_WAITS:
            LD BC,0
@_WAITS_READ:
            IN A,(187)
            AND D
            RET Z
            DJNZ @_WAITS_READ
            DEC C
            JR NZ,@_WAITS_READ
            JP @_FAIL

; Streams the packed data at HL (@_LEFT bytes) to the card as the samples it stands for: the
; decoder starts at amplitude 128 (in A), table index 1.
@_STREAM:
            LD A,128
            CALL @_SEG
            RET NC
            JP @_G1

; The next stretch of data from HL (at the end of a page, the next page's first byte): D and B
; count its bytes (B = 0 for 256), up to the end of the data or of the page. Carry clear when
; no data is left. Keeps A; C = 187 for the decoder's status reads.
@_SEG:
            LD (@_AMPLITUDE),A
            LD A,H
            OR L
            CALL Z,@_NEXT_PAGE
            LD DE,(@_LEFT)
            LD A,D
            OR E
            JR Z,@_SEG_END
            PUSH HL
            XOR A
            SUB L
            LD L,A
            LD A,0
            SBC A,H
            LD H,A                  ; the bytes to the page's end
            OR A
            SBC HL,DE
            JR NC,@_SEG_COUNT       ; the data ends in this page
            ADD HL,DE
            EX DE,HL                ; or the stretch ends with the page
@_SEG_COUNT:
            LD HL,(@_LEFT)
            OR A
            SBC HL,DE
            LD (@_LEFT),HL
            POP HL
            LD B,E
            LD A,E
            OR A
            JR Z,@_SEG_WHOLE
            INC D
@_SEG_WHOLE:
            SCF
@_SEG_END:
            LD C,187
            LD A,(@_AMPLITUDE)
            RET

; The card has not read the last sample yet: waits, and fails after 65 536 reads. Keeps A.
@_WAIT:
            PUSH BC
            PUSH DE
            LD B,0
            LD E,B
@_WAIT_READ:
            DB 0EDh,70h             ; IN F,(C): the status's bit 7 into the sign flag
            JP P,@_WAIT_DONE
            DJNZ @_WAIT_READ
            DEC E
            JR NZ,@_WAIT_READ
            JP @_FAIL
@_WAIT_DONE:
            POP DE
            POP BC
            RET

@_SP:
            DW 0
@_ENTRY:
            DW 0
@_LEFT:
            DW 0
@_INDEX:
            DB 0
@_PAGE_AT:
            DB 0
@_AMPLITUDE:
            DB 0
)";

constexpr int kIndexes = 9;  // the table index a code starts from: 1 to 9
constexpr int kPlaces = 4;   // a code's place in its byte: bits 7-6 first

int Pulled(int index) { return std::clamp(index, kFirstIndex, kLastIndex); }

std::string BlockName(int index, int place) {
    return "@_D" + std::to_string(index) + std::to_string(place);
}

// Where a code of the block (index, place) goes on when it moved the index to `moved`.
std::string Successor(int moved, int place) {
    const int index = Pulled(moved);
    return place + 1 < kPlaces ? BlockName(index, place + 1) : "@_F" + std::to_string(index);
}

// A block of the decoder: the table index its code starts from and the code's place.
struct Block {
    int index, place;
    bool operator==(const Block&) const = default;
};

// Where the "add, index down" path of `block` goes on.
Block DownFrom(Block block) { return {Pulled(block.index - 1), (block.place + 1) % kPlaces}; }

// The blocks in the order they are written, in pairs where the first's "add, index down" path
// falls into the second (or into its byte fetch), saving that path its jump; a block's other
// paths lie within reach of its relative jumps, before the pair or after it.
std::vector<std::vector<Block>> Layout() {
    std::vector<std::vector<Block>> units;
    std::array<std::array<bool, kPlaces>, kIndexes + 1> placed{};
    for (int place = 0; place < kPlaces; ++place) {
        for (int index = kFirstIndex; index <= kLastIndex; ++index) {
            if (placed[index][place]) continue;
            placed[index][place] = true;
            std::vector<Block> unit = {{index, place}};
            const Block next = DownFrom(unit[0]);
            if (!placed[next.index][next.place]) {
                placed[next.index][next.place] = true;
                unit.push_back(next);
            }
            units.push_back(unit);
        }
    }
    return units;
}

struct Writer {
    std::string text;
    void Line(const std::string& label, const std::string& code, const std::string& note = "") {
        std::string line;
        if (!label.empty()) {
            line = label + ":";
            if (line.size() >= 12) {
                text += line + "\n";
                line.clear();
            }
        }
        line.resize(12, ' ');
        line += code;
        if (!note.empty()) {
            line.resize(std::max<std::size_t>(line.size() + 1, 36), ' ');
            line += "; " + note;
        }
        text += line + "\n";
    }
};

// One path of a block: the step added or subtracted (patched), clamped, the status looked at,
// the sample written, then on to `next` (no jump when it comes next).
void Path(Writer& w, const std::string& name, bool subtract, const std::string& next) {
    w.Line(name, subtract ? "SUB 0" : "ADD A,0");
    w.Line("", "JR C," + name + "C");
    w.Line(name + "O", "DB 0EDh,70h", "IN F,(C): is the last sample read?");
    w.Line("", "CALL M,@_WAIT");
    w.Line("", "OUT (179),A");
    if (!next.empty()) w.Line("", "JP " + next);
}

// The paths a block's header jumps to: subtract (index down, up), add and index up, and the
// clamps of all four.
void Sides(Writer& w, Block block) {
    const auto [index, place] = block;
    const std::string name = BlockName(index, place);
    w.Line(name + "M", "SLA E", "bit 0: the index up");
    w.Line("", "JR C," + name + "MU");
    Path(w, name + "MD", true, Successor(index - 1, place));
    Path(w, name + "MU", true, Successor(index + 1, place));
    Path(w, name + "PU", false, Successor(index + 1, place));
    for (const char* path : {"PD", "PU"}) {
        w.Line(name + path + "C", "LD A,255");
        w.Line("", "JP " + name + path + "O");
    }
    for (const char* path : {"MD", "MU"}) {
        w.Line(name + path + "C", "XOR A");
        w.Line("", "JP " + name + path + "O");
    }
}

// A block's header and its "add, index down" path; at place 0, the byte fetch before it.
void Head(Writer& w, Block block, bool fallsThrough) {
    const auto [index, place] = block;
    const std::string name = BlockName(index, place);
    if (place == 0) {  // a byte done: the next one, or the next stretch of data
        const std::string n = std::to_string(index);
        w.Line("@_F" + n, "DJNZ @_G" + n, "the next byte");
        w.Line("", "DEC D");
        w.Line("", "JP NZ,@_G" + n);
        w.Line("", "CALL @_SEG");
        w.Line("", "RET NC", "the data is done");
        w.Line("@_G" + n, "LD E,(HL)");
        w.Line("", "INC HL");
    }
    w.Line(name, "SLA E", "bit 1: subtract");
    w.Line("", "JR C," + name + "M");
    w.Line("", "SLA E");
    w.Line("", "JR C," + name + "PU");
    Path(w, name + "PD", false, fallsThrough ? "" : Successor(index - 1, place));
}

void Decoder(Writer& w) {
    for (const std::vector<Block>& unit : Layout()) {
        if (unit.size() == 2) Sides(w, unit[0]);
        for (std::size_t i = 0; i < unit.size(); ++i) Head(w, unit[i], i + 1 < unit.size());
        Sides(w, unit.back());
    }
}

// The step table entry each addition and subtraction holds: T[index - 1] going down, T[index + 1]
// going up.
void Table(Writer& w) {
    w.text +=
        "\n; The packed file's step table, at HL, into the decoder's additions; HL past it.\n";
    w.Line("@_TABLE", "LD A,(HL)");
    for (int entry = 0; entry < kStepTableLength; ++entry) {
        if (entry > 0) w.Line("", "LD A,(HL)");
        w.Line("", "INC HL", "T[" + std::to_string(entry) + "]");
        for (int place = 0; place < kPlaces; ++place) {
            for (const int index : {entry + 1, entry - 1}) {
                if (index < kFirstIndex || index > kLastIndex) continue;
                const std::string name = BlockName(index, place);
                const char* paths = index == entry + 1 ? "PD MD" : "PU MU";
                for (const std::string& path : {std::string(paths, 2), std::string(paths + 3, 2)}) {
                    w.Line("", "LD (" + name + path + "+1),A");
                }
            }
        }
    }
    w.Line("", "RET");
}

std::string Replaced(std::string_view text, std::string_view label) {
    std::string out;
    out.reserve(text.size() +
                static_cast<std::size_t>(std::count(text.begin(), text.end(), '@')) * label.size());
    for (std::size_t from = 0;;) {
        const std::size_t at = text.find('@', from);
        out += text.substr(from, at - from);
        if (at == std::string_view::npos) return out;
        out += label;
        from = at + 1;
    }
}

// The routine with `@` for the bank's label, written once.
const std::string& WholeText() {
    static const std::string text = [] {
        Writer w;
        w.text = kRoutines;
        Table(w);
        w.text += "\n; The decoder: block Dik codes from table index i at place k of its byte.\n";
        Decoder(w);
        return w.text;
    }();
    return text;
}

// T-states of the routine's pieces with a card that takes everything at once (each status wait
// ends at its first read), as the text above has them; SELECT_PAGE's own instructions (its RET
// included) not counted.
namespace cost {
constexpr std::uint64_t kLoadStart = 87;  // @_LOAD up to @_NEXT
constexpr std::uint64_t kLoadEnd = 31;    // @_NEXT with nothing left
constexpr std::uint64_t kSample = 420;    // @_NEXT's own instructions for one sample
constexpr std::uint64_t kSelect = 61;     // @_SELECT
constexpr std::uint64_t kSamePage = 32, kOtherPage = 30 + kSelect;              // @_TO_PAGE
constexpr std::uint64_t kNextPage = 17 - 10 + 13 + 4 + 17 + kSelect + 10 + 10;  // CALL Z taken
constexpr std::uint64_t kTable = 11 * 13 + 144 * 13 + 10;
constexpr std::uint64_t kSc = 66, kSet = 81, kSd = 54;
constexpr std::uint64_t kPoint = 30 + kSet + 30 + kSd + 23 + kSd;
// @_PARAMETERS: its start; a finetune (#42 and #40) or a note alone or neither; then the loop
// points or none, and its end.
constexpr std::uint64_t kParameters = 16 + 6 + 7 + 6 + 4;
constexpr std::uint64_t kFinetune = 7 + 7 + 17 + kSet + 11 + 12 + 7 + 7 + 17 + kSet;
constexpr std::uint64_t kNote = 12 + 7 + 7 + 7 + 7 + 7 + 17 + kSet, kNoNote = 12 + 7 + 7 + 12;
constexpr std::uint64_t kLoopLook = 24 + 7 + 12 + 4;
constexpr std::uint64_t kLoopPoints = 7 + 7 + 17 + kPoint + 7 + 17 + kPoint + 12;
constexpr std::uint64_t kNoLoop = 12 + 10 + 11, kParametersEnd = 16 + 10;
// @_SEG: its start; no data left; or a stretch (ending with the data or with the page, its count's
// low byte zero or not).
constexpr std::uint64_t kSegStart = 13 + 4 + 4 + 10 + 20 + 4 + 4;
constexpr std::uint64_t kSegDone = 12 + 30;
constexpr std::uint64_t kSegStretch =
    7 + 11 + 4 + 4 + 4 + 7 + 4 + 4 + 4 + 15 + 16 + 4 + 15 + 16 + 10 + 4 + 4 + 4 + 4 + 30;
constexpr std::uint64_t kEndsData = 12, kEndsPage = 22, kWhole = 12, kPart = 11;
// A code by its path: add and index down (falling into the next block, or with a jump), add and
// up, subtract and down, subtract and up; a clamp's extra.
constexpr std::uint64_t kAddDown = 77, kJump = 10, kAddUp = 92, kSubDown = 92, kSubUp = 97;
constexpr std::uint64_t kClampAdd = 22, kClampSub = 19;
// After a byte's last code: the next byte; the next after B ran out; the stretch done (@_SEG
// called), then more data or none.
constexpr std::uint64_t kNextByte = 26, kNextHundreds = 35, kSegCall = 39, kGoOn = 18, kDone = 11;
}  // namespace cost

// The decoder's T-states for one packed file's data, which starts at `at` in the host's 64 KB
// (0x10000: at the next page's start), from @_STREAM's first instruction to its return; `page`
// counts the pages it moves on to.
// Which blocks' "add, index down" path falls into the next block, by index and place.
using FallsThrough = std::array<std::array<bool, kPlaces>, kIndexes + 1>;

std::uint64_t StreamTStates(std::span<const std::uint8_t> data, std::uint32_t at,
                            const StepTable& table, const FallsThrough& fallsThrough,
                            std::size_t& page) {
    using namespace cost;
    std::size_t left = data.size(), count = 0;
    const auto seg = [&]() -> std::uint64_t {
        std::uint64_t t = kSegStart;
        if (at == 0x10000) {
            t += kNextPage;
            at = 0xC000;
            ++page;
        }
        count = 0;
        if (left == 0) return t + kSegDone;
        const std::size_t room = 0x10000 - at;
        count = std::min(left, room);
        t += kSegStretch + (left <= room ? kEndsData : kEndsPage) + (count % 256 ? kPart : kWhole);
        left -= count;
        return t;
    };
    std::uint64_t t = 7 + 17 + seg();
    if (data.empty()) return t + kDone;
    t += 5 + 10 + 13;  // on to the first byte
    DecoderState state;
    std::size_t done = 0;  // bytes of the stretch
    for (const std::uint8_t byte : data) {
        for (int place = 0; place < kPlaces; ++place) {
            const unsigned code = byte >> (6 - 2 * place) & 3;
            const int index = state.index, amplitude = state.amplitude;
            const bool up = code & 1, subtract = code & 2;
            const int step = table[static_cast<std::size_t>(index + (up ? 1 : -1))];
            ApplyCode(state, code, table);
            const bool falls = fallsThrough[static_cast<std::size_t>(index)]
                                           [static_cast<std::size_t>(place)];
            t += subtract ? (up ? kSubUp : kSubDown)
                          : (up ? kAddUp : kAddDown + (falls ? 0 : kJump));
            if (subtract ? amplitude < step : amplitude + step > 255) {
                t += subtract ? kClampSub : kClampAdd;
            }
        }
        ++at;
        if (++done < count) {
            t += (count - done) % 256 ? kNextByte : kNextHundreds;
            continue;
        }
        done = 0;
        t += kSegCall + seg();
        t += count ? kGoOn : kDone;
    }
    return t;
}

}  // namespace

std::string BankLoaderText(std::string_view label) { return Replaced(WholeText(), label); }

std::uint64_t LoaderTStates(const Bank& bank) {
    using namespace cost;
    FallsThrough fallsThrough{};
    for (const std::vector<Block>& unit : Layout()) {
        if (unit.size() == 2) {
            fallsThrough[static_cast<std::size_t>(unit[0].index)]
                        [static_cast<std::size_t>(unit[0].place)] = true;
        }
    }
    std::uint64_t t = kLoadStart + kLoadEnd;
    std::size_t page = bank.samples.empty() ? 0 : bank.placements[0].page + 1;  // none yet
    for (std::size_t i = 0; i < bank.samples.size(); ++i) {
        const BankSample& sample = bank.samples[i];
        const Placement& placed = bank.placements[i];
        t += kSample + (placed.page == page ? kSamePage : kOtherPage) + kTable + 3 * kSc;
        const auto view = ParsePackedFile(sample.file);
        page = placed.page;
        t += StreamTStates(view->data, placed.address + kPackedHeaderSize, view->table,
                           fallsThrough, page);
        const CardNote note = sample.pitch.note;
        t += kParameters + (note.finetune ? kFinetune : note.note != 60 ? kNote : kNoNote);
        t += kLoopLook + (sample.loop ? kLoopPoints : kNoLoop) + kParametersEnd;
    }
    return t;
}

// No name of its own is PAGE: a bank named SELECT would define the program's SELECT_PAGE.
const std::vector<std::string>& LoaderLabelNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> found;
        const std::string& text = WholeText();
        for (std::size_t at = text.find("\n@_"); at != std::string::npos;
             at = text.find("\n@_", at + 1)) {
            std::string name = text.substr(at + 3, text.find(':', at) - at - 3);
            for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            found.push_back(name);
        }
        return found;
    }();
    return names;
}

}  // namespace corvane
