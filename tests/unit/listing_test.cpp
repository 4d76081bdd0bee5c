#include <gtest/gtest.h>

#include <sstream>

#include "codec/depacker_listing.h"

namespace corvane {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "text after the last line feed";
    return lines;
}

// Display column of byte `at`, with TAB stops every 4 columns.
std::size_t ColumnOf(const std::string& line, std::size_t at) {
    std::size_t column = 0;
    for (std::size_t i = 0; i < at; ++i)
        column = line[i] == '\t' ? (column / 4 + 1) * 4 : column + 1;
    return column;
}

TEST(DepackerListing, SizeAndLineStructure) {
    const std::string listing = DepackerListing();
    const auto lines = Lines(listing);
    ASSERT_EQ(lines.size(), 63u);
    EXPECT_EQ(listing.find('\r'), std::string::npos);
    EXPECT_EQ(listing.size() - (lines[1].size() + 1), 3355u);
    EXPECT_EQ(lines[0], "; General Sound ADPCM Depacker");
    EXPECT_EQ(lines[1].rfind("; v1.0.0 - 2022", 0), 0u);
    EXPECT_GT(lines[1].size(), 15u);  // a credit follows
    for (int blank : {3, 6, 55, 57, 59}) EXPECT_EQ(lines[blank - 1], " ") << blank;
}

TEST(DepackerListing, ColumnsAndExactLines) {
    const auto lines = Lines(DepackerListing());
    EXPECT_EQ(lines[3], "GSCOM\t    EQU 187" + std::string(17, ' ') + "; #BB");
    EXPECT_EQ(lines[4], "GSDAT       EQU 179" + std::string(17, ' ') + "; #B3");
    EXPECT_TRUE(lines[16].starts_with("UNP_LOOP1\tPUSH BC" + std::string(17, ' ') + "; "));
    EXPECT_EQ(lines[59], "SCWC\t    OUT(GSCOM),A");
    EXPECT_EQ(lines[60], "WC\t        IN A,(GSCOM)");
    EXPECT_EQ(lines[61], "            RRCA : JR C,WC");
    EXPECT_EQ(lines[62], "            RET");
    EXPECT_EQ(lines[57], "            RET" + std::string(11, ' '));
    EXPECT_EQ(lines[55].substr(lines[55].size() - 13), "." + std::string(12, ' '));
    EXPECT_TRUE(lines[26].starts_with("AMPLITUDE\tEQU $ + 1 : LD A,128    ; "));
    EXPECT_TRUE(lines[38].starts_with("            CP (FX_ADDR + 2) % 256  ; "));

    for (std::size_t n = 3; n < lines.size(); ++n) {
        const std::string& line = lines[n];
        if (line == " " || line[0] == ';') continue;
        const std::size_t instruction = line.find_first_not_of(" \t", line.find_first_of(" \t"));
        if (line[0] == ' ') {
            EXPECT_EQ(line.find_first_not_of(' '), 12u) << n + 1;
        } else {
            EXPECT_EQ(ColumnOf(line, instruction), 12u) << n + 1;
        }
        const std::size_t comment = line.find(';');
        if (comment != std::string::npos) {
            EXPECT_EQ(ColumnOf(line, comment), 36u) << n + 1;
            EXPECT_EQ(line[comment - 1], ' ') << n + 1;
            EXPECT_EQ(line.find('\t', instruction), std::string::npos) << n + 1;
        }
        if (n + 1 != 56 && n + 1 != 58) {
            EXPECT_NE(line.back(), ' ') << n + 1;
        }
        EXPECT_LE(line.size(), 127u) << n + 1;
    }
}

TEST(DepackerListing, CommentsAreWindows1251) {
    const auto lines = Lines(DepackerListing());
    // "; Записываем": З = C7, а = E0, п = EF, и = E8, с = F1, ы = FB, в = E2, е = E5, м = EC.
    EXPECT_EQ(lines[7].substr(36), "; \xC7\xE0\xEF\xE8\xF1\xFB\xE2\xE0\xE5\xEC");
    // "отсчёта" holds ё (B8).
    EXPECT_NE(lines[19].find("\xEE\xF2\xF1\xF7\xB8\xF2\xE0"), std::string::npos);
    // "; Ждём пока GS примет данные"
    EXPECT_EQ(lines[45].substr(36, 6), "; \xC6\xE4\xB8\xEC");
    for (const auto& line : lines) {
        for (unsigned char c : line) {
            ASSERT_TRUE(c == '\t' || (c >= 0x20 && c < 0x7F) || c >= 0xC0 || c == 0xA8 || c == 0xB8)
                << line;
        }
    }
}

}  // namespace
}  // namespace corvane
