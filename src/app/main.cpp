// Corvane's entry: fonts, window class, the main window, then the message loop.
#include <windows.h>

#include <clocale>

#include "app/app_state.h"
#include "app/main_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    corvane::CreateFonts();
    std::setlocale(LC_ALL, "Russian");
    if (!corvane::RegisterMainWindowClass(instance)) return 1;
    if (!corvane::StartMainWindow(instance, showCommand)) return 1;
    return corvane::RunMessageLoop();
}
