#pragma once
// The main window: its class, procedure, the controls of both pages, page switching.
#include <windows.h>

#include <optional>

#include "app/app_state.h"
#include "card/pitch.h"
#include "codec/encoder_choice.h"
#include "wave/source.h"

namespace corvane {

inline constexpr wchar_t kMainWindowClass[] = L"MyAppClass";
inline constexpr int kMainWindowWidth = 1010;
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

// What the drop-down lists show chosen: the coder, the rate samples are converted to, the ROM,
// what is done with a loop.
Encoder CoderChosen();
RateChoice RateChosen();
Rom RomChosen();
LoopChoice LoopChosen();
// The note "▶  PLAY ON CARD" plays at; nothing for the card's own (the one the sample's rate
// gives).
std::optional<int> PlayNoteChosen();
// Shows a file's own rate and loop choice in their lists.
void ShowSampleChoice(SampleChoice choice);
// Fills the rate choice with the rates of the notes on `rom`, keeping what is chosen.
void ShowRateChoices(Rom rom);

// The donation page the About page's link opens.
const wchar_t* DonateUrl();

}  // namespace corvane
