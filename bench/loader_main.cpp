// The bank loader's cost on the emulated 128K beside a card at its firmware's own pace: host
// T-states per byte the card stores, and the time the bank takes to load at 3.5 MHz.
// Usage: corvane_loader_bench DIR/NAME (a bank corvane-cli bank wrote: NAME.asm, NAME.0.bin ...).
// scripts/bench-loader.sh makes full kits and runs it; README's figures come from it.
#include <cstdio>
#include <filesystem>

#include "support/z80_machine.h"

int main(int argc, char** argv) {
    namespace z80 = corvane::z80;
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane_loader_bench DIR/NAME\n");
        return 2;
    }
    const std::filesystem::path bank = argv[1];
    const std::string name = bank.filename().string();
    const std::string program = " ORG 32768\nSTART CALL " + name + "_LOAD\n RET\n" +
                                "SELECT_PAGE SUB " + name + "_FIRST\n LD BC,7FFDh\n OUT (C),A\n" +
                                " RET\n INCLUDE \"bank.asm\"\n";
    const auto include = z80::ReadText(bank.string() + ".asm");
    const z80::Assembled code = z80::Assemble("loader-bench", program, 32768, {{"bank.asm", include}});
    z80::Machine m;
    m.card = z80::GsCard(corvane::Rom::V104, {}, 466 * 1024);
    std::size_t pages = 0;
    const std::size_t first = code.symbols.at(name + "_FIRST");
    for (; pages < 8; ++pages) {  // memory banks 0 to 7
        const std::string page = z80::ReadText(bank.string() + "." + std::to_string(first + pages) + ".bin");
        if (page.empty()) break;
        std::copy(page.begin(), page.end(), m.banks[pages].begin());
    }
    z80::Run(m, code, code.symbols.at("START"), 0xBF00, 2'000'000'000);
    if (!(m.fault + m.card.fault()).empty()) {
        std::printf("%s: %s%s\n", name.c_str(), m.fault.c_str(), m.card.fault().c_str());
        return 1;
    }
    std::size_t bytes = 0;
    for (const z80::Effect& effect : m.card.effects()) bytes += effect.samples.size();
    std::printf("%s: %zu samples, %zu card bytes, %zu pages: %llu T-states at the firmware's pace, "
                "%.1f a card byte, %.2f s at 3.5 MHz\n",
                name.c_str(), m.card.effects().size(), bytes, pages,
                static_cast<unsigned long long>(m.clock),
                static_cast<double>(m.clock) / static_cast<double>(bytes),
                static_cast<double>(m.clock) / 3.5e6);
    return 0;
}
