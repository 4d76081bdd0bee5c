#include "app/marks.h"

#include <usp10.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace corvane {
namespace {

constexpr std::wstring_view kMarks[] = {L"\u25B6", L"\u2713", L"\u2718", L"\U0001F5C1"};

// The text cut where marks start and end: each piece with whether it is a mark.
std::vector<std::pair<std::wstring_view, bool>> Pieces(std::wstring_view text) {
    std::vector<std::pair<std::wstring_view, bool>> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto mark =
            std::find_if(std::begin(kMarks), std::end(kMarks),
                         [&](std::wstring_view m) { return text.substr(i).starts_with(m); });
        if (mark == std::end(kMarks)) {
            ++i;
            continue;
        }
        if (i > start) pieces.emplace_back(text.substr(start, i - start), false);
        pieces.emplace_back(*mark, true);
        i += mark->size();
        start = i;
    }
    if (start < text.size()) pieces.emplace_back(text.substr(start), false);
    return pieces;
}

// `font` in the mark face, made once for each font and kept, as the fonts are, for the
// program's life; the font itself when the system has no mark face.
HFONT MarkFontOf(HFONT font) {
    static std::vector<std::pair<HFONT, HFONT>> made;
    if (MarkFace().empty()) return font;
    for (const auto& [text, mark] : made) {
        if (text == font) return mark;
    }
    LOGFONTW look{};
    GetObjectW(font, sizeof(look), &look);
    MarkFace().copy(look.lfFaceName, LF_FACESIZE - 1);
    look.lfFaceName[std::min<std::size_t>(MarkFace().size(), LF_FACESIZE - 1)] = L'\0';
    made.emplace_back(font, CreateFontIndirectW(&look));
    return made.back().second;
}

// The mark's glyph in the font selected: Uniscribe reads a code point past U+FFFF (🗁) from the
// font's own table, where GDI alone (under Wine) would look for each half of its pair.
std::optional<WORD> GlyphOf(HDC dc, std::wstring_view mark) {
    SCRIPT_CACHE cache = nullptr;
    SCRIPT_ANALYSIS analysis{};
    WORD glyphs[4] = {}, clusters[4] = {};
    SCRIPT_VISATTR attributes[4] = {};
    int count = 0;
    const HRESULT shaped = ScriptShape(dc, &cache, mark.data(), static_cast<int>(mark.size()), 4,
                                       &analysis, glyphs, clusters, attributes, &count);
    ScriptFreeCache(&cache);
    if (FAILED(shaped) || count != 1) return std::nullopt;
    return glyphs[0];
}

// Draws a piece at (x, y) when `rect` is given; returns its width.
int Piece(HDC dc, std::wstring_view piece, bool mark, HFONT font, int x = 0, int y = 0,
          const RECT* rect = nullptr) {
    SelectObject(dc, mark ? MarkFontOf(font) : font);
    SIZE size{};
    const std::optional<WORD> glyph = mark ? GlyphOf(dc, piece) : std::nullopt;
    if (glyph) {
        GetTextExtentPointI(dc, const_cast<WORD*>(&*glyph), 1, &size);
        if (rect)
            ExtTextOutW(dc, x, y, ETO_CLIPPED | ETO_GLYPH_INDEX, rect,
                        reinterpret_cast<const wchar_t*>(&*glyph), 1, nullptr);
    } else {
        GetTextExtentPoint32W(dc, piece.data(), static_cast<int>(piece.size()), &size);
        if (rect)
            ExtTextOutW(dc, x, y, ETO_CLIPPED, rect, piece.data(), static_cast<UINT>(piece.size()),
                        nullptr);
    }
    return size.cx;
}

// Draws `text` in `rect`, left or centred, every piece on one baseline.
void DrawMarkedText(HDC dc, std::wstring_view text, HFONT font, RECT rect, bool centred) {
    const HFONT markFont = MarkFontOf(font);
    const HGDIOBJ kept = SelectObject(dc, font);
    TEXTMETRICW textMetrics{}, markMetrics{};
    GetTextMetricsW(dc, &textMetrics);
    SelectObject(dc, markFont);
    GetTextMetricsW(dc, &markMetrics);
    const int ascent = std::max(textMetrics.tmAscent, markMetrics.tmAscent);
    const int height = ascent + std::max(textMetrics.tmDescent, markMetrics.tmDescent);
    int x = rect.left;
    int y = rect.top + ascent;
    if (centred) {
        x += (rect.right - rect.left - MarkedTextWidth(dc, text, font)) / 2;
        y += (rect.bottom - rect.top - height) / 2;
    }
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    SetBkMode(dc, TRANSPARENT);
    for (const auto& [piece, mark] : Pieces(text)) x += Piece(dc, piece, mark, font, x, y, &rect);
    SelectObject(dc, kept);
}

}  // namespace

const std::wstring& MarkFace() {
    static const std::wstring face = [] {
        const HDC dc = GetDC(nullptr);
        std::wstring found;
        for (const wchar_t* candidate : {L"Segoe UI Symbol", L"Symbola", L"DejaVu Sans"}) {
            const HFONT font = CreateFontW(20, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, candidate);
            const HGDIOBJ kept = SelectObject(dc, font);
            wchar_t chosen[LF_FACESIZE] = {};
            GetTextFaceW(dc, LF_FACESIZE, chosen);  // the face the system gave, maybe another
            SelectObject(dc, kept);
            DeleteObject(font);
            if (_wcsicmp(chosen, candidate) == 0) {
                found = candidate;
                break;
            }
        }
        ReleaseDC(nullptr, dc);
        return found;
    }();
    return face;
}

int MarkedTextWidth(HDC dc, std::wstring_view text, HFONT font) {
    const HGDIOBJ kept = SelectObject(dc, font);
    int width = 0;
    for (const auto& [piece, mark] : Pieces(text)) width += Piece(dc, piece, mark, font);
    SelectObject(dc, kept);
    return width;
}

void DrawMarkedControl(const DRAWITEMSTRUCT& item) {
    const HWND control = item.hwndItem;
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    RECT rect = item.rcItem;
    const bool button = item.CtlType == ODT_BUTTON;
    if (button) {
        const bool pushed = (item.itemState & ODS_SELECTED) != 0;
        DrawFrameControl(
            item.hDC, &rect, DFC_BUTTON,
            DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0u) | (disabled ? DFCS_INACTIVE : 0u));
        if (pushed) OffsetRect(&rect, 1, 1);
    } else {
        FillRect(item.hDC, &rect, GetSysColorBrush(COLOR_BTNFACE));
    }
    SetTextColor(item.hDC, GetSysColor(disabled ? COLOR_GRAYTEXT
                                       : button ? COLOR_BTNTEXT
                                                : COLOR_WINDOWTEXT));
    DrawMarkedText(item.hDC, text, font, rect, button);
    if (button && (item.itemState & ODS_FOCUS) != 0) {
        InflateRect(&rect, -4, -4);
        DrawFocusRect(item.hDC, &rect);
    }
}

}  // namespace corvane
