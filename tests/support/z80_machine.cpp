#include "support/z80_machine.h"

#include <z80ex.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>

#include "codec/decoder.h"
#include "codec/depacker_listing.h"
#include "codec/packed_format.h"

namespace corvane::z80 {
namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kCodeOrigin = 0x8000;
constexpr std::uint16_t kStackTop = 0xFF00;
constexpr std::uint16_t kStackDepth = 32;  // the routine nests two calls and a PUSH
constexpr std::uint8_t kCommandPort = 187;
constexpr std::uint8_t kDataPort = 179;
constexpr int kBusyReads = 3;  // status reads that report busy after each write
constexpr std::uint8_t kHaltOpcode = 0x76;

std::string Hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "#%04X", value);
    return text;
}

// The driver calls the routine once and halts; FX_ADDR is the packed file's address.
std::string Program(std::uint16_t fxAddr) {
    std::ostringstream asm_;
    asm_ << "FX_ADDR     EQU " << fxAddr << "\n"
         << "            ORG " << kCodeOrigin << "\n"
         << "            LD SP," << kStackTop << "\n"
         << "            CALL DEPACK\n"
         << "DONE        HALT\n"
         << "DEPACK\n"
         << ListingForPasmo(DepackerListing());
    return asm_.str();
}

struct Assembled {
    std::vector<std::uint8_t> code;  // loaded at kCodeOrigin
    std::map<std::string, std::uint16_t> symbols;
    std::string error;
};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// pasmo's symbol file: "NAME<TAB><TAB>EQU 08032H" per line.
std::map<std::string, std::uint16_t> ParseSymbols(const std::string& text) {
    std::map<std::string, std::uint16_t> symbols;
    std::istringstream lines(text);
    std::string name, equ, value;
    while (lines >> name >> equ >> value) {
        symbols[name] = static_cast<std::uint16_t>(std::stoul(value, nullptr, 16));
    }
    return symbols;
}

Assembled Assemble(std::uint16_t fxAddr) {
    Assembled result;
    const fs::path dir = CORVANE_Z80_WORK_DIR;
    fs::create_directories(dir);
    const std::string stem = "depacker_" + std::to_string(fxAddr);
    const fs::path source = dir / (stem + ".asm"), binary = dir / (stem + ".bin"),
                   symbols = dir / (stem + ".sym"), log = dir / (stem + ".log");
    std::ofstream(source, std::ios::binary) << Program(fxAddr);
    fs::remove(binary);
    const std::string command = std::string("\"") + CORVANE_PASMO + "\" \"" + source.string() +
                                "\" \"" + binary.string() + "\" \"" + symbols.string() + "\" > \"" +
                                log.string() + "\" 2>&1";
    if (std::system(command.c_str()) != 0 || !fs::exists(binary)) {
        result.error = "pasmo refused " + source.string() + ":\n" + ReadText(log);
        return result;
    }
    const std::string code = ReadText(binary);
    result.code.assign(code.begin(), code.end());
    result.symbols = ParseSymbols(ReadText(symbols));
    for (const char* name : {"DONE", "AMPLITUDE"}) {
        if (!result.symbols.contains(name)) result.error = std::string("no symbol ") + name;
    }
    return result;
}

const Assembled& AssembledFor(std::uint16_t fxAddr) {
    static std::map<std::uint16_t, Assembled> cache;
    auto found = cache.find(fxAddr);
    if (found == cache.end()) found = cache.emplace(fxAddr, Assemble(fxAddr)).first;
    return found->second;
}

// 64 KB of memory, the card on its two ports, and what the routine did to them.
struct Machine {
    std::array<std::uint8_t, 65536> memory{};
    std::uint16_t amplitudeAddr = 0;
    int commandBusy = 0;  // status reads left with bit 0 set
    int dataBusy = 0;     // status reads left with bit 7 set
    DepackerRun run;

    void Fault(const std::string& what) {
        if (run.fault.empty()) run.fault = what;
    }
};

Z80EX_BYTE ReadMemory(Z80EX_CONTEXT*, Z80EX_WORD addr, int, void* user) {
    return static_cast<Machine*>(user)->memory[addr];
}

void WriteMemory(Z80EX_CONTEXT*, Z80EX_WORD addr, Z80EX_BYTE value, void* user) {
    auto& m = *static_cast<Machine*>(user);
    const bool stack = addr < kStackTop && addr >= kStackTop - kStackDepth;
    if (addr != m.amplitudeAddr && !stack) m.Fault("memory write to " + Hex(addr));
    m.memory[addr] = value;
}

Z80EX_BYTE ReadPort(Z80EX_CONTEXT*, Z80EX_WORD port, void* user) {
    auto& m = *static_cast<Machine*>(user);
    if ((port & 0xFF) != kCommandPort) {
        m.Fault("read of port " + std::to_string(port & 0xFF));
        return 0xFF;
    }
    const auto status =
        static_cast<Z80EX_BYTE>((m.commandBusy > 0 ? 0x01 : 0) | (m.dataBusy > 0 ? 0x80 : 0));
    if (m.commandBusy > 0) --m.commandBusy;
    if (m.dataBusy > 0) --m.dataBusy;
    return status;
}

void WritePort(Z80EX_CONTEXT*, Z80EX_WORD port, Z80EX_BYTE value, void* user) {
    auto& m = *static_cast<Machine*>(user);
    const auto index = std::to_string(m.run.writes.size());
    if ((port & 0xFF) == kCommandPort) {
        if (m.commandBusy > 0) m.Fault("command written while the card was busy, write " + index);
        m.commandBusy = kBusyReads;
        m.run.writes.push_back({true, value});
    } else if ((port & 0xFF) == kDataPort) {
        if (m.dataBusy > 0)
            m.Fault("data written before the card took the last byte, write " + index);
        m.dataBusy = kBusyReads;
        m.run.writes.push_back({false, value});
    } else {
        m.Fault("write to port " + std::to_string(port & 0xFF));
    }
}

Z80EX_BYTE ReadInterruptVector(Z80EX_CONTEXT*, void*) { return 0xFF; }

std::string Describe(const CardWrite& w) {
    char text[16];
    std::snprintf(text, sizeof text, "%s #%02X", w.command ? "command" : "data", w.value);
    return text;
}

}  // namespace

std::string ListingForPasmo(std::string_view listing) {
    std::string out;
    std::size_t start = 0;
    while (start < listing.size()) {
        std::size_t end = listing.find('\n', start);
        if (end == std::string_view::npos) end = listing.size();
        const std::string_view line = listing.substr(start, end - start);
        start = end + 1;
        // The listing has no string literals, so ';' always opens a comment.
        const std::size_t semicolon = std::min(line.find(';'), line.size());
        std::string_view code = line.substr(0, semicolon);
        const std::string_view comment = line.substr(semicolon);
        std::size_t joint = code.find(" : ");
        out += code.substr(0, joint);
        out += comment;
        out += '\n';
        while (joint != std::string_view::npos) {
            code.remove_prefix(joint + 3);
            joint = code.find(" : ");
            out += "            ";
            out += code.substr(0, joint);
            out += '\n';
        }
    }
    return out;
}

DepackerRun RunDepacker(std::span<const std::uint8_t> packedFile, std::uint16_t fxAddr) {
    const Assembled& program = AssembledFor(fxAddr);
    auto machine = std::make_unique<Machine>();
    Machine& m = *machine;
    if (!program.error.empty()) {
        m.Fault(program.error);
        return m.run;
    }
    if (kCodeOrigin + program.code.size() > fxAddr ||
        fxAddr + packedFile.size() > kStackTop - kStackDepth) {
        m.Fault("the program and the packed file do not fit the memory map");
        return m.run;
    }
    // Unused memory holds HALT, so a stray jump stops somewhere other than DONE.
    m.memory.fill(kHaltOpcode);
    std::copy(program.code.begin(), program.code.end(), m.memory.begin() + kCodeOrigin);
    std::copy(packedFile.begin(), packedFile.end(), m.memory.begin() + fxAddr);
    m.amplitudeAddr = program.symbols.at("AMPLITUDE");

    Z80EX_CONTEXT* cpu = z80ex_create(ReadMemory, &m, WriteMemory, &m, ReadPort, &m, WritePort, &m,
                                      ReadInterruptVector, &m);
    z80ex_set_reg(cpu, regPC, kCodeOrigin);
    // Generous: a data byte takes about 150 opcodes with the card's busy reads.
    const std::uint64_t dataLength = packedFile.size() > 1 ? packedFile[0] | packedFile[1] << 8 : 0;
    const std::uint64_t stepBound = 1000 + 400 * dataLength;
    std::uint64_t steps = 0;
    while (!z80ex_doing_halt(cpu) && steps < stepBound) {
        z80ex_step(cpu);
        ++steps;
    }
    m.run.halted = z80ex_doing_halt(cpu) != 0;
    const unsigned pc = z80ex_get_reg(cpu, regPC);
    const unsigned sp = z80ex_get_reg(cpu, regSP);
    z80ex_destroy(cpu);

    const std::uint16_t done = program.symbols.at("DONE");
    if (!m.run.halted) {
        m.Fault("no HALT after " + std::to_string(steps) + " steps, PC " + Hex(pc));
    } else if (pc != done && pc != done + 1u) {
        m.Fault("halted at " + Hex(pc) + ", not at the driver's HALT " + Hex(done));
    } else if (sp != kStackTop) {
        m.Fault("stack pointer " + Hex(sp) + " at the end, " + Hex(kStackTop) + " at the start");
    } else if (m.commandBusy > 0 || m.dataBusy > 0) {
        m.Fault("returned before the card reported ready");
    }
    return m.run;
}

::testing::AssertionResult DepackerSends(std::span<const std::uint8_t> packedFile,
                                         std::span<const std::uint8_t> expectedSamples,
                                         std::uint16_t fxAddr) {
    const DepackerRun run = RunDepacker(packedFile, fxAddr);
    if (!run.fault.empty()) {
        return ::testing::AssertionFailure() << "at FX_ADDR " << Hex(fxAddr) << ": " << run.fault;
    }
    std::vector<CardWrite> expected = {{true, 0x38}, {true, 0xD1}};
    for (const std::uint8_t s : expectedSamples) expected.push_back({false, s});
    expected.push_back({true, 0xD2});

    const std::size_t common = std::min(expected.size(), run.writes.size());
    for (std::size_t k = 0; k < common; ++k) {
        if (run.writes[k] != expected[k]) {
            return ::testing::AssertionFailure()
                   << "at FX_ADDR " << Hex(fxAddr) << ", write " << k << " is "
                   << Describe(run.writes[k]) << ", expected " << Describe(expected[k]);
        }
    }
    if (run.writes.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << "at FX_ADDR " << Hex(fxAddr) << ", " << run.writes.size()
               << " writes to the card, expected " << expected.size();
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult DepackerMatchesDecoder(std::span<const std::uint8_t> packedFile,
                                                  std::uint16_t fxAddr) {
    const auto view = ParsePackedFile(packedFile);
    if (!view) return ::testing::AssertionFailure() << "not a well-formed packed file";
    const std::vector<std::uint8_t> decoded = DecodeSamples(view->data, view->table);
    return DepackerSends(packedFile, std::span(decoded).subspan(1), fxAddr);
}

}  // namespace corvane::z80
