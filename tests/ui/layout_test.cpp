// The main page as a user sees it, with the fonts the system has: every text whole inside its
// control (wrapped as a static wraps it; a drop-down list's items beside its button), and no
// control over another but the labels inside the histogram.
#include <gtest/gtest.h>

#include "app/marks.h"
#include "files/utf16.h"
#include "support/window_fixture.h"

namespace corvane::uitest {
namespace {

using namespace test;
using LayoutTest = MainWindowTest;

std::vector<std::wstring> TextsOf(HWND control) {
    if (ClassOf(control) != L"ComboBox") return {TextOf(control)};
    std::vector<std::wstring> items;
    for (int n = 0; n < SendMessageW(control, CB_GETCOUNT, 0, 0); ++n) {
        wchar_t item[128] = {};
        SendMessageW(control, CB_GETLBTEXT, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(item));
        items.push_back(item);
    }
    return items;
}

// The main page's texts that do not show whole, each after its control's layout number.
std::vector<std::string> CutTexts() {
    std::vector<std::string> cut;
    const HDC dc = GetDC(App().MainWindow);
    for (int n = 1; n <= kControlCount; ++n) {
        const HWND control = ControlNumber(n);
        const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        const bool wraps = ClassOf(control) == L"Static" &&
                           (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_LEFT;
        RECT box{}, need{};
        GetClientRect(control, &box);
        if (ClassOf(control) == L"ComboBox") box.right -= GetSystemMetrics(SM_CXVSCROLL) + 4;
        if (ClassOf(control) == L"Button") InflateRect(&box, -3, 0);
        SelectObject(dc, font);
        for (const std::wstring& text : TextsOf(control)) {
            need = box;
            DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
            const bool fits = wraps ? need.right <= box.right && need.bottom <= box.bottom
                                    : MarkedTextWidth(dc, text, font) <= box.right;
            if (!OnAboutPage(n) && !fits) cut.push_back(std::to_string(n) + " " + Narrow(text));
        }
    }
    ReleaseDC(App().MainWindow, dc);
    return cut;
}

std::vector<std::pair<int, int>> Overlaps() {
    std::vector<std::pair<int, int>> overlaps;
    const auto isPicture = [](HWND c) {
        return (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
    };
    for (int a = 1; a <= kControlCount; ++a) {
        for (int b = a + 1; b <= kControlCount; ++b) {
            RECT ra, rb, common;
            GetWindowRect(ControlNumber(a), &ra);
            GetWindowRect(ControlNumber(b), &rb);
            if (OnAboutPage(a) || OnAboutPage(b) || !IntersectRect(&common, &ra, &rb)) continue;
            const bool inside = (isPicture(ControlNumber(a)) && EqualRect(&common, &rb)) ||
                                (isPicture(ControlNumber(b)) && EqualRect(&common, &ra));
            if (!inside) overlaps.emplace_back(a, b);
        }
    }
    return overlaps;
}

TEST_F(LayoutTest, EveryTextShowsWholeAndNoControlCoversAnother) {
    EXPECT_EQ(Overlaps(), (std::vector<std::pair<int, int>>{}));
    EXPECT_FALSE(MarkFace().empty());  // the machine has a face for the marks
    // Out of range, too long, a short loop's warning; then at note 60 on ROM 1.05; then the
    // loop ignored; then a file that cannot be read.
    source.Write(L"long.wav", LoopedWav(270000, 100000, 100999));
    ListAndSelect(source.path, {L"long.wav", L"gone.wav"}, 0);
    EXPECT_EQ(CutTexts(), std::vector<std::string>{});
    Choose(Layout::RomChoice, 1, IdRom);
    Choose(Layout::RateChoice, 1, IdRate);
    EXPECT_EQ(CutTexts(), std::vector<std::string>{});
    Choose(Layout::LoopChoice, 2, IdLoop);
    SelectEntry(1);
    EXPECT_EQ(CutTexts(), std::vector<std::string>{});
}

// A button drawn with its marks: its text's ink (pixels of the text colour, inside the frame)
// centred both ways, grey when it is disabled.
TEST_F(LayoutTest, MarkedButtonsDrawTheirTextCentred) {
    const HWND button = Control(Layout::PlayRepackedButton);
    RECT r{};
    GetClientRect(button, &r);
    const HDC screen = GetDC(button), dc = CreateCompatibleDC(screen);
    SelectObject(dc, CreateCompatibleBitmap(screen, r.right, r.bottom));
    for (const bool enabled : {true, false}) {
        DrawMarkedControl(
            {ODT_BUTTON, 0, 0, ODA_DRAWENTIRE, enabled ? 0u : ODS_DISABLED, button, dc, r, 0});
        const COLORREF ink = GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
        RECT box{r.right, r.bottom, 0, 0};
        for (LONG y = 3; y < r.bottom - 3; ++y) {
            for (LONG x = 3; x < r.right - 3; ++x) {
                if (GetPixel(dc, x, y) == ink)
                    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                           std::max(box.bottom, y)};
            }
        }
        EXPECT_NEAR(box.left + box.right, r.right, 6) << enabled;
        EXPECT_NEAR(box.top + box.bottom, r.bottom, 8) << enabled;
        EXPECT_GT(box.right - box.left,
                  MarkedTextWidth(dc, TextOf(button),
                                  reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0))) -
                      8);
    }
    DeleteDC(dc);
    ReleaseDC(button, screen);
}

}  // namespace
}  // namespace corvane::uitest
