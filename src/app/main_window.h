#pragma once
// The main window: its class, procedure, the controls of both pages, page switching.
#include <windows.h>

#include "codec/encoder_choice.h"

namespace corvane {

inline constexpr wchar_t kMainWindowClass[] = L"MyAppClass";
inline constexpr int kMainWindowWidth = 800;
inline constexpr int kMainWindowHeight = 600;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers "MyAppClass"; false when the platform refuses it.
bool RegisterMainWindowClass(HINSTANCE instance);

// Creates the main window centred on the screen (its controls come with WM_CREATE), shows it
// with the main page and records the start-up folder. False when no window could be made.
bool StartMainWindow(HINSTANCE instance, int showCommand);

// Runs until the quit message; returns its exit code.
int RunMessageLoop();

void HideAllControls();
void ShowMainPage();
void ShowAboutPage();

// The coder the drop-down list shows chosen.
Encoder CoderChosen();

// The donation page the About page's link opens.
const wchar_t* DonateUrl();

}  // namespace corvane
