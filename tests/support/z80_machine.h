#pragma once
// An emulated Z80 with 128K-style memory (port #7FFD pages one of eight 16 KB banks in at
// #C000) and a General Sound card on ports 187 and 179 that behaves as its firmware does
// (gs_card.h), or no card at all (both ports read #FF). Runs programs assembled by pasmo:
// Corvane's depacker listing and a bank's loader.
#include <z80ex.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "codec/depacker_listing.h"
#include "support/gs_card.h"

namespace corvane::z80 {

constexpr std::uint8_t kCommandPort = 187, kDataPort = 179, kHalt = 0x76;
constexpr std::uint16_t kPagedAt = 0xC000;

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// 48 KB below #C000 and eight 16 KB banks, of which port #7FFD pages one in at #C000.
struct Machine {
    std::array<std::uint8_t, kPagedAt> low{};
    std::array<std::array<std::uint8_t, 0x4000>, 8> banks{};
    std::size_t paged = 0;
    GsCard card;
    bool cardFitted = true;
    std::uint64_t clock = 0;  // T-states before the instruction running
    Z80EX_CONTEXT* cpu = nullptr;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> writable;  // [from, to) the program may
    std::string fault;
    // Tape blocks, each its flag byte and data, the 48K ROM's LD-BYTES (#0556) loads in order.
    std::vector<std::vector<std::uint8_t>> tape;
    std::size_t tapeRead = 0;
    // The 48K ROM's CLS and CHAN-OPEN (returning at once) and RST 10h (printing to `printed`).
    bool rom48 = false;
    std::string printed;
    // Keys pressed one after another from the first keyboard read, each held for kKeyTime then
    // released for as long: '1'-'9', 'A'-'Z', ' ', and '!' for BREAK (CAPS SHIFT and SPACE).
    std::string keys;
    std::uint64_t keysFrom = 0;
    static constexpr std::uint64_t kKeyTime = 100'000;

    Machine() {
        low.fill(kHalt);  // a stray jump stops where the test can see it
        for (auto& bank : banks) bank.fill(kHalt);
    }
    std::uint8_t& At(std::uint16_t address) {
        return address >= kPagedAt ? banks[paged][address - kPagedAt] : low[address];
    }
    void Fault(const std::string& what) {
        if (fault.empty()) fault = what;
    }
    std::uint64_t Now() const { return clock + static_cast<std::uint64_t>(z80ex_op_tstate(cpu)); }
    unsigned Pc() const { return z80ex_get_reg(cpu, regPC); }
};

inline Machine& Of(void* user) { return *static_cast<Machine*>(user); }

inline Z80EX_BYTE ReadMemory(Z80EX_CONTEXT*, Z80EX_WORD address, int, void* user) {
    return Of(user).At(address);
}

inline void WriteMemory(Z80EX_CONTEXT*, Z80EX_WORD address, Z80EX_BYTE value, void* user) {
    Machine& m = Of(user);
    bool allowed = false;
    for (const auto& [from, to] : m.writable)
        allowed = allowed || (address >= from && address < to);
    if (!allowed) m.Fault("memory write to " + std::to_string(address));
    m.At(address) = value;
}

// The keyboard's half-rows from port #FEFE's to #7FFE's, five keys each from bit 0; CAPS
// SHIFT as '^', ENTER and SYMBOL SHIFT as '.'.
inline std::uint8_t ReadKeyboard(Machine& m, unsigned halfRows) {
    static const std::string kRows = "^ZXCVASDFGQWERT1234509876POIUY.LKJH .MNB";
    if (m.keysFrom == 0) m.keysFrom = m.Now();
    const std::uint64_t step = (m.Now() - m.keysFrom) / Machine::kKeyTime;
    const char key = step % 2 && step / 2 < m.keys.size() ? m.keys[step / 2] : '\0';
    std::uint8_t bits = 0xFF;
    for (std::size_t at = 0; at < kRows.size(); ++at) {
        const char c = kRows[at];
        const bool down = key && (c == key || (key == '!' && (c == ' ' || c == '^')));
        if (down && !(halfRows >> (at / 5) & 1)) bits &= static_cast<std::uint8_t>(~(1u << at % 5));
    }
    return bits;
}

inline Z80EX_BYTE ReadPort(Z80EX_CONTEXT*, Z80EX_WORD port, void* user) {
    Machine& m = Of(user);
    if ((port & 0xFF) == 0xFE) return ReadKeyboard(m, port >> 8);
    const bool card = (port & 0xFF) == kCommandPort || (port & 0xFF) == kDataPort;
    if (card && !m.cardFitted) return 0xFF;
    if ((port & 0xFF) == kCommandPort) return m.card.ReadStatus(m.Now(), m.Pc());
    if ((port & 0xFF) == kDataPort) return m.card.ReadData(m.Now());
    m.Fault("read of port " + std::to_string(port));
    return 0xFF;
}

inline void WritePort(Z80EX_CONTEXT*, Z80EX_WORD port, Z80EX_BYTE value, void* user) {
    Machine& m = Of(user);
    const bool card = (port & 0xFF) == kCommandPort || (port & 0xFF) == kDataPort;
    if (card && !m.cardFitted) return;
    if ((port & 0xFF) == kCommandPort) {
        m.card.WriteCommand(value, m.Now());
    } else if ((port & 0xFF) == kDataPort) {
        m.card.WriteData(value, m.Now());
    } else if ((port & 0x8002) == 0) {  // #7FFD: the bank at #C000 in bits 0 to 2
        m.paged = value & 7u;
    } else {
        m.Fault("write to port " + std::to_string(port));
    }
}

inline Z80EX_BYTE ReadInterruptVector(Z80EX_CONTEXT*, void*) { return 0xFF; }

// A program pasmo assembled: its bytes from `origin` and its symbols.
struct Assembled {
    std::uint16_t origin = 0;
    std::vector<std::uint8_t> code;
    std::map<std::string, std::uint16_t> symbols;
    std::string error;
};

// The assembler commands the tests run in an assembly's folder, from main.asm to main.bin.
inline const std::string kPasmo = "'" CORVANE_PASMO "' main.asm main.bin main.sym";
inline const std::string kPasmoNoCase = "'" CORVANE_PASMO "' --nocase main.asm main.bin main.sym";
inline const std::string kZ80asm = "'" CORVANE_Z80ASM "' -o main.bin main.asm";

// Assembles `source` (which sets its own ORG at `origin`) in a folder of its own holding the
// `files` it includes; pasmo's symbols are read.
inline Assembled Assemble(const std::string& name, const std::string& source, std::uint16_t origin,
                          const std::map<std::string, std::string>& files = {},
                          const std::string& assembler = kPasmo) {
    const std::filesystem::path dir = std::filesystem::path(CORVANE_Z80_WORK_DIR) / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    for (const auto& [file, text] : files) std::ofstream(dir / file, std::ios::binary) << text;
    std::ofstream(dir / "main.asm", std::ios::binary) << source;
    Assembled result;
    result.origin = origin;
    const std::string command = "cd '" + dir.string() + "' && " + assembler + " > main.log 2>&1";
    if (std::system(command.c_str()) != 0) {
        result.error = assembler + " refused the program:\n" + ReadText(dir / "main.log");
        return result;
    }
    const std::string code = ReadText(dir / "main.bin");
    result.code.assign(code.begin(), code.end());
    std::istringstream lines(ReadText(dir / "main.sym"));  // "NAME<TAB><TAB>EQU 08032H" a line
    for (std::string symbol, equ, value; lines >> symbol >> equ >> value;) {
        result.symbols[symbol] = static_cast<std::uint16_t>(std::stoul(value, nullptr, 16));
    }
    return result;
}

// A ROM routine's RET.
inline void Return(Machine& m) {
    const unsigned sp = z80ex_get_reg(m.cpu, regSP);
    z80ex_set_reg(m.cpu, regPC,
                  static_cast<Z80EX_WORD>(m.At(static_cast<std::uint16_t>(sp)) |
                                          m.At(static_cast<std::uint16_t>(sp + 1)) << 8));
    z80ex_set_reg(m.cpu, regSP, static_cast<Z80EX_WORD>(sp + 2));
}

// The 48K ROM's LD-BYTES called with the registers it takes (A the flag byte; carry set, load;
// IX the address; DE the length): the next tape block, when its flag is A and its length DE,
// goes to memory and the call returns with carry set, as the ROM does; else with carry clear.
inline void LoadBytesFromTape(Machine& m) {
    const unsigned af = z80ex_get_reg(m.cpu, regAF), de = z80ex_get_reg(m.cpu, regDE);
    unsigned ix = z80ex_get_reg(m.cpu, regIX);
    const auto* block = m.tapeRead < m.tape.size() ? &m.tape[m.tapeRead] : nullptr;
    const bool loaded = (af & 1) && block && block->size() == de + 1 && (*block)[0] == af >> 8;
    if (loaded) {
        for (std::size_t i = 1; i < block->size(); ++i)
            m.At(static_cast<std::uint16_t>(ix++)) = (*block)[i];
        ++m.tapeRead;
    } else {
        m.Fault("LD-BYTES asked for " + std::to_string(de) + " bytes of flag " +
                std::to_string(af >> 8) + ", not the next block");
    }
    z80ex_set_reg(m.cpu, regIX, static_cast<Z80EX_WORD>(ix));
    z80ex_set_reg(m.cpu, regAF, static_cast<Z80EX_WORD>((af & 0xFF00) | (af & 0xFE) | loaded));
    Return(m);
}

// The ROM routines a program calls, at the routine's first instruction.
inline void RomCall(Machine& m) {
    const unsigned pc = m.Pc();
    if (pc == 0x0556 && !m.tape.empty()) LoadBytesFromTape(m);
    if (!m.rom48 || (pc != 0x0010 && pc != 0x0D6B && pc != 0x1601)) return;
    if (pc == 0x0010) m.printed += static_cast<char>(z80ex_get_reg(m.cpu, regAF) >> 8);
    Return(m);
}

// Runs `program` from `entry` with the stack below `stackTop` and a return address that halts;
// the program may write to itself and its stack only. Faults when it does not return, or
// returns with the card still taking what it was sent. Stops at the first fault.
inline void Run(Machine& m, const Assembled& program, std::uint16_t entry, std::uint16_t stackTop,
                std::uint64_t steps) {
    if (!program.error.empty()) return m.Fault(program.error);
    for (std::size_t i = 0; i < program.code.size(); ++i) {
        m.At(static_cast<std::uint16_t>(program.origin + i)) = program.code[i];
    }
    m.writable.push_back({program.origin, program.origin + program.code.size()});
    m.writable.push_back({stackTop - 64u, stackTop});
    m.At(static_cast<std::uint16_t>(stackTop - 2)) = 0;  // return to #0000, a HALT
    m.At(static_cast<std::uint16_t>(stackTop - 1)) = 0;
    m.low[0] = kHalt;
    m.cpu = z80ex_create(ReadMemory, &m, WriteMemory, &m, ReadPort, &m, WritePort, &m,
                         ReadInterruptVector, &m);
    z80ex_set_reg(m.cpu, regPC, entry);
    z80ex_set_reg(m.cpu, regSP, static_cast<Z80EX_WORD>(stackTop - 2));
    for (std::uint64_t step = 0; !z80ex_doing_halt(m.cpu) && step < steps; ++step) {
        RomCall(m);
        m.clock += static_cast<std::uint64_t>(z80ex_step(m.cpu));
        if (!m.card.fault().empty()) break;
    }
    const unsigned pc = m.Pc(), sp = z80ex_get_reg(m.cpu, regSP);
    if (!z80ex_doing_halt(m.cpu) || pc > 1) m.Fault("did not return; PC " + std::to_string(pc));
    if (sp != stackTop) m.Fault("the stack pointer moved");
    if (m.cardFitted && !m.card.Settled(m.clock)) {
        m.Fault("returned before the card had taken everything");
    }
    if (m.card.loading()) m.Fault("returned with the load unfinished");
    z80ex_destroy(m.cpu);
    m.cpu = nullptr;
}

// pasmo takes one statement a line: those the listing joins by " : " go on lines of their own
// (the listing has no string literals, so ';' always opens a comment).
inline std::string ListingForPasmo(const std::string& listing) {
    std::istringstream lines(listing);
    std::string out;
    for (std::string line; std::getline(lines, line);) {
        const std::string code = line.substr(0, line.find(';'));
        std::size_t from = 0;
        for (std::size_t joint; (joint = code.find(" : ", from)) != std::string::npos;
             from = joint + 3) {
            out += (from ? "            " : "") + code.substr(from, joint - from) + "\n";
        }
        out += (from ? "            " : "") + line.substr(from) + "\n";
    }
    return out;
}

// The depacker listing, with FX_ADDR set, run once over `packedFile` placed there, on a card
// of the pace given.
inline Machine RunDepacker(std::span<const std::uint8_t> packedFile, std::uint16_t fxAddr,
                           CardPace pace = {}) {
    constexpr std::uint16_t kOrigin = 0x8000, kStackTop = 0xFF00;
    static std::map<std::uint16_t, Assembled> cache;
    if (!cache.contains(fxAddr)) {
        const std::string source = "FX_ADDR EQU " + std::to_string(fxAddr) + "\n ORG " +
                                   std::to_string(kOrigin) + "\n" +
                                   ListingForPasmo(DepackerListing());
        cache.emplace(fxAddr, Assemble("depacker_" + std::to_string(fxAddr), source, kOrigin));
    }
    Machine m;
    m.card = GsCard(Rom::V104, pace);
    for (std::size_t i = 0; i < packedFile.size(); ++i) {
        m.At(static_cast<std::uint16_t>(fxAddr + i)) = packedFile[i];
    }
    // Generous: a data byte takes about 150 opcodes with the card's busy reads.
    Run(m, cache.at(fxAddr), kOrigin, kStackTop, 1000 + 400 * (packedFile[0] | packedFile[1] << 8));
    return m;
}

}  // namespace corvane::z80
