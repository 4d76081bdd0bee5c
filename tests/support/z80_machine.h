#pragma once
// Runs Corvane's depacker listing, assembled by pasmo, on an emulated Z80 with an emulated
// General Sound card, and reports what the card received and when.
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

namespace corvane::z80 {

// One write the card saw: a command on port 187 or a data byte on port 179.
struct CardWrite {
    bool command = false;
    std::uint8_t value = 0;
    std::uint64_t clock = 0;  // T-states since the driver started
    bool operator==(const CardWrite& other) const {
        return command == other.command && value == other.value;
    }
};

struct DepackerRun {
    std::string fault;              // the first misbehaviour seen, empty if none
    std::vector<CardWrite> writes;  // every port write, in order
};

constexpr std::uint16_t kCodeOrigin = 0x8000, kStackTop = 0xFF00, kStackDepth = 32;
constexpr std::uint8_t kCommandPort = 187, kDataPort = 179, kHalt = 0x76;

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// pasmo takes one statement a line: those joined by " : " go on lines of their own (the
// listing has no string literals, so ';' always opens a comment).
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

struct Assembled {
    std::vector<std::uint8_t> code;         // loaded at kCodeOrigin
    std::uint16_t done = 0, amplitude = 0;  // the driver's HALT, the routine's amplitude byte
    std::string error;
};

inline Assembled Assemble(std::uint16_t fxAddr) {
    const std::filesystem::path dir = CORVANE_Z80_WORK_DIR;
    std::filesystem::create_directories(dir);
    const std::string stem = (dir / ("depacker_" + std::to_string(fxAddr))).string();
    std::ofstream(stem + ".asm", std::ios::binary)
        << "FX_ADDR EQU " << fxAddr << "\n ORG " << kCodeOrigin << "\n LD SP," << kStackTop
        << "\n CALL DEPACK\nDONE HALT\nDEPACK\n"
        << ListingForPasmo(DepackerListing());
    Assembled result;
    const std::string command = std::string("'") + CORVANE_PASMO + "' '" + stem + ".asm' '" + stem +
                                ".bin' '" + stem + ".sym' > '" + stem + ".log' 2>&1";
    if (std::system(command.c_str()) != 0) {
        result.error = "pasmo refused the listing:\n" + ReadText(stem + ".log");
        return result;
    }
    const std::string code = ReadText(stem + ".bin");
    result.code.assign(code.begin(), code.end());
    std::map<std::string, std::uint16_t> symbols;  // "NAME<TAB><TAB>EQU 08032H" a line
    std::istringstream lines(ReadText(stem + ".sym"));
    for (std::string name, equ, value; lines >> name >> equ >> value;) {
        symbols[name] = static_cast<std::uint16_t>(std::stoul(value, nullptr, 16));
    }
    result.done = symbols["DONE"];
    result.amplitude = symbols["AMPLITUDE"];
    if (result.done == 0 || result.amplitude == 0) result.error = "no DONE or AMPLITUDE symbol";
    return result;
}

// 64 KB of memory, the card on its two ports, and what the routine did to them.
struct Machine {
    std::array<std::uint8_t, 65536> memory{};
    std::uint16_t amplitudeAddr = 0;
    int busyReads = 0, commandBusy = 0, dataBusy = 0;  // status reads left with bit 0 / 7 set
    std::uint64_t clock = 0;
    DepackerRun run;
    void Fault(const std::string& what) {
        if (run.fault.empty()) run.fault = what;
    }
};

inline Machine& Of(void* user) { return *static_cast<Machine*>(user); }

inline Z80EX_BYTE ReadMemory(Z80EX_CONTEXT*, Z80EX_WORD addr, int, void* user) {
    return Of(user).memory[addr];
}

inline void WriteMemory(Z80EX_CONTEXT*, Z80EX_WORD addr, Z80EX_BYTE value, void* user) {
    Machine& m = Of(user);
    if (addr != m.amplitudeAddr && (addr >= kStackTop || addr < kStackTop - kStackDepth)) {
        m.Fault("memory write to " + std::to_string(addr));
    }
    m.memory[addr] = value;
}

inline Z80EX_BYTE ReadPort(Z80EX_CONTEXT*, Z80EX_WORD port, void* user) {
    Machine& m = Of(user);
    if ((port & 0xFF) != kCommandPort) m.Fault("read of port " + std::to_string(port & 0xFF));
    const int status = (m.commandBusy > 0 ? 0x01 : 0) | (m.dataBusy > 0 ? 0x80 : 0);
    m.commandBusy -= m.commandBusy > 0;
    m.dataBusy -= m.dataBusy > 0;
    return static_cast<Z80EX_BYTE>(status);
}

inline void WritePort(Z80EX_CONTEXT*, Z80EX_WORD port, Z80EX_BYTE value, void* user) {
    Machine& m = Of(user);
    const bool command = (port & 0xFF) == kCommandPort;
    if (!command && (port & 0xFF) != kDataPort)
        m.Fault("write to port " + std::to_string(port & 0xFF));
    int& busy = command ? m.commandBusy : m.dataBusy;
    if (busy > 0)
        m.Fault("write " + std::to_string(m.run.writes.size()) + " while the card was busy");
    busy = m.busyReads;
    m.run.writes.push_back({command, value, m.clock});
}

inline Z80EX_BYTE ReadInterruptVector(Z80EX_CONTEXT*, void*) { return 0xFF; }

// Assembles the listing (once per load address) with a driver that calls it once, and runs
// it over `packedFile` placed at `fxAddr`. After each write the card reports busy for
// `busyReads` status reads. A fault is a write to memory other than the routine's amplitude
// and its stack, a port other than the card's, a write while the card is busy, or not
// returning to the driver with the stack as it was and the card ready.
inline DepackerRun RunDepacker(std::span<const std::uint8_t> packedFile, std::uint16_t fxAddr,
                               int busyReads = 3) {
    static std::map<std::uint16_t, Assembled> cache;
    if (!cache.contains(fxAddr)) cache.emplace(fxAddr, Assemble(fxAddr));
    const Assembled& program = cache.at(fxAddr);
    auto machine = std::make_unique<Machine>();
    Machine& m = *machine;
    m.busyReads = busyReads;
    if (!program.error.empty()) m.Fault(program.error);
    if (kCodeOrigin + program.code.size() > fxAddr ||
        fxAddr + packedFile.size() > kStackTop - kStackDepth) {
        m.Fault("the program and the packed file do not fit the memory map");
    }
    if (!m.run.fault.empty()) return m.run;
    m.memory.fill(kHalt);  // a stray jump stops somewhere other than DONE
    std::copy(program.code.begin(), program.code.end(), m.memory.begin() + kCodeOrigin);
    std::copy(packedFile.begin(), packedFile.end(), m.memory.begin() + fxAddr);
    m.amplitudeAddr = program.amplitude;

    Z80EX_CONTEXT* cpu = z80ex_create(ReadMemory, &m, WriteMemory, &m, ReadPort, &m, WritePort, &m,
                                      ReadInterruptVector, &m);
    z80ex_set_reg(cpu, regPC, kCodeOrigin);
    // Generous: a data byte takes about 150 opcodes with the card's busy reads.
    const std::uint64_t bound = 1000 + 400 * (packedFile[0] | packedFile[1] << 8);
    for (std::uint64_t steps = 0; !z80ex_doing_halt(cpu) && steps < bound; ++steps) {
        m.clock += static_cast<std::uint64_t>(z80ex_step(cpu));
    }
    const unsigned pc = z80ex_get_reg(cpu, regPC), sp = z80ex_get_reg(cpu, regSP);
    if (!z80ex_doing_halt(cpu)) m.Fault("no HALT, PC " + std::to_string(pc));
    if (pc != program.done && pc != program.done + 1u)
        m.Fault("halted away from the driver's HALT");
    if (sp != kStackTop) m.Fault("the stack pointer moved");
    if (m.commandBusy > 0 || m.dataBusy > 0) m.Fault("returned before the card reported ready");
    z80ex_destroy(cpu);
    return m.run;
}

}  // namespace corvane::z80
