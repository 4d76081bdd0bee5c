#include "support/z80_machine.h"

#include <z80ex.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "codec/decoder.h"
#include "codec/depacker_listing.h"

namespace corvane::z80 {
namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t kCodeOrigin = 0x8000;
constexpr std::uint16_t kStackTop = 0xFF00;
constexpr std::uint16_t kStackDepth = 32;  // the routine nests two calls and a PUSH
constexpr std::uint8_t kCommandPort = 187;
constexpr std::uint8_t kDataPort = 179;
constexpr std::uint8_t kHaltOpcode = 0x76;

std::string Hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "#%04X", value);
    return text;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Assembled {
    std::vector<std::uint8_t> code;         // loaded at kCodeOrigin
    std::uint16_t done = 0, amplitude = 0;  // the driver's HALT, the routine's amplitude byte
    std::string error;
};

// A driver that calls the routine once and halts; FX_ADDR is the packed file's address.
Assembled Assemble(std::uint16_t fxAddr) {
    const fs::path dir = CORVANE_Z80_WORK_DIR;
    fs::create_directories(dir);
    const std::string stem = (dir / ("depacker_" + std::to_string(fxAddr))).string();
    std::ofstream(stem + ".asm", std::ios::binary)
        << "FX_ADDR     EQU " << fxAddr << "\n            ORG " << kCodeOrigin
        << "\n            LD SP," << kStackTop << "\n            CALL DEPACK\nDONE        HALT\n"
        << "DEPACK\n"
        << ListingForPasmo(DepackerListing());
    fs::remove(stem + ".bin");
    Assembled result;
    const std::string command = std::string("\"") + CORVANE_PASMO + "\" \"" + stem + ".asm\" \"" +
                                stem + ".bin\" \"" + stem + ".sym\" > \"" + stem + ".log\" 2>&1";
    if (std::system(command.c_str()) != 0 || !fs::exists(stem + ".bin")) {
        result.error = "pasmo refused the listing:\n" + ReadText(stem + ".log");
        return result;
    }
    const std::string code = ReadText(stem + ".bin");
    result.code.assign(code.begin(), code.end());
    // pasmo's symbol file: "NAME<TAB><TAB>EQU 08032H" per line.
    std::map<std::string, std::uint16_t> symbols;
    std::istringstream lines(ReadText(stem + ".sym"));
    for (std::string name, equ, value; lines >> name >> equ >> value;) {
        symbols[name] = static_cast<std::uint16_t>(std::stoul(value, nullptr, 16));
    }
    if (!symbols.contains("DONE") || !symbols.contains("AMPLITUDE")) result.error = "no symbols";
    result.done = symbols["DONE"];
    result.amplitude = symbols["AMPLITUDE"];
    return result;
}

// 64 KB of memory, the card on its two ports, and what the routine did to them.
struct Machine {
    std::array<std::uint8_t, 65536> memory{};
    std::uint16_t amplitudeAddr = 0;
    int busyReads = 0;
    int commandBusy = 0;  // status reads left with bit 0 set
    int dataBusy = 0;     // status reads left with bit 7 set
    std::uint64_t clock = 0;
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
    if ((port & 0xFF) != kCommandPort) m.Fault("read of port " + std::to_string(port & 0xFF));
    const auto status =
        static_cast<Z80EX_BYTE>((m.commandBusy > 0 ? 0x01 : 0) | (m.dataBusy > 0 ? 0x80 : 0));
    m.commandBusy -= m.commandBusy > 0;
    m.dataBusy -= m.dataBusy > 0;
    return status;
}

void WritePort(Z80EX_CONTEXT*, Z80EX_WORD port, Z80EX_BYTE value, void* user) {
    auto& m = *static_cast<Machine*>(user);
    const bool command = (port & 0xFF) == kCommandPort;
    if (!command && (port & 0xFF) != kDataPort)
        m.Fault("write to port " + std::to_string(port & 0xFF));
    int& busy = command ? m.commandBusy : m.dataBusy;
    if (busy > 0)
        m.Fault("a write while the card was busy, write " + std::to_string(m.run.writes.size()));
    busy = m.busyReads;
    m.run.writes.push_back({command, value, m.clock});
}

Z80EX_BYTE ReadInterruptVector(Z80EX_CONTEXT*, void*) { return 0xFF; }

}  // namespace

std::string ListingForPasmo(std::string_view listing) {
    std::string out;
    while (!listing.empty()) {
        const std::size_t end = std::min(listing.find('\n'), listing.size());
        const std::string_view line = listing.substr(0, end);
        listing.remove_prefix(std::min(end + 1, listing.size()));
        // The listing has no string literals, so ';' always opens a comment.
        const std::size_t semicolon = std::min(line.find(';'), line.size());
        std::string_view code = line.substr(0, semicolon);
        std::size_t joint = code.find(" : ");
        out.append(code.substr(0, joint)).append(line.substr(semicolon)) += '\n';
        for (; joint != std::string_view::npos; joint = code.find(" : ")) {
            code.remove_prefix(joint + 3);
            out.append("            ").append(code.substr(0, code.find(" : "))) += '\n';
        }
    }
    return out;
}

DepackerRun RunDepacker(std::span<const std::uint8_t> packedFile, std::uint16_t fxAddr,
                        int busyReads) {
    static std::map<std::uint16_t, Assembled> cache;
    if (!cache.contains(fxAddr)) cache.emplace(fxAddr, Assemble(fxAddr));
    const Assembled& program = cache.at(fxAddr);
    auto machine = std::make_unique<Machine>();
    Machine& m = *machine;
    m.busyReads = busyReads;
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
    m.amplitudeAddr = program.amplitude;

    Z80EX_CONTEXT* cpu = z80ex_create(ReadMemory, &m, WriteMemory, &m, ReadPort, &m, WritePort, &m,
                                      ReadInterruptVector, &m);
    z80ex_set_reg(cpu, regPC, kCodeOrigin);
    // Generous: a data byte takes about 150 opcodes with the card's busy reads.
    const std::uint64_t dataLength = packedFile.size() > 1 ? packedFile[0] | packedFile[1] << 8 : 0;
    std::uint64_t steps = 0;
    for (const std::uint64_t bound = 1000 + 400 * dataLength;
         !z80ex_doing_halt(cpu) && steps < bound; ++steps) {
        m.clock += static_cast<std::uint64_t>(z80ex_step(cpu));
    }
    const bool halted = z80ex_doing_halt(cpu) != 0;
    const unsigned pc = z80ex_get_reg(cpu, regPC);
    const unsigned sp = z80ex_get_reg(cpu, regSP);
    z80ex_destroy(cpu);
    if (!halted) {
        m.Fault("no HALT after " + std::to_string(steps) + " steps, PC " + Hex(pc));
    } else if (pc != program.done && pc != program.done + 1u) {
        m.Fault("halted at " + Hex(pc) + ", not at the driver's HALT " + Hex(program.done));
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
    auto failure = [fxAddr] {
        return ::testing::AssertionFailure() << "at FX_ADDR " << Hex(fxAddr) << ": ";
    };
    if (!run.fault.empty()) return failure() << run.fault;
    std::vector<CardWrite> expected = {{true, 0x38}, {true, 0xD1}};
    for (const std::uint8_t s : expectedSamples) expected.push_back({false, s});
    expected.push_back({true, 0xD2});
    for (std::size_t k = 0; k < std::min(expected.size(), run.writes.size()); ++k) {
        if (run.writes[k] != expected[k]) {
            return failure() << "write " << k << " is "
                             << (run.writes[k].command ? "command " : "data ")
                             << int{run.writes[k].value} << ", expected "
                             << (expected[k].command ? "command " : "data ")
                             << int{expected[k].value};
        }
    }
    if (run.writes.size() != expected.size()) {
        return failure() << run.writes.size() << " writes to the card, expected "
                         << expected.size();
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
