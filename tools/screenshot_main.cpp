// Shows Corvane's main window with files of the current folder in the source list, the first
// one loaded and analysed as after choosing files, for scripts/screenshot.sh to photograph.
// Prints "ready" once the window is painted and closes when a file named "close" appears. With
// --bank it then presses SAVE BANK, whose report stays open until the window closes.
//   corvane_screenshot [--bank] NAME.wav...
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/dispatch.h"
#include "app/main_window.h"
#include "app/source_ops.h"

namespace {

constexpr UINT_PTR kCloseTimer = 1;

void CALLBACK CloseWhenAsked(HWND window, UINT, UINT_PTR, DWORD) {
    if (GetFileAttributesW(L"close") != INVALID_FILE_ATTRIBUTES) DestroyWindow(window);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace corvane;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    CreateFonts();
    if (!RegisterMainWindowClass(instance) || !StartMainWindow(instance, SW_SHOWNORMAL)) return 1;

    // What choosing these files in the open dialog leaves behind.
    AppState& app = App();
    const bool bank = argc > 1 && std::wstring(argv[1]) == L"--bank";
    if (bank) --argc, ++argv;
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    app.SourceFolder = std::wstring(folder) + L"\\";
    for (int i = 1; i < argc; ++i) {
        SendMessageW(app.SourceList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(argv[i]));
    }
    app.SourceCount = argc - 1;
    SendMessageW(app.SourceList, LB_SETCURSEL, 0, 0);
    app.SelectedIndex = 0;
    ClearPlots();
    LoadSource([] { AnalyseSample(true); });  // at the source's rate: at once

    RedrawWindow(app.MainWindow, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SetTimer(app.MainWindow, kCloseTimer, 200, CloseWhenAsked);
    std::puts("ready");
    std::fflush(stdout);
    if (bank) PostMessageW(app.MainWindow, WM_COMMAND, IdSaveBank, 0);
    return RunMessageLoop();
}
