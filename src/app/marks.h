#pragma once
// The marks in the window's texts (▶ ✓ ✘ 🗁). The text fonts lack some of them (Calibri has
// no ▶, nor has the face Wine puts in its place), so the controls that show marks are drawn by the
// window, each mark in a face that has it and the rest in the control's own font.
#include <windows.h>

#include <string>
#include <string_view>

namespace corvane {

// The first of these faces the system has: Segoe UI Symbol (Windows 8 and later), Symbola, DejaVu
// Sans (Linux's, which Wine finds with no setting); empty when it has none.
const std::wstring& MarkFace();

// How wide `text` is in `font`, its marks in the mark face at the font's height and weight.
int MarkedTextWidth(HDC dc, std::wstring_view text, HFONT font);

// Draws an owner-drawn static (its text at the top left) or push button (centred) of the window.
void DrawMarkedControl(const DRAWITEMSTRUCT& item);

}  // namespace corvane
