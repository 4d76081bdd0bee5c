#include "codec/depacker_listing.h"

#include <string_view>

#include "codec/packed_format.h"

namespace corvane {
namespace {

// One line of the routine: an optional label, an instruction at column 12 and
// a comment at column 36. Text is UTF-8 here and Windows-1251 in the file.
struct Line {
    std::string_view label;
    std::string_view instruction;
    std::string_view comment;
};

constexpr std::size_t kInstructionColumn = 12;
constexpr std::size_t kCommentColumn = 36;

// What stands between a label and column 12 (a TAB moves to the next multiple of 4).
std::string_view LabelGap(std::string_view label) {
    if (label == "GSDAT") return "       ";
    if (label == "WC") return "\t        ";
    if (label == "UNP_LOOP1" || label == "UNP_LOOP2" || label == "NEXT_BIT" || label == "AMPLITUDE")
        return "\t";
    return "\t    ";
}

constexpr Line kRoutine[] = {
    {"GSCOM", "EQU 187", "; #BB"},
    {"GSDAT", "EQU 179", "; #B3"},
    {"", "", ""},
    {"", "LD A,128", "; Начальное значение амплитуды"},
    {"", "LD (AMPLITUDE),A", "; Записываем"},
    {"", "LD A,#38 : CALL SCWC", "; Загрузка FX"},
    {"", "LD A,#D1 : CALL SCWC", "; Открываем поток GS"},
    {"", "LD HL,FX_ADDR", "; Адрес запакованного файла. Младший байт адреса не больше 243 (#F3)"},
    {"", "LD C,(HL)", "; Младший байт длины"},
    {"", "INC HL", "; Старший байт длины"},
    {"", "LD B,(HL)", "; BC = длина данных"},
    {"", "LD DE,FX_ADDR + 3",
     "; DE = начало таблицы + 1. Важно, чтобы старший байт адреса не менялся для всей таблицы"},
    {"", "LD HL,FX_ADDR + 13", "; HL = начало данных"},
    {"UNP_LOOP1", "PUSH BC", "; Сохраняем длину"},
    {"", "LD C,(HL)", "; Байт данных"},
    {"", "EX DE,HL", "; HL = таблица"},
    {"", "LD B,4", "; 4 отсчёта в байте данных"},
    {"UNP_LOOP2", "BIT 6,C", "; Бит сдвига по таблице, 0 = вниз, 1 = вверх"},
    {"", "JR Z,T_MINUS", "; 0 - вниз"},
    {"", "INC HL", "; Иначе вверх по таблице"},
    {"", "JR NEXT_BIT", "; Переходим к биту знака"},
    {"T_MINUS", "DEC HL", "; Вниз по таблице"},
    {"NEXT_BIT", "RL C", "; Бит знака, 1 = минус"},
    {"AMPLITUDE", "EQU $ + 1 : LD A,128", "; Значение сигнала"},
    {"", "JR C,S_MINUS", "; 1 - переходим к вычитанию"},
    {"", "ADD A,(HL)", "; Прибавляем значение из таблицы"},
    {"", "JR NC,TOGS", "; Если не переполнилось, отправляем в GS"},
    {"", "LD A,255 : JR TOGS", "; Если переполнилось, ставим максимум"},
    {"S_MINUS", "AND A : SBC A,(HL)", "; Отнимаем значение из таблицы"},
    {"", "JR NC,TOGS", "; Если не переполнилось, отправляем в GS"},
    {"", "XOR A", "; Если переполнилось, ставим минимум"},
    {"TOGS", "OUT(GSDAT),A", "; Отправляем в GS"},
    {"", "LD (AMPLITUDE),A", "; Сохраняем значение амплитуды"},
    {"", "RL C", "; Сдвигаем к следующим двум битам"},
    {"", "LD A,L", "; Младший байт указателя в таблице"},
    {"", "CP (FX_ADDR + 2) % 256", "; Проверим на нижний край таблицы"},
    {"", "JR NZ,NO_TL", "; Не дошли до края"},
    {"", "INC L", "; Иначе отходим от края"},
    {"NO_TL", "CP (FX_ADDR + 12) % 256", "; проверим на верхний край таблицы"},
    {"", "JR NZ,NO_TH", "; Не дошли до края"},
    {"", "DEC L", "; Иначе отходим от края"},
    {"NO_TH", "IN A,(GSCOM)", "; Опросим GS"},
    {"", "RLCA : JR C,NO_TH", "; Ждём пока GS примет данные"},
    {"", "DJNZ UNP_LOOP2", "; Переходим к следующим двум битам данных"},
    {"", "EX DE,HL", "; HL = данные"},
    {"", "INC HL", "; Переходим к следующему байту данных"},
    {"", "POP BC", "; BC = остаток данных"},
    {"", "DEC BC", "; Уменьшаем"},
    {"", "LD A,B : OR C", "; Проверяем на 0 = конец данных"},
    {"", "JR NZ,UNP_LOOP1", "; Переходим к следующему байту"},
    {"", "LD A,#D2 : CALL SCWC", "; Закрываем поток GS"},
};

constexpr Line kSubroutine[] = {
    {"SCWC", "OUT(GSCOM),A", ""},
    {"WC", "IN A,(GSCOM)", ""},
    {"", "RRCA : JR C,WC", ""},
    {"", "RET", ""},
};

// UTF-8 (ASCII and Cyrillic only, as the listing holds) to Windows-1251.
std::string ToWindows1251(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80 || i + 1 >= utf8.size()) {
            out += static_cast<char>(c);
            continue;
        }
        const unsigned code = (c & 0x1Fu) << 6 | (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
        if (code >= 0x410 && code <= 0x44F) {
            out += static_cast<char>(0xC0 + (code - 0x410));  // А..я
        } else if (code == 0x401) {
            out += static_cast<char>(0xA8);  // Ё
        } else if (code == 0x451) {
            out += static_cast<char>(0xB8);  // ё
        } else {
            out += '?';
        }
    }
    return out;
}

std::string Compose(const Line& line) {
    if (line.instruction.empty()) return " ";  // blank lines hold one space
    std::string text;
    if (line.label.empty()) {
        text.assign(kInstructionColumn, ' ');
    } else {
        text += line.label;
        text += LabelGap(line.label);
    }
    text += line.instruction;
    if (!line.comment.empty()) {
        // Columns count with TAB stops of 4; the label and its gap always end at 12.
        const std::size_t column = kInstructionColumn + line.instruction.size();
        text.append(column < kCommentColumn ? kCommentColumn - column : 1, ' ');
        text += line.comment;
    }
    return text;
}

}  // namespace

std::string DepackerListing() {
    std::string utf8;
    auto add = [&utf8](std::string_view line) {
        utf8 += line;
        utf8 += '\n';
    };
    add("; General Sound ADPCM Depacker");
    add("; v1.0.0 - 2022 Corvane");
    add(" ");
    for (const Line& line : kRoutine) add(Compose(line));
    add(" ");
    add("; Далее устанавливаем параметры сэмпла, если надо и т.д.            ");
    add(" ");
    add("            RET           ");
    add(" ");
    for (const Line& line : kSubroutine) add(Compose(line));
    return ToWindows1251(utf8);
}

HostCost DepackerCost(std::size_t dataLength) {
    // The routine handles a byte before it counts down, so a count of 0 wraps to 65 536.
    const std::size_t bytes = dataLength == 0 ? 65536 : dataLength;
    const std::size_t tStates = bytes * kDepackerTStatesPerByte;
    return {bytes, 4 * bytes, tStates / (kHostClockHz / 1000),
            kPackedHeaderSize + dataLength <= kHostPageBytes};
}

}  // namespace corvane
