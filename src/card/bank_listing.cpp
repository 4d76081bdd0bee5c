// NAME.asm: what a Z80 program includes to load a bank into the card in one call: how to use
// it, the equates, the handle table, the directory, and the loader.
#include <cstdio>

#include "card/asm_names.h"
#include "card/bank.h"
#include "card/bank_loader.h"
#include "text/digit_groups.h"

namespace corvane {
namespace {

// A number both pasmo and z80asm read: decimal below 10, else hexadecimal as 0C000h.
std::string Hex(unsigned value) {
    if (value < 10) return std::to_string(value);
    char text[12];
    std::snprintf(text, sizeof text, "%X", value);
    return (text[0] > '9' ? "0" : "") + std::string(text) + "h";
}

// A 24-bit loop offset as three bytes, low first.
std::string Offset(std::uint32_t value) {
    return Hex(value & 0xFF) + "," + Hex(value >> 8 & 0xFF) + "," + Hex(value >> 16 & 0xFF);
}

std::string Line(std::string left, const std::string& right, std::size_t column = 24) {
    left.resize(std::max(left.size() + 1, column), ' ');
    return left + right + "\n";
}

std::string Usage(const Bank& bank) {
    const std::string& n = bank.label;
    const BankBudget& b = bank.budget;
    const double seconds = static_cast<double>(b.loadTStates) / 3.5e6;
    const double perByte = static_cast<double>(b.loadTStates) / static_cast<double>(b.sampleBytes);
    const std::string time = FormatDigitGroups(static_cast<long long>(b.loadTStates)) +
                             " T-states (" + FormatFixed(seconds, 2) + " s at 3.5 MHz), " +
                             FormatFixed(b.sampleBytes ? perByte : 0.0, 1) +
                             " a byte the card stores,";
    return "; General Sound sample bank " + n +
           ", written by Corvane: " + std::to_string(bank.samples.size()) + " samples in " +
           std::to_string(b.pages) +
           " host page(s) of 16 KB at #C000.\n"
           ";\n"
           "; The program puts the bank's pages (files " +
           bank.name +
           ".0.bin ...) into its memory,\n"
           "; defines SELECT_PAGE, includes this file and calls " +
           n +
           "_LOAD once. A sample's\n"
           "; handle is then at " +
           n +
           "_HANDLES + its equate (below).\n"
           ";\n"
           "; " +
           n +
           "_LOAD\n"
           "; - loads the samples in the order of the equates: the card gives them handles 1, 2 "
           "...\n"
           ";   in that order. Each effect's finetune (#42), note (#40) and loop (#48, #49) are "
           "sent\n"
           ";   where they are not the card's own.\n"
           "; - returns with carry clear when all are loaded; with carry set, and A = the equate "
           "of\n"
           ";   the sample it was loading, when the card did not answer (about 65 536 status "
           "reads)\n"
           ";   or took no more effects; the handles of the samples before it are kept.\n"
           "; - changes AF, BC, DE and HL, and what SELECT_PAGE changes.\n"
           "; - calls SELECT_PAGE with A = the bank's page to put at #C000 (0, 1 ...), once a "
           "page,\n"
           ";   in increasing order; SELECT_PAGE may change AF, BC, DE, HL and IX. The bank's "
           "last\n"
           ";   page is left at #C000.\n"
           "; - leaves interrupts as they are: an interrupt handler must not use the card's ports\n"
           ";   (179, 187) while it runs.\n"
           "; - needs this file's code and tables, and the stack, below #C000 (the code changes\n"
           ";   itself); it uses 12 bytes of stack, its own call included, besides SELECT_PAGE's.\n"
           "; - takes " +
           time +
           "\n"
           ";   with a card that takes each byte at once (SELECT_PAGE's own time not counted).\n"
           "; Then a sample plays by its handle: the handle to port 179, #39 to port 187, and "
           "wait\n"
           "; until bit 0 of port 187 is 0. #80 to #83 play the current effect on channel 0 to 3:\n"
           "; after the load, that is the last sample loaded.\n\n";
}

}  // namespace

std::string BankListing(const Bank& bank) {
    const std::string& name = bank.label;
    const std::size_t count = bank.samples.size();
    std::string text = Usage(bank);
    text += Line(name + "_COUNT:", "EQU " + std::to_string(count));
    text += Line(name + "_FIRST:", "EQU " + std::to_string(bank.firstPage));
    text += Line(name + "_PAGES:", "EQU " + std::to_string(bank.budget.pages));
    for (std::size_t i = 0; i < count; ++i) {
        const std::string equate =
            Line(name + "_" + bank.samples[i].equate + ":", "EQU " + std::to_string(i));
        text += Line(equate.substr(0, equate.size() - 1), "; " + bank.samples[i].name, 40);
    }
    text +=
        "\n; Each page's length in bytes: 16 384 but for the last (for a SELECT_PAGE that loads\n"
        "; the page from tape or disk when it is asked for).\n" +
        name + "_SIZES:\n";
    const auto pages = PageImages(bank);
    for (std::size_t page = 0; page < pages.size(); ++page) {
        text += "            DW " + Hex(static_cast<unsigned>(pages[page].size())) + "\n";
    }
    text += "\n; The card's handle of each sample, in the order above.\n" + name + "_HANDLES:\n";
    text += "            DS " + std::to_string(count) + "\n";
    text +=
        "\n; Per sample: page, address, note, finetune as #42 takes it (twice its 4-bit form),\n"
        "; loop begin and end (24 bits, low byte first; a begin of FFFFFFh: no loop).\n" +
        name + "_DIR:\n";
    for (std::size_t i = 0; i < count; ++i) {
        const BankSample& sample = bank.samples[i];
        const Placement& at = bank.placements[i];
        const unsigned finetune = static_cast<unsigned>(sample.pitch.note.finetune & 15) << 1;
        const std::uint32_t begin = sample.loop ? sample.loop->begin : 0xFFFFFF;
        const std::uint32_t end = sample.loop ? sample.loop->end : 0;
        text += Line("            DB " + std::to_string(bank.firstPage + at.page),
                     "; " + sample.name, 48) +
                "            DW " + Hex(at.address) + "\n            DB " +
                std::to_string(sample.pitch.note.note) + "," + Hex(finetune) + "," + Offset(begin) +
                "," + Offset(end) + "\n";
    }
    return text + BankLoaderText(name);
}

}  // namespace corvane
