#pragma once
// An emulated Z80 with 128K-style memory (port #7FFD pages one of eight 16 KB banks in at
// #C000) and a General Sound card on ports 187 and 179 that follows its programming guide: the
// status bits, new effects and their handles, sample streams, each effect's parameters. Runs
// programs assembled by pasmo: Corvane's depacker listing and a bank's loader.
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

constexpr std::uint8_t kCommandPort = 187, kDataPort = 179, kHalt = 0x76;
constexpr std::uint16_t kPagedAt = 0xC000;

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One write the card saw: a command on port 187 or a data byte on port 179.
struct CardWrite {
    bool command = false;
    std::uint8_t value = 0;
    std::uint64_t clock = 0;  // T-states since the program started
    bool operator==(const CardWrite& other) const {
        return command == other.command && value == other.value;
    }
};

// An effect as the card holds it: its samples and the parameters it plays with.
struct Effect {
    std::vector<std::uint8_t> samples;
    int note = 60, volume = 0x40, finetune = 0;  // finetune: the value #42 took
    std::uint32_t loopBegin = 0xFFFFFF, loopEnd = 0;
};

// The card as the host sees it. Status bit 0 is set while a command is being taken, bit 7 while
// a data byte is (or while the card has a byte for the host); each lasts `busyReads` reads.
struct Card {
    int busyReads = 3;
    int commandBusy = 0, dataBusy = 0;
    bool outputReady = false;
    std::uint8_t dataIn = 0, dataOut = 0;
    std::vector<Effect> effects;  // handle h is effects[h - 1]
    std::size_t current = 0;      // the current effect's handle, 0 for none
    bool streaming = false;
    std::uint32_t* loopPoint = nullptr;  // #48 / #49 taking its middle and high bytes
    int loopBytes = 0;
    std::vector<CardWrite> writes;
    std::vector<int> played;  // handles started by #39
    std::string fault;

    void Fault(const std::string& what) {
        if (fault.empty()) fault = what;
    }
    Effect* Current() { return current ? &effects[current - 1] : nullptr; }

    std::uint8_t ReadStatus() {
        const int status = (commandBusy > 0 ? 0x01 : 0) | (dataBusy > 0 || outputReady ? 0x80 : 0);
        commandBusy -= commandBusy > 0;
        dataBusy -= dataBusy > 0;
        return static_cast<std::uint8_t>(status);
    }
    std::uint8_t ReadData() {
        if (!outputReady) Fault("data read with none ready");
        outputReady = false;
        return dataOut;
    }
    void WriteData(std::uint8_t value, std::uint64_t clock) {
        if (dataBusy > 0) Fault("data " + std::to_string(writes.size()) + " while busy");
        writes.push_back({false, value, clock});
        dataBusy = busyReads;
        outputReady = false;
        dataIn = value;
        if (loopBytes > 0) {
            *loopPoint |= std::uint32_t{value} << (8 * (3 - loopBytes--));
        } else if (streaming) {
            Current()->samples.push_back(value);
        }
    }
    void WriteCommand(std::uint8_t command, std::uint64_t clock) {
        if (commandBusy > 0) Fault("command " + std::to_string(writes.size()) + " while busy");
        if (loopBytes > 0) Fault("a command before the loop point's last byte");
        writes.push_back({true, command, clock});
        commandBusy = busyReads;
        const bool needsEffect = command != 0x38 && command != 0x2E && command != 0x39;
        if (needsEffect && Current() == nullptr) return Fault("no current effect");
        switch (command) {
            case 0x38:  // a new effect, made current; its handle waits for the host
                if (effects.size() == 60) return Fault("a 61st effect");
                effects.emplace_back();
                current = effects.size();
                dataOut = static_cast<std::uint8_t>(current);
                outputReady = true;
                break;
            case 0xD1:
            case 0xD2:
                if (streaming == (command == 0xD1)) Fault("stream opened or closed twice");
                streaming = command == 0xD1;
                break;
            case 0x40:
                if (dataIn > 95) Fault("note " + std::to_string(dataIn));
                Current()->note = dataIn;
                break;
            case 0x41:
                Current()->volume = dataIn;
                break;
            case 0x42:
                Current()->finetune = dataIn;
                break;
            case 0x48:
            case 0x49:
                loopPoint = command == 0x48 ? &Current()->loopBegin : &Current()->loopEnd;
                *loopPoint = dataIn;
                loopBytes = 2;
                break;
            case 0x2E:
            case 0x39:
                if (dataIn > effects.size() || (command == 0x2E && dataIn == 0)) {
                    return Fault("no effect " + std::to_string(dataIn));
                }
                if (command == 0x2E) current = dataIn;
                if (command == 0x39) played.push_back(dataIn == 0 ? int(current) : dataIn);
                break;
            default:
                Fault("command " + std::to_string(command));
        }
    }
};

// 48 KB below #C000 and eight 16 KB banks, of which port #7FFD pages one in at #C000.
struct Machine {
    std::array<std::uint8_t, kPagedAt> low{};
    std::array<std::array<std::uint8_t, 0x4000>, 8> banks{};
    std::size_t paged = 0;
    Card card;
    std::uint64_t clock = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> writable;  // [from, to) the program may
    std::string fault;

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

inline Z80EX_BYTE ReadPort(Z80EX_CONTEXT*, Z80EX_WORD port, void* user) {
    Machine& m = Of(user);
    if ((port & 0xFF) == kCommandPort) return m.card.ReadStatus();
    if ((port & 0xFF) == kDataPort) return m.card.ReadData();
    m.Fault("read of port " + std::to_string(port));
    return 0xFF;
}

inline void WritePort(Z80EX_CONTEXT*, Z80EX_WORD port, Z80EX_BYTE value, void* user) {
    Machine& m = Of(user);
    if ((port & 0xFF) == kCommandPort) {
        m.card.WriteCommand(value, m.clock);
    } else if ((port & 0xFF) == kDataPort) {
        m.card.WriteData(value, m.clock);
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

// Assembles `source` (which sets its own ORG at `origin`) in a folder of its own holding the
// `files` it includes.
inline Assembled Assemble(const std::string& name, const std::string& source, std::uint16_t origin,
                          const std::map<std::string, std::string>& files = {}) {
    const std::filesystem::path dir = std::filesystem::path(CORVANE_Z80_WORK_DIR) / name;
    std::filesystem::create_directories(dir);
    for (const auto& [file, text] : files) std::ofstream(dir / file, std::ios::binary) << text;
    std::ofstream(dir / "main.asm", std::ios::binary) << source;
    Assembled result;
    result.origin = origin;
    const std::string command = "cd '" + dir.string() +
                                "' && '" CORVANE_PASMO
                                "' main.asm main.bin main.sym > main.log 2>&1";
    if (std::system(command.c_str()) != 0) {
        result.error = "pasmo refused the program:\n" + ReadText(dir / "main.log");
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

// Runs `program` from `entry` with the stack below `stackTop` and a return address that halts;
// the program may write to itself and its stack only. Faults when it does not return, or
// returns with the card still busy.
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
    Z80EX_CONTEXT* cpu = z80ex_create(ReadMemory, &m, WriteMemory, &m, ReadPort, &m, WritePort, &m,
                                      ReadInterruptVector, &m);
    z80ex_set_reg(cpu, regPC, entry);
    z80ex_set_reg(cpu, regSP, static_cast<Z80EX_WORD>(stackTop - 2));
    for (std::uint64_t step = 0; !z80ex_doing_halt(cpu) && step < steps; ++step) {
        m.clock += static_cast<std::uint64_t>(z80ex_step(cpu));
    }
    const unsigned pc = z80ex_get_reg(cpu, regPC), sp = z80ex_get_reg(cpu, regSP);
    if (!z80ex_doing_halt(cpu) || pc > 1) m.Fault("did not return; PC " + std::to_string(pc));
    if (sp != stackTop) m.Fault("the stack pointer moved");
    if (m.card.commandBusy > 0 || m.card.dataBusy > 0 || m.card.loopBytes > 0) {
        m.Fault("returned before the card had taken everything");
    }
    if (m.card.streaming) m.Fault("returned with the stream open");
    z80ex_destroy(cpu);
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

// The depacker listing, with FX_ADDR set, run once over `packedFile` placed there; the card
// answers each write after `busyReads` status reads.
inline Machine RunDepacker(std::span<const std::uint8_t> packedFile, std::uint16_t fxAddr,
                           int busyReads = 3) {
    constexpr std::uint16_t kOrigin = 0x8000, kStackTop = 0xFF00;
    static std::map<std::uint16_t, Assembled> cache;
    if (!cache.contains(fxAddr)) {
        const std::string source = "FX_ADDR EQU " + std::to_string(fxAddr) + "\n ORG " +
                                   std::to_string(kOrigin) + "\n" +
                                   ListingForPasmo(DepackerListing());
        cache.emplace(fxAddr, Assemble("depacker_" + std::to_string(fxAddr), source, kOrigin));
    }
    Machine m;
    m.card.busyReads = busyReads;
    for (std::size_t i = 0; i < packedFile.size(); ++i) {
        m.At(static_cast<std::uint16_t>(fxAddr + i)) = packedFile[i];
    }
    // Generous: a data byte takes about 150 opcodes with the card's busy reads.
    Run(m, cache.at(fxAddr), kOrigin, kStackTop, 1000 + 400 * (packedFile[0] | packedFile[1] << 8));
    return m;
}

}  // namespace corvane::z80
