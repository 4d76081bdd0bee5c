// Corvane's entry: fonts, window class, the main window, then the message loop.
#include <windows.h>

#include <clocale>

#include "app/app_state.h"
#include "app/main_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    corvane::CreateFonts();
    // The runtime locale the program has always set; nothing it prints depends on it (numbers
    // are grouped by FormatDigitGroups, not the runtime), and where no locale of that name
    // exists the call fails quietly.
    std::setlocale(LC_ALL, "Russian");
    if (!corvane::RegisterMainWindowClass(instance)) return 1;
    if (!corvane::StartMainWindow(instance, showCommand)) return 1;
    return corvane::RunMessageLoop();
}
